// TMainState: the main window's state that its commands and its dialogs
// share. The main window derives from it; each dialog takes the state it
// reads and writes, so no dialog needs the main window itself.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace varlo {

class TBigView;

// The direction the search dialog chose.
enum TSearchDirection : uint8_t { sdDown, sdUp };

// The answer of the wrap switch.
enum TWrapChoice : int8_t { wcNone = -1, wcSetColumn = 0, wcWindowWidth = 1 };

struct TMainState {
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
  int FFindScroll = 0;
  bool FSearched = false;  // a search was made from the dialog in this run
  bool FSearchUperLower = false;
  TSearchDirection FFindPrior = sdDown;
  std::array<std::string, 2> FJumpLine;
  // The text settings (decimal text as the file keeps it) and the switches.
  std::string FEditSearchResum, FEditJumpResum;
  std::string FEditWrapChar, FEditTabChar, FEditFindScroll, FEditScrollSense;
  bool FCheckWrapChar = false, FCheckTabChar = false, FCheckFindScroll = false,
       FCheckScrollSense = false, FCheckCloseDialog = false;
  std::string FBaseCaption;
  // Shift-JIS texts as the settings file holds them.
  std::string FTextFontName, FTextFontSize, FTextFontColor, FTextBackColor;
  // The two launcher records, slots 1 and 2 (Shift-JIS).
  std::array<std::string, 3> FProgTitle, FProgName, FProgOption, FProgDir, FProgShortCut;
  int FLaunchNo = 0;
  int FOptionPage = 0;
  int64_t FSelStartLine = 0, FSelEndLine = 0;
  bool FIconMode = false;  // started with /I
  TWrapChoice FWrapChoice = wcNone;
};

}  // namespace varlo
