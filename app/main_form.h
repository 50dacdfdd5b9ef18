// TForm1: the main window. It hosts the viewer in its whole client area,
// holds the state that the commands and dialogs share (TMainState), reads
// the command line and the settings file, opens files, shows the file and
// its size in its caption (the caption is the status line) and saves the
// settings when it goes away.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/commands.h"
#include "app/search_mark.h"
#include "bigview/BigView.h"
#include "dialogs/main_state.h"
#include "platform/application.h"
#include "platform/dialogs.h"
#include "platform/file.h"
#include "platform/forms.h"
#include "platform/menu.h"

namespace varlo {

class TForm1 : public TForm, public TMainState {
 public:
  // Creates the window with its viewer, and its menus and key map from the
  // table of commands, then runs FormCreate (an error there is shown, and
  // the window opens as far as it got).
  explicit TForm1(std::vector<TCommand> commands = MainCommands());
  ~TForm1() override;

  TBigView BigView1{this};
  TOpenDialog OpenDialog1;
  TFontDialog FontDialog1;
  TColorDialog ColorDialog1;
  // The caret at the last search hit, with the timer (Timer1) that takes
  // it away once the view moves.
  TSearchMark SearchMark{BigView1};
  // Takes in the lines indexed in the background while a file loads.
  TTimer IndexTimer;
  // Looks at the file's size while follow mode is on.
  TTimer FollowTimer;
  // Follow mode: the lines a file grows by come in as they are written.
  bool FFollow = false;
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
  void MenuReloadClick(TObject& sender);
  void MenuFollowClick(TObject& sender);
  void FollowTimerTimer(TObject& sender);
  void ReadIniFileValue();
  void WriteIniFileValue();
  void ProgramExecute();
  void IndexTimerTimer(TObject& sender);
  void FocusMoveToApli();
  void FocusMoveToApliMinimized();
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
  // Ctrl+[: a normal window maximised, any other back to normal.
  void ToggleMaximized();
  // Search (search_commands.cpp): the 1-based view line of the first hit
  // from view line `from` on, downward or upward; 0 when there is none.
  int64_t SearchLine(int64_t from, bool upward);
  // Moves to the hit in view line `hit` (1-based), marks it and shows it in
  // the caption.
  void ShowFoundLine(int64_t hit);
  // Waits until line `line` (-1: every line) of the file is indexed, with
  // the progress in the caption; false when the user stopped the wait with
  // Esc or by closing the window.
  bool WaitForLines(int64_t line);
  // The menu items enabled and checked as the table's rules say now.
  void UpdateMenus();
  // The settings file and the help page beside the executable.
  std::filesystem::path IniFileName();
  std::filesystem::path HelpFileName();

 protected:
  void WMSize() override;

 private:
  void BuildMenus();
  // Runs a command of the table, then brings the menus up to date.
  void RunCommand(const TCommand& command);
  bool Allowed(TEnabled rule) const;
  // Opens the first of dropped files; false after a warning.
  bool OpenDropped(const std::vector<std::string>& names);
  // Opens the file a user named; false after a warning.
  bool OpenNamed(bool checkExists);
  // Opens the file in the viewer, which shows its first page at once and
  // indexes the rest in the background (the caption shows the progress).
  void LoadFile(const std::filesystem::path& path);
  // Takes in what indexing found, waiting up to `waitMs` for it; the
  // caption follows. A failure is reported as its kind asks.
  void IndexStep(int waitMs, int budgetMs = 10);
  std::string ProgressCaption() const;
  // An exception that left a handler: the file shown changed or could not
  // be read. True when it was taken care of.
  bool TextFailed(const std::exception& e);
  // The file changed underneath: one notice, then it is loaded again with
  // the same line at the top where it still exists.
  void ReloadChangedFile() { ReloadFile(true, false); }
  // Loads the file shown again, after a notice when `notice`; with the same
  // line at the top, or with its last row in view when `toEnd`.
  void ReloadFile(bool notice, bool toEnd);
  // Takes in what the file shown has become: the lines it grew by, or the
  // whole of it when it changed otherwise. `byUser`: F5, which also checks
  // the bytes of an unchanged size and says when the file cannot be read;
  // follow mode notices a changed file in one notice instead.
  void RefreshFile(bool byUser);
  // The last row is on view.
  bool LastRowShown() const;
  void ShowLastRow();
  // Follow mode: starts listening for changes in the shown file's folder.
  void WatchFile();
  void FileOpened();
  // The viewer's font name, size and colour from their settings, in turn.
  void ApplyTextFont();
  bool FileOpen() const { return !FFileName.empty(); }

  const std::vector<TCommand> FCommands;
  bool FFileOpened = false;  // a file was opened in this run
  bool FReloadPending = false;
  int FReloading = 0;  // a reload's notice is open or its load starting
  // A command is running (a dialog may be open): follow mode waits.
  int FRunning = 0;
  // Follow mode keeps the last row in view while the lines appended come in.
  bool FKeepEnd = false;
  // Follow mode: the system's word of a change in the file's folder, and
  // when the file was last looked at.
  std::unique_ptr<platform::ChangeWatch> FWatch;
  uint32_t FLastLook = 0;
  uint32_t FProgressTick = 0;  // when the caption last showed the progress
  std::string FCaptionBeforeLoad;
};

}  // namespace varlo
