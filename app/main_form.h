// TForm1: the main window. It hosts the viewer in its whole client area,
// holds the state that the commands and dialogs share, reads the command
// line and the settings file, opens files, shows the file and its size in
// its caption (the caption is the status line) and saves the settings when
// it goes away.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "bigview/BigView.h"
#include "platform/application.h"
#include "platform/dialogs.h"
#include "platform/forms.h"
#include "platform/menu.h"
#include "platform/timer.h"

namespace varlo {

class TForm1 : public TForm {
 public:
  // Creates the window with its viewer, menus and dialogs, then runs
  // FormCreate (an error there is shown, and the window opens as far as it
  // got).
  TForm1();
  ~TForm1() override;

  TBigView BigView1{this};
  TOpenDialog OpenDialog1;
  TFontDialog FontDialog1;
  TColorDialog ColorDialog1;
  TTimer Timer1;
  TMainMenu MainMenu1;
  TPopupMenu PopupMenu1;

  // Menu items by their design names.
  TMenuItem& Item(const std::string& name);

  // --- Handlers and methods, in the order of the design. ---
  void FormKeyDown(TObject& sender, uint16_t& key, TShiftState shift);
  void FormCreate(TObject& sender);
  void FormDestroy(TObject& sender);
  void MenuFileOpenClick(TObject& sender);
  void MenuExitClick(TObject& sender);
  void MenuWrapChangeClick(TObject& sender);
  void MenuFindClick(TObject& sender);
  void MenuReFindClick(TObject& sender);
  void MenuReFindPriorClick(TObject& sender);
  void MenuJumpClick(TObject& sender);
  void MenuLineNumDispClick(TObject& sender);
  void MenuSelectStartClick(TObject& sender);
  void MenuSelectEndClick(TObject& sender);
  void MenuOptionSetClick(TObject& sender);
  void MenuFontClick(TObject& sender);
  void MenuBackColorClick(TObject& sender);
  void MenuLaunchClick(TObject& sender);
  void MenuLaunchClick2(TObject& sender);
  void MenuHelpDispClick(TObject& sender);
  void MenuKeyFuncClick(TObject& sender);
  void ReadIniFileValue();
  void WriteIniFileValue();
  void ProgramExecute();
  void Timer1Timer(TObject& sender);
  void FocusMoveToApli();
  void FocusMoveToApliMinimized();
  void PopFileOpenClick(TObject& sender);
  void PopExitClick(TObject& sender);
  void PopLaunchRunClick(TObject& sender);
  void PopLaunchRun2Click(TObject& sender);
  void WMDropFiles(const std::vector<std::string>& names) override;
  void AppMessage(TAppMessage& message, bool& handled);

  // --- Shared operations. ---
  void UpdateCaption();
  void CenterOnScreen(TForm& form);
  void WarningBox(const std::string& text);
  void ShowNotice(const std::string& text);
  void ExitRequest();
  void ClearFoundMark();
  // The settings file beside the executable.
  std::filesystem::path IniFileName();

  // --- State, in the order of the design. ---
  std::string FFileName;  // UTF-8; empty: no file open
  int FLaunchEdit = 0;
  bool FFormMem = false;
  int FFormLeft = -1, FFormTop = -1, FFormWidth = -1, FFormHeight = -1;
  std::array<std::string, 2> FFindStr;  // Shift-JIS; slot 0 the dialog's, slot 1 remembered
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
  // The two launcher records, slots 1 and 2.
  std::array<std::string, 3> FProgTitle, FProgName, FProgOption, FProgDir, FProgShortCut;
  int FLaunchNo = 0;
  int FOptionPage = 0;
  int64_t FSelStartLine = 0, FSelEndLine = 0;
  int FIconMode = 0;
  int FWrapChoice = -1;

 private:
  void BuildMenus();
  // Opens the file a user named; false after a warning.
  bool OpenNamed(bool checkExists);
  void FileOpened();
  bool FileOpen() const { return !FFileName.empty(); }
};

// The global reference the program block fills.
extern TForm1* Form1;

}  // namespace varlo
