#include "app/main_form.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

#include "app/settings.h"
#include "bigview/file_text.h"
#include "dialogs/display_settings.h"
#include "dialogs/key_list_form.h"
#include "dialogs/notice_form.h"
#include "dialogs/wrap_switch_form.h"
#include "platform/backend.h"
#include "platform/convert.h"
#include "platform/file.h"
#include "platform/text.h"

namespace varlo {

namespace {

// Counts one more for as long as it lives.
struct Within {
  int& count;
  explicit Within(int& c) : count(++c) {}
  ~Within() { --count; }
};

constexpr const char* kNotFound = "   指定されたファイルが存在しません。          ";
constexpr const char* kCannotOpen = "   指定されたファイルがオープンできません。          ";
constexpr const char* kCouldNotOpen = "   指定されたファイルがオープンできませんでした。          ";
constexpr const char* kFileChanged = "   ファイルが変更されたため、読み込み直します。   ";
constexpr const char* kReadFailed = "   ファイルを読み込めませんでした。   ";
// How often indexed lines are taken in (milliseconds), and how long a wait
// for them sleeps between looks at its window.
constexpr unsigned kIndexTick = 15;
constexpr int kWaitStep = 30;
// The longest turn of indexed lines taken in, when nothing waits, and how
// long one step of it merges before the caption and the window follow.
constexpr uint32_t kTurn = 250;
constexpr int kStep = 50;
// Follow mode looks at the file's size at once when the system says its
// folder changed (it asks every kFollowTick milliseconds), and every
// kFollowLook milliseconds in any case.
constexpr unsigned kFollowTick = 20;
constexpr uint32_t kFollowLook = 100;

}  // namespace

TForm1::TForm1(std::vector<TCommand> commands) : FCommands(std::move(commands)) {
  Name = "Form1";
  // The design's properties.
  SetCaption("Varlo (ﾒｲﾝ)");
  SetBorderStyle(bsSizeable);
  SetBounds(224, 122, 620, 420);
  TFont font = Font();
  font.Name = "System";
  font.Height = -19;
  font.Color = clBlack;
  SetFont(font);
  BuildMenus();
  SetMenu(&MainMenu1);
  PopupMenu = &PopupMenu1;
  OnDestroy = [this](TObject& s) { FormDestroy(s); };
  OnKeyDown = [this](TObject& s, uint16_t& k, TShiftState sh) { FormKeyDown(s, k, sh); };

  BigView1.Name = "BigView1";
  BigView1.SetFont(font);
  BigView1.SetAlign(alClient);
  BigView1.SetBvStyle(BvSet({bvClientLow}));
  BigView1.SetCapacity(0);
  BigView1.SetCaret(false);
  BigView1.SetMaxChar(255);
  BigView1.SetPCanLimit(0);
  BigView1.SetScOver(true);
  BigView1.SetScrollBar(ssVertical);
  BigView1.SetScrollSense(1);
  BigView1.SetSelect(false);
  BigView1.TabOrder = 0;
  BigView1.SetTabStop(true);
  BigView1.SetViewTabStop(4);
  BigView1.SetWrapByte(80);
  BigView1.SetWordWrap(true);
  BigView1.OnKeyDown = [this](TObject& s, uint16_t& k, TShiftState sh) { FormKeyDown(s, k, sh); };
  ActiveControl = &BigView1;

  OpenDialog1.Filter = "全ﾌｧｲﾙ(*.*)|*.*";
  IndexTimer.OnTimer = [this](TObject& s) { IndexTimerTimer(s); };
  FollowTimer.OnTimer = [this](TObject& s) { FollowTimerTimer(s); };
  BigView1.OnWaitForIndex = [this] { return WaitForLines(-1); };

  ControlEvents::Run([this] { FormCreate(*this); });
}

TForm1::~TForm1() {
  // The menus go before the form does.
  SetMenu(nullptr);
  PopupMenu = nullptr;
  Application().OnMessage = nullptr;
  Application().OnException = nullptr;
}

TMenuItem& TForm1::Item(const std::string& name) {
  TMenuItem* item = MainMenu1.Items.Find(name);
  if (item == nullptr) item = PopupMenu1.Items.Find(name);
  if (item == nullptr) throw std::logic_error("no menu item " + name);
  return *item;
}

void TForm1::BuildMenus() {
  CheckCommands(FCommands);
  for (const TTopMenu& top : MainMenus()) MainMenu1.Items.Add(top.Name, top.Caption);
  for (const TCommand& command : FCommands) {
    const auto add = [&](TMenuItem& menu, const TMenuEntry& entry) {
      TMenuItem& item =
          menu.Add(entry.Name, entry.Caption, [this, &command](TObject&) { RunCommand(command); });
      item.ShortCutKey = entry.ShortCutKey;
      item.ShortCutShift = entry.ShortCutShift;
    };
    if (!command.Menu.Name.empty()) {
      TMenuItem* menu = MainMenu1.Items.Find(command.Menu.Menu);
      if (menu == nullptr) throw std::logic_error("no menu " + command.Menu.Menu);
      add(*menu, command.Menu);
    }
    if (!command.Popup.Name.empty()) add(PopupMenu1.Items, command.Popup);
  }
}

bool TForm1::Allowed(TEnabled rule) const {
  switch (rule) {
    case TEnabled::Always: return true;
    case TEnabled::FileOpened: return FFileOpened;
    case TEnabled::Searched: return FSearched;
  }
  return false;
}

void TForm1::UpdateMenus() {
  for (const TTopMenu& top : MainMenus()) Item(top.Name).SetEnabled(Allowed(top.Enabled));
  for (const TCommand& command : FCommands)
    for (const TMenuEntry* entry : {&command.Menu, &command.Popup}) {
      if (entry->Name.empty()) continue;
      TMenuItem& item = Item(entry->Name);
      item.SetEnabled(Allowed(command.Enabled));
      if (command.Checked != nullptr) item.SetChecked(this->*command.Checked);
    }
}

void TForm1::RunCommand(const TCommand& command) {
  const Within running(FRunning);
  command.Run(*this);
  UpdateMenus();
}

void TForm1::FormKeyDown(TObject&, uint16_t& key, TShiftState shift) {
  // The key is never consumed: the viewer's scrolling and paging act on
  // the same key afterwards.
  const TCommandKey* row = nullptr;
  const TCommand* command = CommandOfKey(FCommands, key, shift & kModifierMask, &row);
  if (command == nullptr) return;
  if (row->Needs != TNeeds::Nothing && FFileName.empty()) return;
  if (row->Needs == TNeeds::FileAndSearch && !FSearched) return;
  RunCommand(*command);
}

// --- Start. ---

void TForm1::FormCreate(TObject&) {
  const std::vector<std::string> args = Application().Arguments();
  const std::string first = args.empty() ? std::string() : args.front();
  // The switch is the first argument exactly.
  FIconMode = first == "/I" || first == "/i";
  AcceptFiles(true);
  Application().OnMessage = [this](TAppMessage& m, bool& handled) { AppMessage(m, handled); };
  Application().OnException = [this](const std::exception& e) { return TextFailed(e); };
  FBaseCaption = Caption();
  ReadIniFileValue();
  if (FFormMem && FFormLeft != -1 && FFormTop != -1 && FFormWidth != -1 && FFormHeight != -1) {
    // The file keeps the place in pixels at 96 per inch, as it always has:
    // the position on the screen's scale, the size on that of the window's
    // display.
    const int screen = CurrentBackend().ScreenPixelsPerInch();
    SetBounds(MulDivRounded(FFormLeft, screen, kPixelsPerInch),
              MulDivRounded(FFormTop, screen, kPixelsPerInch), Scaled(FFormWidth),
              Scaled(FFormHeight));
  } else {
    CenterOnScreen(*this);
  }
  // Nothing to search or launch yet.
  UpdateMenus();
  BigView1.SetBvStyle(BvSet({bvDblFrame}));
  // Font name, size and colour and the background, in turn: a text that
  // does not convert stops the start there, with what came before applied.
  ApplyTextFont();
  BigView1.SetColor(StringToColor(FTextBackColor));
  // The display numbers, corrected into their ranges in the fields so that
  // the file gets the corrected texts; a switched-off one keeps its text.
  for (const TDisplaySetting* setting : kDisplaySettings)
    ApplyDisplaySetting(*setting, *this, BigView1, [&] { return ClampedNumber(*setting, *this); });
  SearchMark.FoundLine = 0;
  FSearched = false;
  FOptionPage = 0;
  if (!first.empty() && !FIconMode) {
    FFileName = first;
    if (!OpenNamed(true)) return;
  }
  if (FIconMode) SetWindowState(wsMinimized);
}

bool TForm1::OpenNamed(bool checkExists) {
  const std::filesystem::path path = PathFromUtf8(FFileName);
  if (checkExists && !platform::FileExists(path)) {
    WarningBox(kNotFound);
    return false;
  }
  try {
    LoadFile(path);
  } catch (const std::exception&) {
    WarningBox(kCannotOpen);
    return false;
  }
  FileOpened();
  return true;
}

void TForm1::LoadFile(const std::filesystem::path& path) {
  IndexTimer.SetInterval(0);
  FReloadPending = false;
  FCaptionBeforeLoad = Caption();
  FProgressTick = CurrentBackend().TickCount();
  BigView1.BeginLoadFromFile(path);
  if (BigView1.Indexing()) IndexTimer.SetInterval(kIndexTick);
}

std::string TForm1::ProgressCaption() const {
  const int64_t size = BigView1.TextSize();
  const int64_t percent =
      size > 0 ? std::min<int64_t>(BigView1.IndexedBytes() * 100 / size, 100) : 100;
  return FBaseCaption + "  " + FFileName + "  読み込み中 " + std::to_string(percent) + "%";
}

void TForm1::IndexStep(int waitMs, int budgetMs) {
  if (!BigView1.Indexing()) return;
  try {
    BigView1.PumpIndex(waitMs, budgetMs);
  } catch (const TextChangedError&) {
    IndexTimer.SetInterval(0);
    ReloadChangedFile();
    return;
  } catch (const InOutError&) {
    // The lines indexed so far stay on view.
    IndexTimer.SetInterval(0);
    UpdateCaption();
    WarningBox(kReadFailed);
    return;
  } catch (const std::exception&) {
    // Too many lines, or too little memory: nothing of the file is shown.
    IndexTimer.SetInterval(0);
    SetCaption(FCaptionBeforeLoad);
    WarningBox(kCannotOpen);
    return;
  }
  if (BigView1.Indexing()) {
    const uint32_t now = CurrentBackend().TickCount();
    if (now - FProgressTick < TBigView::kProgressMs) return;
    FProgressTick = now;
    if (const std::string progress = ProgressCaption(); progress != Caption()) SetCaption(progress);
  } else {
    IndexTimer.SetInterval(0);
    UpdateCaption();
    if (std::exchange(FKeepEnd, false) && FFollow) ShowLastRow();
  }
}

void TForm1::IndexTimerTimer(TObject&) {
  if (FReloadPending) {
    FReloadPending = false;
    IndexTimer.SetInterval(0);
    ReloadChangedFile();
    return;
  }
  // Merged in turns for as long as nothing else waits for the window: the
  // threads that index never wait for a tick.
  Backend& backend = CurrentBackend();
  const uint32_t start = backend.TickCount();
  do {
    IndexStep(2, kStep);
  } while (BigView1.Indexing() && !backend.MessageWaiting() && backend.TickCount() - start < kTurn);
}

bool TForm1::WaitForLines(int64_t line) {
  Backend& backend = CurrentBackend();
  while (BigView1.Indexing() && (line < 0 || line >= BigView1.LineCount())) {
    IndexStep(kWaitStep);
    // Esc, or the window closed meanwhile.
    if (backend.ProcessBusyMessages() || Closed()) return false;
  }
  return !BigView1.Indexing() || (line >= 0 && line < BigView1.LineCount());
}

bool TForm1::TextFailed(const std::exception& e) {
  const bool changed = dynamic_cast<const TextChangedError*>(&e) != nullptr;
  const bool unread = dynamic_cast<const TextReadError*>(&e) != nullptr;
  // The old text behind a reload's notice meets the change it tells of.
  if (FReloading != 0 && (changed || unread)) return true;
  if (changed) {
    // Taken care of once the handler that met it has ended.
    FReloadPending = true;
    IndexTimer.SetInterval(kIndexTick);
    return true;
  }
  if (unread) {
    WarningBox(kReadFailed);
    return true;
  }
  return false;
}

void TForm1::ReloadFile(bool notice, bool toEnd) {
  FReloadPending = false;
  const int64_t top = BigView1.LineIndexOfView(BigView1.TopLine());
  {
    // Timers and paint go on while the notice is open; the change they
    // meet again is this reload's.
    const Within reloading(FReloading);
    if (notice) ShowNotice(kFileChanged);
    if (!OpenNamed(false)) return;
  }
  if (toEnd) {
    if (WaitForLines(-1)) ShowLastRow();
  } else if (top > 0 && WaitForLines(top)) {
    BigView1.SetTopLine(BigView1.ViewIndexOfLine(std::min(top, BigView1.LineCount() - 1)));
  }
}

bool TForm1::LastRowShown() const {
  return BigView1.TopLine() + BigView1.PageLines() >= BigView1.ViewCount();
}

void TForm1::ShowLastRow() {
  if (!LastRowShown()) BigView1.SetBottomLine(BigView1.ViewCount() - 1);
}

void TForm1::RefreshFile(bool byUser) {
  if (!FileOpen() || BigView1.Indexing() || FReloadPending || FReloading != 0) return;
  const bool atEnd = FFollow && LastRowShown();
  switch (BigView1.FileChange(byUser)) {
    case TFileChange::None: return;
    case TFileChange::Gone:
      // Follow mode waits for a file rotated away to be created anew.
      if (byUser) WarningBox(kReadFailed);
      return;
    case TFileChange::Changed: ReloadFile(!byUser, atEnd); return;
    case TFileChange::Grew: break;
  }
  try {
    if (!BigView1.ExtendFromFile()) {
      ReloadFile(false, atEnd);
      return;
    }
  } catch (const TextChangedError&) {
    ReloadFile(!byUser, atEnd);
    return;
  } catch (const InOutError&) {
    // The lines shown stay; follow mode tries again at its next look.
    UpdateCaption();
    if (byUser) WarningBox(kReadFailed);
    return;
  }
  if (BigView1.Indexing()) {
    FKeepEnd = atEnd;
    IndexTimer.SetInterval(kIndexTick);
  } else if (atEnd) {
    ShowLastRow();
  }
  UpdateCaption();
}

void TForm1::FileOpened() {
  if (FFollow) WatchFile();
  UpdateCaption();
  FFileOpened = true;
  UpdateMenus();
}

void TForm1::MenuFileOpenClick(TObject&) {
  if (!OpenDialog1.Execute()) return;
  // The name is taken before any check.
  FFileName = OpenDialog1.FileName;
  OpenNamed(true);
}

void TForm1::WMDropFiles(const std::vector<std::string>& names) { OpenDropped(names); }

bool TForm1::OpenDropped(const std::vector<std::string>& names) {
  if (names.empty()) return false;
  // The first name only, and no existence check.
  FFileName = names.front();
  try {
    LoadFile(PathFromUtf8(FFileName));
  } catch (const std::exception&) {
    // The window stays as it is, minimised or not.
    WarningBox(kCannotOpen);
    return false;
  }
  Application().Restore();
  SetWindowState(wsNormal);
  FileOpened();
  return true;
}

void TForm1::AppMessage(TAppMessage& message, bool& handled) {
  if (message.Message != TAppMessage::DropFiles || message.Target != this) return;
  if (OpenDropped(message.Files)) Application().Restore();
  handled = true;
}

void TForm1::WMSize() {
  // In window-width wrapping a new width is a new view-line count, which
  // the caption tells.
  const int64_t views = BigView1.ViewCount();
  TForm::WMSize();
  if (FileOpen() && BigView1.ViewCount() != views) UpdateCaption();
}

void TForm1::FormDestroy(TObject&) {
  if (WindowState() == wsNormal) {
    const int screen = CurrentBackend().ScreenPixelsPerInch();
    FFormLeft = MulDivRounded(Left(), kPixelsPerInch, screen);
    FFormTop = MulDivRounded(Top(), kPixelsPerInch, screen);
    FFormWidth = Unscaled(Width());
    FFormHeight = Unscaled(Height());
  }
  WriteIniFileValue();
}

// --- Shared operations. ---

void TForm1::UpdateCaption() {
  SetCaption(BigView1.Indexing() ? ProgressCaption() : MainCaption(BigView1));
}

void TForm1::CenterOnScreen(TForm& form) {
  const TPoint at = CenteredOnScreen(form.Width(), form.Height());
  form.SetBounds(static_cast<int>(at.X), static_cast<int>(at.Y), form.Width(), form.Height());
}

void TForm1::WarningBox(const std::string& text) {
  // One button, neither default nor cancel: Enter presses it, Esc does
  // nothing; the answer is not looked at.
  MessageDlg(text, mtWarning, {mbAbort});
}

void TForm1::ShowNotice(const std::string& text) {
  TNoticeDialog form;
  CenterOnScreen(form);
  form.Label1().SetCaption(text);
  form.ShowModal();
}

void TForm1::ClearFoundMark() { SearchMark.Clear(); }

void TForm1::ToggleMaximized() {
  SetWindowState(WindowState() == wsNormal ? wsMaximized : wsNormal);
}

void TForm1::ExitRequest() {
  if (!FIconMode) {
    if (FCheckCloseDialog) {
      if (MessageDlg("    終了しますか。          ", mtInformation, {mbYes, mbNo}, 0, 1) == mrYes)
        Close();
    } else {
      Close();
    }
    return;
  }
  if (FCheckCloseDialog) {
    const TModalResult answer = MessageDlg(
        "          アイコン化しますか。          \n\r\n\r   はい : アイコン化    いいえ : 終了     "
        "     ",
        mtInformation, {mbYes, mbNo, mbCancel}, 0, 2);
    if (answer == mrYes) {
      SetWindowState(wsMinimized);
      FocusMoveToApliMinimized();
    } else if (answer == mrNo) {
      Close();
    }
  } else {
    SetWindowState(wsMinimized);
    FocusMoveToApliMinimized();
  }
}

// --- Commands. ---

void TForm1::MenuExitClick(TObject&) { ExitRequest(); }

void TForm1::MenuWrapChangeClick(TObject&) {
  const int64_t top = BigView1.LineIndexOfView(BigView1.TopLine());
  // The dialog offers the other mode only.
  const bool byColumn = BigView1.WrapByte() != 0;
  TWrapSwitchDialog form(*this);
  form.BtnWrapOn().SetEnabled(byColumn);
  form.BtnWrapOff().SetEnabled(!byColumn);
  FWrapChoice = wcNone;
  CenterOnScreen(form);
  form.ShowModal();
  // A set column that is no number is the conversion error, raised before
  // anything changed, not a file that could not be opened.
  const int column = !byColumn && FWrapChoice == wcSetColumn ? StrToInt(FEditWrapChar) : 0;
  try {
    if (byColumn && FWrapChoice == wcWindowWidth) {
      BigView1.Clear();
      BigView1.SetWordWrap(true);
      BigView1.SetWrapByte(0);
      LoadFile(PathFromUtf8(FFileName));
      UpdateCaption();
    } else if (!byColumn && FWrapChoice == wcSetColumn) {
      BigView1.Clear();
      ApplyDisplaySetting(kWrapColumn, *this, BigView1, [&] { return column; });
      LoadFile(PathFromUtf8(FFileName));
      UpdateCaption();
    }
  } catch (const std::exception&) {
    WarningBox(kCouldNotOpen);
    return;
  }
  // Back to the first view line of the logical line that was at the top,
  // also after a cancel, once that line is in again.
  if (top >= 0 && WaitForLines(top)) BigView1.SetTopLine(BigView1.ViewIndexOfLine(top));
}

void TForm1::MenuReloadClick(TObject&) { RefreshFile(true); }

void TForm1::MenuFollowClick(TObject&) {
  FFollow = !FFollow;
  FollowTimer.SetInterval(FFollow ? kFollowTick : 0);
  FWatch.reset();
  if (!FFollow || !FileOpen()) return;
  WatchFile();
  // Following starts at the end, with what was written meanwhile.
  RefreshFile(false);
  if (WaitForLines(-1)) ShowLastRow();
}

void TForm1::WatchFile() {
  FWatch = std::make_unique<platform::ChangeWatch>(PathFromUtf8(FFileName));
}

void TForm1::FollowTimerTimer(TObject&) {
  if (FRunning != 0) return;
  const uint32_t now = CurrentBackend().TickCount();
  if (!(FWatch != nullptr && FWatch->Changed()) && now - FLastLook < kFollowLook) return;
  FLastLook = now;
  RefreshFile(false);
}

void TForm1::MenuKeyFuncClick(TObject&) {
  TKeyListDialog form(KeyListLines(FCommands));
  CenterOnScreen(form);
  form.ShowModal();
}

// --- The settings file and the help page. ---

namespace {

// The executable's path with another extension. The extension is what
// follows the last "." after the last separator; in UTF-8 no byte of
// another character can be one of these.
std::filesystem::path BesideExecutable(const char* extension) {
  std::string path = Application().ExeName();
  const size_t sep = path.find_last_of("\\/:");
  const size_t dot = path.rfind('.');
  if (dot != std::string::npos && (sep == std::string::npos || dot > sep)) path.erase(dot);
  return PathFromUtf8(path + extension);
}

}  // namespace

std::filesystem::path TForm1::IniFileName() { return BesideExecutable(".INI"); }

std::filesystem::path TForm1::HelpFileName() { return BesideExecutable(".html"); }

void TForm1::ReadIniFileValue() { ReadSettings(IniFileName(), *this); }

void TForm1::WriteIniFileValue() { WriteSettings(IniFileName(), *this); }

}  // namespace varlo
