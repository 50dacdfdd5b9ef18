// TMainState: the main window's state that its commands and its dialogs
// share. The main window derives from it; each dialog takes the state it
// reads and writes, so no dialog needs the main window itself.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace varlo {

class TBigView;

// The values a display number of the settings may take.
struct TRange {
  int Min = 0, Max = 0;
  bool Holds(int value) const { return value >= Min && value <= Max; }
};

inline constexpr TRange kWrapCharRange{2, 255}, kTabCharRange{1, 16}, kFindScrollRange{0, 16},
    kScrollSenseRange{1, 10};

struct TMainState {
  TMainState() = default;
  // The named settings below refer into the two arrays: a copy would refer
  // into the original.
  TMainState(const TMainState&) = delete;
  TMainState& operator=(const TMainState&) = delete;

  // The caption of the main window with a file open: the base caption, the
  // file name, and the view-line and logical-line counts of the viewer.
  std::string MainCaption(const TBigView& view) const;

  // The fields in the order of the design.
  std::string FFileName;  // UTF-8; empty: no file open
  int FLaunchEdit = 0;
  bool FFormMem = false;
  int FFormLeft = -1, FFormTop = -1, FFormWidth = -1, FFormHeight = -1;
  // Shift-JIS; slot 0 the dialog's answer (empty: cancelled), slot 1 the
  // remembered value.
  std::array<std::string, 2> FFindStr;
  int64_t FFoundLine = 0;
  int FFindScroll = 0;
  int64_t FFoundTopLine = 0;
  int FFoundShown = 0;
  int FSearched = 0;
  bool FSearchUperLower = false;
  int FFindPrior = 0;
  std::array<std::string, 2> FJumpLine;
  // The text settings and the switches are slots of two arrays of 16.
  std::array<std::string, 16> FEdit;
  std::array<bool, 16> FCheck{};
  std::string& FEditSearchResum = FEdit[2];
  std::string& FEditJumpResum = FEdit[3];
  std::string& FEditWrapChar = FEdit[6];
  std::string& FEditTabChar = FEdit[7];
  std::string& FEditFindScroll = FEdit[8];
  std::string& FEditScrollSense = FEdit[9];
  bool& FCheckWrapChar = FCheck[6];
  bool& FCheckTabChar = FCheck[7];
  bool& FCheckFindScroll = FCheck[8];
  bool& FCheckScrollSense = FCheck[9];
  bool& FCheckCloseDialog = FCheck[10];
  std::string FBaseCaption;
  // Shift-JIS texts as the settings file holds them.
  std::string FTextFontName, FTextFontSize, FTextFontColor, FTextBackColor;
  // The two launcher records, slots 1 and 2 (Shift-JIS).
  std::array<std::string, 3> FProgTitle, FProgName, FProgOption, FProgDir, FProgShortCut;
  int FLaunchNo = 0;
  int FOptionPage = 0;
  int64_t FSelStartLine = 0, FSelEndLine = 0;
  int FIconMode = 0;
  int FWrapChoice = -1;  // -1 none, 0 the set column, 1 the window width
};

}  // namespace varlo
