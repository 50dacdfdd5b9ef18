// The toolkit's forms, controls and services on the real platform: the
// windows a form description gives, what clicks, typing and keys do to the
// controls, modal loops (nested too), menus, timers, the clipboard,
// dropped files, the common dialogs and the program's command line.
#include <gtest/gtest.h>
#include <windows.h>
// After windows.h, which they need.
#include <commctrl.h>

#include <atomic>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "platform/application.h"
#include "platform/dialogs.h"
#include "platform/errors.h"
#include "platform/forms.h"
#include "platform/menu.h"
#include "platform/text.h"
#include "platform/timer.h"
#include "platform/win32/backend.h"
#include "platform/win32/canvas.h"
#include "platform/win32/command_line.h"
#include "tests/support/temp_dir.h"
#include "tests/win32/drop.h"

namespace varlo {
namespace {

using testing::DropOf;
using win32::HandleOf;

// The runs of this program (one per locale) take turns: ctest starts them
// side by side, and they would take the focus and the clipboard from each
// other.
class OneRunAtATime : public ::testing::Environment {
 public:
  void SetUp() override {
    FMutex = CreateMutexW(nullptr, FALSE, L"VarloToolkitTestsRun");
    ASSERT_NE(FMutex, nullptr);
    // Abandoned: a run before this one ended without letting go.
    const DWORD waited = WaitForSingleObject(FMutex, INFINITE);
    ASSERT_TRUE(waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED);
  }
  void TearDown() override {
    ReleaseMutex(FMutex);
    CloseHandle(FMutex);
  }

 private:
  HANDLE FMutex = nullptr;
};
[[maybe_unused]] ::testing::Environment* const kOneRunAtATime =
    ::testing::AddGlobalTestEnvironment(new OneRunAtATime);

struct BackendScope {
  win32::Win32Backend backend;
  BackendScope() { SetCurrentBackend(&backend); }
  ~BackendScope() { SetCurrentBackend(nullptr); }
};

std::wstring TextOf(HWND hwnd) {
  std::wstring text(static_cast<size_t>(GetWindowTextLengthW(hwnd)) + 1, L'\0');
  text.resize(
      static_cast<size_t>(GetWindowTextW(hwnd, text.data(), static_cast<int>(text.size()))));
  return text;
}

std::wstring ClassOf(HWND hwnd) {
  wchar_t name[64] = {};
  GetClassNameW(hwnd, name, 64);
  std::wstring s = name;
  for (wchar_t& c : s) c = static_cast<wchar_t>(towlower(c));
  return s;
}

LONG StyleOf(HWND hwnd) { return GetWindowLongW(hwnd, GWL_STYLE); }
LONG ExStyleOf(HWND hwnd) { return GetWindowLongW(hwnd, GWL_EXSTYLE); }

std::wstring MenuText(HMENU menu, int position) {
  wchar_t text[128] = {};
  GetMenuStringW(menu, static_cast<UINT>(position), text, 128, MF_BYPOSITION);
  return text;
}

std::wstring TabText(HWND tabs, int index) {
  wchar_t text[64] = {};
  TCITEMW item{};
  item.mask = TCIF_TEXT;
  item.pszText = text;
  item.cchTextMax = 64;
  SendMessageW(tabs, TCM_GETITEMW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
  return text;
}

// Runs `action` once from inside whatever message loop runs at the time
// (ours, a nested one, or one of the platform's dialogs); given `dialog`,
// once the platform dialog of this thread shows, on that dialog.
class Soon {
 public:
  explicit Soon(std::function<void()> action) : Soon([=](HWND) { action(); }, false) {}
  explicit Soon(std::function<void(HWND)> action, bool dialog = true) : FAction(std::move(action)) {
    FTimer.OnTimer = [this, dialog](TObject&) {
      HWND found = nullptr;
      if (dialog)
        EnumThreadWindows(GetCurrentThreadId(), &Soon::FindDialog,
                          reinterpret_cast<LPARAM>(&found));
      if (dialog && found == nullptr) return;
      FTimer.SetInterval(0);
      FAction(found);
    };
    FTimer.SetInterval(dialog ? 20 : 10);
  }

 private:
  static BOOL CALLBACK FindDialog(HWND h, LPARAM out) {
    if (ClassOf(h) != L"#32770" || !IsWindowVisible(h)) return TRUE;
    *reinterpret_cast<HWND*>(out) = h;
    return FALSE;
  }
  std::function<void(HWND)> FAction;
  TTimer FTimer;
};

// Lets the messages of the moment through.
void Pump(Backend& backend) {
  for (int i = 0; i < 3; ++i) backend.ProcessMessages();
}

// ctest runs two test programs at a time on one desktop, and the other one
// may take the activation (and the focus with it) at any moment. The form
// takes it back, and gets its focused control back as it does for a user.
void PumpActive(Backend& backend, HWND form) {
  for (int i = 0; i < 3; ++i) {
    backend.ProcessMessages();
    const bool taken = GetForegroundWindow() != form || GetActiveWindow() != form;
    if (taken && IsWindowVisible(form) && IsWindowEnabled(form)) {
      SetForegroundWindow(form);
      SetActiveWindow(form);
    }
  }
  backend.ProcessMessages();
}

// Runs the loop until `done` holds; the bound only keeps a fault from
// hanging the test.
bool PumpUntil(Backend& backend, const std::function<bool()>& done) {
  const DWORD start = GetTickCount();
  while (!done()) {
    if (GetTickCount() - start > 5000) return false;
    backend.WaitForInput(10);
    backend.ProcessMessages();
  }
  return true;
}

// A control that takes the arrow keys, as the viewer does.
class ArrowTaker : public TCustomControl {
 public:
  using TCustomControl::TCustomControl;
  std::vector<uint16_t> Keys;

 protected:
  bool CMWantSpecialKey(uint16_t key) override { return key >= vk::Left && key <= vk::Down; }
  void KeyDown(uint16_t& key, TShiftState) override { Keys.push_back(key); }
};

const TFormDescription kSearchForm = {
    .Name = "SearchForm",
    .Caption = "検索",
    .ClientWidth = 380,
    .ClientHeight = 210,
    .BorderStyle = bsDialog,
    .Controls =
        {
            {.Kind = TControlKind::Label,
             .Name = "Label1",
             .Left = 8,
             .Top = 12,
             .Width = 110,
             .Height = 16,
             .Caption = "検索文字列(&S):",
             .FocusControl = "Edit1"},
            {.Kind = TControlKind::Edit,
             .Name = "Edit1",
             .Left = 120,
             .Top = 8,
             .Width = 160,
             .Height = 22,
             .MaxLength = 8},
            {.Kind = TControlKind::CheckBox,
             .Name = "CaseBox",
             .Left = 8,
             .Top = 40,
             .Width = 220,
             .Height = 20,
             .Caption = "大文字小文字を区別(&C)",
             .OnClick = "CaseClick"},
            {.Kind = TControlKind::Button,
             .Name = "FindButton",
             .Left = 290,
             .Top = 8,
             .Width = 80,
             .Height = 24,
             .Caption = "次検索(&N)",
             .OnClick = "FindClick",
             .Default = true,
             .ModalResult = mrOk},
            {.Kind = TControlKind::Button,
             .Name = "CancelButton",
             .Left = 290,
             .Top = 40,
             .Width = 80,
             .Height = 24,
             .Caption = "ｷｬﾝｾﾙ",
             .Cancel = true,
             .ModalResult = mrCancel},
            {.Kind = TControlKind::PageControl,
             .Name = "Pages",
             .Left = 8,
             .Top = 72,
             .Width = 364,
             .Height = 130},
            {.Kind = TControlKind::TabSheet,
             .Name = "PageGeneral",
             .Caption = "一般",
             .Parent = "Pages"},
            {.Kind = TControlKind::TabSheet,
             .Name = "PageView",
             .Caption = "表示",
             .Parent = "Pages"},
            {.Kind = TControlKind::CheckBox,
             .Name = "WrapBox",
             .Left = 8,
             .Top = 8,
             .Width = 200,
             .Height = 20,
             .Caption = "折り返す(&W)",
             .Parent = "PageView"},
        },
};

struct FormRig : BackendScope {
  TForm form;
  int finds = 0, caseClicks = 0, changes = 0;

  FormRig() {
    form.Build(kSearchForm, THandlers()
                                .Notify("FindClick", [this](TObject&) { ++finds; })
                                .Notify("CaseClick", [this](TObject&) { ++caseClicks; }));
    Edit().OnChange = [this](TObject&) { ++changes; };
    form.ActiveControl = &Edit();
    form.SetBounds(120, 100, form.Width(), form.Height());
    form.HandleNeeded();
  }

  void Show() {
    form.Show();
    Pump(backend);
  }

  TEdit& Edit() { return form.Control<TEdit>("Edit1"); }
  TCheckBox& CaseBox() { return form.Control<TCheckBox>("CaseBox"); }
  TPageControl& Pages() { return form.Control<TPageControl>("Pages"); }
  HWND H(const std::string& name) { return HandleOf(*form.FindControl(name)); }
  HWND Form() { return HandleOf(form); }
};

// --- The windows of a form. ---

TEST(Win32Forms, ControlsAreThePlatformsOwnWithTheirTexts) {
  FormRig rig;
  struct Expected {
    const char* name;
    const wchar_t* className;
    LONG typeMask, type;  // of the style
    const wchar_t* text;
    bool tabStop;
  };
  const Expected table[] = {
      {"Label1", L"static", SS_TYPEMASK | SS_NOPREFIX, SS_LEFT, L"検索文字列(&S):", false},
      {"Edit1", L"edit", ES_AUTOHSCROLL, ES_AUTOHSCROLL, L"", true},
      {"CaseBox", L"button", BS_TYPEMASK, BS_CHECKBOX, L"大文字小文字を区別(&C)", true},
      {"FindButton", L"button", BS_TYPEMASK, BS_DEFPUSHBUTTON, L"次検索(&N)", true},
      {"CancelButton", L"button", BS_TYPEMASK, BS_PUSHBUTTON, L"ｷｬﾝｾﾙ", true},
      {"Pages", L"systabcontrol32", 0, 0, L"", true},
      {"PageGeneral", L"varlowindow", 0, 0, L"", false},
  };
  for (const Expected& e : table) {
    HWND h = rig.H(e.name);
    ASSERT_NE(h, nullptr) << e.name;
    EXPECT_EQ(ClassOf(h), e.className) << e.name;
    EXPECT_EQ(StyleOf(h) & e.typeMask, e.type) << e.name;
    EXPECT_EQ(TextOf(h), e.text) << e.name;
    EXPECT_EQ((StyleOf(h) & WS_TABSTOP) != 0, e.tabStop) << e.name;
    EXPECT_EQ(GetParent(h), e.name == std::string("PageGeneral") ? rig.H("Pages") : rig.Form())
        << e.name;
  }
  EXPECT_NE(ExStyleOf(rig.H("Edit1")) & WS_EX_CLIENTEDGE, 0);
  EXPECT_EQ(ClassOf(rig.Form()), L"varlowindow");
  EXPECT_EQ(TextOf(rig.Form()), L"検索");
  EXPECT_EQ(StyleOf(rig.Form()) & WS_CHILD, 0);

  // Each control draws with the form's font.
  const auto font = reinterpret_cast<HFONT>(SendMessageW(rig.H("Label1"), WM_GETFONT, 0, 0));
  EXPECT_EQ(font, win32::FontHandle(rig.form.Font()));
  EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageW(rig.H("Edit1"), WM_GETFONT, 0, 0)), font);

  // The notebook's tabs are its pages' captions.
  EXPECT_EQ(SendMessageW(rig.H("Pages"), TCM_GETITEMCOUNT, 0, 0), 2);
  EXPECT_EQ(TabText(rig.H("Pages"), 0), L"一般");
  EXPECT_EQ(TabText(rig.H("Pages"), 1), L"表示");

  // Captions changed later reach the windows.
  rig.form.Control<TLabel>("Label1").SetCaption("置換文字列(&R):");
  EXPECT_EQ(TextOf(rig.H("Label1")), L"置換文字列(&R):");
  rig.form.SetCaption("置換 - 日本語.txt");
  EXPECT_EQ(TextOf(rig.Form()), L"置換 - 日本語.txt");
  rig.form.Control<TButton>("FindButton").SetDefault(false);
  EXPECT_EQ(StyleOf(rig.H("FindButton")) & BS_TYPEMASK, BS_PUSHBUTTON);
}

TEST(Win32Forms, TabMovesThroughTheControlsInTheirOrder) {
  FormRig rig;
  auto& taker = rig.form.Owned<ArrowTaker>();
  taker.Name = "Taker";
  taker.SetBounds(240, 40, 40, 24);
  taker.SetTabStop(true);
  taker.HandleNeeded();
  rig.Show();
  // The notebook, then into the page shown, past the hidden one, and round
  // to the start.
  const std::vector<std::string> order = {"CaseBox", "FindButton", "CancelButton",
                                          "Pages",   "Taker",      "Edit1"};
  HWND at = rig.H("Edit1");
  rig.Edit().SetFocus();
  for (const std::string& next : order) {
    PostMessageW(at, WM_KEYDOWN, VK_TAB, 0);
    PumpActive(rig.backend, rig.Form());
    at = rig.H(next);
    EXPECT_EQ(GetFocus(), at) << "to " << next;
  }
  rig.Pages().SetActivePageIndex(1);
  at = rig.H("CancelButton");
  SetFocus(at);
  for (const char* next : {"Pages", "WrapBox", "Taker"}) {
    PostMessageW(at, WM_KEYDOWN, VK_TAB, 0);
    PumpActive(rig.backend, rig.Form());
    at = rig.H(next);
    EXPECT_EQ(GetFocus(), at) << "to " << next;
  }
  // An edit box reached by Tab has its text selected.
  rig.Edit().SetText("abc");
  PostMessageW(at, WM_KEYDOWN, VK_TAB, 0);
  PumpActive(rig.backend, rig.Form());
  ASSERT_EQ(GetFocus(), rig.H("Edit1"));
  DWORD from = 9, to = 9;
  SendMessageW(rig.H("Edit1"), EM_GETSEL, reinterpret_cast<WPARAM>(&from),
               reinterpret_cast<LPARAM>(&to));
  EXPECT_EQ(from, 0u);
  EXPECT_EQ(to, 3u);

  // A control that wants the arrows gets them; the focus stays.
  taker.SetFocus();
  PostMessageW(rig.H("Taker"), WM_KEYDOWN, VK_DOWN, 0);
  PostMessageW(rig.H("Taker"), WM_KEYDOWN, VK_LEFT, 0);
  PumpActive(rig.backend, rig.Form());
  EXPECT_EQ(taker.Keys, (std::vector<uint16_t>{vk::Down, vk::Left}));
  EXPECT_EQ(GetFocus(), rig.H("Taker"));
  PostMessageW(rig.H("Taker"), WM_KEYDOWN, VK_TAB, 0);
  PumpActive(rig.backend, rig.Form());
  EXPECT_EQ(GetFocus(), rig.H("Edit1"));
  // One that does not want them lets the dialog manager move on.
  rig.CaseBox().SetFocus();
  PostMessageW(rig.H("CaseBox"), WM_KEYDOWN, VK_DOWN, 0);
  PumpActive(rig.backend, rig.Form());
  EXPECT_EQ(GetFocus(), rig.H("FindButton"));
  EXPECT_FALSE(rig.CaseBox().Checked());
}

// --- Clicks, typing, keys. ---

TEST(Win32Forms, ClicksRunTheControlsHandlers) {
  FormRig rig;
  rig.Show();
  SendMessageW(rig.H("FindButton"), BM_CLICK, 0, 0);
  EXPECT_EQ(rig.finds, 1);

  // The check box's state is the control's, shown by the window.
  SendMessageW(rig.H("CaseBox"), BM_CLICK, 0, 0);
  EXPECT_TRUE(rig.CaseBox().Checked());
  EXPECT_EQ(SendMessageW(rig.H("CaseBox"), BM_GETCHECK, 0, 0), BST_CHECKED);
  SendMessageW(rig.H("CaseBox"), BM_CLICK, 0, 0);
  EXPECT_FALSE(rig.CaseBox().Checked());
  EXPECT_EQ(SendMessageW(rig.H("CaseBox"), BM_GETCHECK, 0, 0), BST_UNCHECKED);
  EXPECT_EQ(rig.caseClicks, 2);
  rig.CaseBox().SetChecked(true);
  EXPECT_EQ(SendMessageW(rig.H("CaseBox"), BM_GETCHECK, 0, 0), BST_CHECKED);
}

TEST(Win32Forms, TypingGivesShiftJisTextWithinTheByteLimit) {
  FormRig rig;
  rig.Show();
  HWND edit = rig.H("Edit1");
  SetWindowTextW(edit, L"日本");
  EXPECT_EQ(rig.Edit().Text(), "\x93\xfa\x96\x7b");
  EXPECT_EQ(rig.changes, 1);
  SetWindowTextW(edit, L"ｱｲ語ab");
  EXPECT_EQ(rig.Edit().Text(),
            "\xb1\xb2\x8c\xea"
            "ab");
  EXPECT_EQ(rig.changes, 2);

  // Nine bytes in a box of eight: refused, the text stays as it was.
  SetWindowTextW(edit, L"日本語abc");
  EXPECT_EQ(rig.Edit().Text(),
            "\xb1\xb2\x8c\xea"
            "ab");
  EXPECT_EQ(TextOf(edit), L"ｱｲ語ab");
  EXPECT_EQ(rig.changes, 2);
  // Exactly eight fit.
  SetWindowTextW(edit, L"日本語ab");
  EXPECT_EQ(rig.Edit().Text(),
            "\x93\xfa\x96\x7b\x8c\xea"
            "ab");

  // The program's own text shows as such and is no edit of the user's.
  rig.Edit().SetText("\x8c\x9f\x8d\xf5");  // 検索
  EXPECT_EQ(TextOf(edit), L"検索");
  EXPECT_EQ(rig.changes, 3);
  rig.Edit().SelectAll();
  DWORD from = 0, to = 0;
  SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&from), reinterpret_cast<LPARAM>(&to));
  EXPECT_EQ(from, 0u);
  EXPECT_EQ(to, 2u);

  // A letter typed into the box is text, not an accelerator.
  rig.Edit().SetText("");
  PostMessageW(edit, WM_CHAR, 'n', 0);
  PumpActive(rig.backend, rig.Form());
  EXPECT_EQ(rig.Edit().Text(), "n");
  EXPECT_EQ(rig.finds, 0);
}

// The platform's box, typed into: a form opens with its box's text
// selected, so that a typed key replaces it; a character the byte limit has
// no room for is refused and the caret stays, so Backspace takes back the
// last one that went in.
TEST(Win32Forms, TypedKeysReplaceTheTextTheBoxOpensWithUpToItsLimit) {
  FormRig rig;
  rig.Edit().SetText("abc");
  rig.Show();
  HWND edit = rig.H("Edit1");
  ASSERT_EQ(GetFocus(), edit);
  const auto selection = [&] {
    DWORD from = 9, to = 9;
    SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&from), reinterpret_cast<LPARAM>(&to));
    return std::make_pair(from, to);
  };
  EXPECT_EQ(selection(), std::make_pair(DWORD{0}, DWORD{3}));
  const auto type = [&](const std::wstring& keys) {
    for (wchar_t c : keys) PostMessageW(edit, WM_CHAR, c, 0);
    PumpActive(rig.backend, rig.Form());
  };
  type(L"x");
  EXPECT_EQ(rig.Edit().Text(), "x");
  // x, 日 (two bytes) and 12345 fill the eight bytes; 語 and 6 find no room.
  type(L"日12345");
  EXPECT_EQ(rig.Edit().Text(),
            "x\x93\xfa"
            "12345");
  type(L"語6");
  EXPECT_EQ(rig.Edit().Text(),
            "x\x93\xfa"
            "12345");
  EXPECT_EQ(TextOf(edit), L"x日12345");
  EXPECT_EQ(selection(), std::make_pair(DWORD{7}, DWORD{7}));
  type(L"\b\b");
  EXPECT_EQ(rig.Edit().Text(),
            "x\x93\xfa"
            "123");
}

TEST(Win32Forms, AcceleratorsFocusTogglePressOnce) {
  FormRig rig;
  rig.Show();
  rig.form.Control<TButton>("CancelButton").SetFocus();
  // Alt+S: the label's accelerator focuses its edit box.
  PostMessageW(rig.H("CancelButton"), WM_SYSCHAR, 's', 0);
  PumpActive(rig.backend, rig.Form());
  EXPECT_EQ(GetFocus(), rig.H("Edit1"));
  // Alt+C toggles the check box once, though the dialog manager knows
  // mnemonics as well.
  PostMessageW(rig.H("Edit1"), WM_SYSCHAR, 'c', 0);
  PumpActive(rig.backend, rig.Form());
  EXPECT_TRUE(rig.CaseBox().Checked());
  EXPECT_EQ(rig.caseClicks, 1);
  EXPECT_EQ(GetFocus(), rig.H("CaseBox"));
  // On a button or check box, the letter alone does it.
  PostMessageW(rig.H("CaseBox"), WM_CHAR, 'n', 0);
  PumpActive(rig.backend, rig.Form());
  EXPECT_EQ(rig.finds, 1);
  // A letter nobody has goes by.
  PostMessageW(rig.H("FindButton"), WM_SYSCHAR, 'q', 0);
  PumpActive(rig.backend, rig.Form());
  EXPECT_EQ(rig.finds, 1);
  EXPECT_EQ(rig.caseClicks, 1);
}

TEST(Win32Forms, NotebookPagesFollowTheTabs) {
  FormRig rig;
  rig.Show();
  EXPECT_TRUE(IsWindowVisible(rig.H("PageGeneral")));
  EXPECT_FALSE(IsWindowVisible(rig.H("PageView")));
  // The arrow key on the tabs: the tab control's own choice, reported back.
  rig.Pages().SetFocus();
  PostMessageW(rig.H("Pages"), WM_KEYDOWN, VK_RIGHT, 0);
  PumpActive(rig.backend, rig.Form());
  EXPECT_EQ(rig.Pages().ActivePageIndex(), 1);
  EXPECT_FALSE(IsWindowVisible(rig.H("PageGeneral")));
  EXPECT_TRUE(IsWindowVisible(rig.H("PageView")));
  EXPECT_TRUE(IsWindowVisible(rig.H("WrapBox")));
  // Renamed tabs keep the page chosen.
  rig.Pages().Page(0).SetCaption("全般");
  EXPECT_EQ(TabText(rig.H("Pages"), 0), L"全般");
  EXPECT_EQ(SendMessageW(rig.H("Pages"), TCM_GETCURSEL, 0, 0), 1);
  rig.Pages().SetActivePageIndex(0);
  EXPECT_EQ(SendMessageW(rig.H("Pages"), TCM_GETCURSEL, 0, 0), 0);
  EXPECT_TRUE(IsWindowVisible(rig.H("PageGeneral")));
}

// --- Modal forms. ---

TEST(Win32Modal, ShowModalReturnsTheResultOfTheButtonPressed) {
  FormRig rig;
  // A posted click, a click from a timer, Enter and Esc, each in the loop.
  PostMessageW(rig.H("FindButton"), BM_CLICK, 0, 0);
  EXPECT_EQ(rig.form.ShowModal(), mrOk);
  EXPECT_EQ(rig.finds, 1);
  EXPECT_FALSE(IsWindowVisible(rig.Form()));
  {
    Soon press([&] { SendMessageW(rig.H("CancelButton"), BM_CLICK, 0, 0); });
    EXPECT_EQ(rig.form.ShowModal(), mrCancel);
  }
  PostMessageW(rig.H("Edit1"), WM_KEYDOWN, VK_RETURN, 0);
  EXPECT_EQ(rig.form.ShowModal(), mrOk);
  EXPECT_EQ(rig.finds, 2);
  PostMessageW(rig.H("Edit1"), WM_KEYDOWN, VK_ESCAPE, 0);
  EXPECT_EQ(rig.form.ShowModal(), mrCancel);
  EXPECT_EQ(rig.finds, 2);
  // The close box asks the form, which closes as cancelled.
  PostMessageW(rig.Form(), WM_CLOSE, 0, 0);
  EXPECT_EQ(rig.form.ShowModal(), mrCancel);
  EXPECT_TRUE(IsWindow(rig.Form()));
  // A click sent from another thread, as accessibility tools send it, is
  // handled while the loop looks for input and ends it at once.
  {
    HWND button = rig.H("CancelButton");
    HWND form = rig.Form();
    std::thread other([button, form] {
      while (!IsWindowVisible(form)) Sleep(10);
      Sleep(50);
      SendMessageW(button, BM_CLICK, 0, 0);
    });
    EXPECT_EQ(rig.form.ShowModal(), mrCancel);
    other.join();
  }
}

// The top-level form of this thread on show, but for `except`.
HWND OtherVisibleForm(HWND except) {
  struct Search {
    HWND except, found;
  } search{except, nullptr};
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND h, LPARAM p) {
        auto* s = reinterpret_cast<Search*>(p);
        if (h == s->except || !IsWindowVisible(h) || ClassOf(h) != L"varlowindow") return TRUE;
        s->found = h;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

TEST(Win32Modal, AMessageBoxInsideAModalFormReturnsToIt) {
  FormRig rig;
  TModalResult inner = mrNone;
  std::wstring boxCaption;
  bool outerEnabledMeanwhile = true;
  HWND activeAfter = nullptr;
  rig.form.Control<TButton>("FindButton").OnClick = [&](TObject&) {
    Soon answer([&] {
      HWND box = OtherVisibleForm(rig.Form());
      boxCaption = TextOf(box);
      outerEnabledMeanwhile = IsWindowEnabled(rig.Form()) != FALSE;
      // Enter in the box presses its default button, "いいえ".
      PostMessageW(box, WM_KEYDOWN, VK_RETURN, 0);
    });
    inner = MessageDlg("置換しますか?", mtConfirmation, {mbYes, mbNo}, 1, 1);
    activeAfter = GetActiveWindow();
  };
  PostMessageW(rig.H("FindButton"), BM_CLICK, 0, 0);
  EXPECT_EQ(rig.form.ShowModal(), mrOk);
  EXPECT_EQ(inner, mrNo);
  EXPECT_EQ(boxCaption, L"確認");
  EXPECT_FALSE(outerEnabledMeanwhile);
  EXPECT_TRUE(IsWindowEnabled(rig.Form()));
  // The box gave the activation back to the form it was opened from.
  EXPECT_EQ(activeAfter, rig.Form());
}

TEST(Win32Modal, AQuitMetInAModalLoopEndsItAndReachesTheMainLoop) {
  FormRig rig;
  Soon quit([&] { rig.backend.Terminate(); });
  EXPECT_EQ(rig.form.ShowModal(), mrCancel);
  // The quit is still there for the program's loop, which ends at once.
  rig.backend.RunMessageLoop();
  MSG msg;
  EXPECT_FALSE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE));
}

// --- Menus. ---

struct MenuRig : FormRig {
  TMainMenu menu;
  TPopupMenu popup;
  int opens = 0, contents = 0, popups = 0;

  MenuRig() {
    TMenuItem& file = menu.Items.Add("File", "ファイル(&F)");
    TMenuItem& open = file.Add("Open", "開く(&O)...", [this](TObject&) { ++opens; });
    open.ShortCutKey = vk::Key('O');
    open.ShortCutShift = ssCtrl;
    file.Add("Line", "-");
    file.Add("Exit", "終了(&X)");
    menu.Items.Add("Edit", "編集(&E)").Add("Copy", "コピー(&C)");
    menu.Items.Item(1).SetEnabled(false);
    TMenuItem& help = menu.Items.Add("Help", "ヘルプ(&H)");
    help.Add("Contents", "目次(&C)", [this](TObject&) { ++contents; }).ShortCutKey = vk::F1;
    popup.Items.Add("Copy", "コピー(&C)", [this](TObject&) { ++popups; });
    form.SetMenu(&menu);
    form.PopupMenu = &popup;
  }
};

TEST(Win32Menus, TheMenuBarShowsCaptionsStatesAndShortcuts) {
  MenuRig rig;
  HMENU bar = GetMenu(rig.Form());
  ASSERT_NE(bar, nullptr);
  ASSERT_EQ(GetMenuItemCount(bar), 3);
  EXPECT_EQ(MenuText(bar, 0), L"ファイル(&F)");
  EXPECT_EQ(MenuText(bar, 1), L"編集(&E)");
  EXPECT_EQ(MenuText(bar, 2), L"ヘルプ(&H)");
  EXPECT_EQ(GetMenuState(bar, 0, MF_BYPOSITION) & MF_GRAYED, 0u);
  EXPECT_NE(GetMenuState(bar, 1, MF_BYPOSITION) & MF_GRAYED, 0u);
  HMENU file = GetSubMenu(bar, 0);
  ASSERT_EQ(GetMenuItemCount(file), 3);
  EXPECT_EQ(MenuText(file, 0), L"開く(&O)...\tCtrl+O");
  EXPECT_NE(GetMenuState(file, 1, MF_BYPOSITION) & MF_SEPARATOR, 0u);
  EXPECT_EQ(MenuText(file, 2), L"終了(&X)");
  EXPECT_EQ(MenuText(GetSubMenu(bar, 2), 0), L"目次(&C)\tF1");

  // A state changed later shows at once.
  rig.menu.Items.Find("Open")->SetEnabled(false);
  EXPECT_NE(GetMenuState(GetSubMenu(GetMenu(rig.Form()), 0), 0, MF_BYPOSITION) & MF_GRAYED, 0u);
  rig.menu.Items.Find("Open")->SetEnabled(true);
  EXPECT_EQ(GetMenuState(GetSubMenu(GetMenu(rig.Form()), 0), 0, MF_BYPOSITION) & MF_GRAYED, 0u);
}

TEST(Win32Menus, ChoosingAnItemOrItsShortcutRunsIt) {
  MenuRig rig;
  rig.Show();
  const UINT openId = GetMenuItemID(GetSubMenu(GetMenu(rig.Form()), 0), 0);
  SendMessageW(rig.Form(), WM_COMMAND, MAKEWPARAM(openId, 0), 0);
  EXPECT_EQ(rig.opens, 1);
  // F1 from the focused edit box reaches the menu through the form.
  PostMessageW(rig.H("Edit1"), WM_KEYDOWN, VK_F1, 0);
  PumpActive(rig.backend, rig.Form());
  EXPECT_EQ(rig.contents, 1);
  EXPECT_EQ(rig.Edit().Text(), "");
}

TEST(Win32Menus, TheContextMenuKeyShowsTheFormsPopup) {
  MenuRig rig;
  rig.Show();
  // The pop-up runs its own loop; the keys choose its first item there.
  Soon choose([&] {
    PostMessageW(rig.Form(), WM_KEYDOWN, VK_DOWN, 0);
    PostMessageW(rig.Form(), WM_KEYDOWN, VK_RETURN, 0);
  });
  PostMessageW(rig.Form(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(rig.Form()), -1);
  EXPECT_TRUE(PumpUntil(rig.backend, [&] { return rig.popups == 1; }));
}

// --- Dropped files. ---

TEST(Win32Forms, DroppedFilesReachTheFormWithTheirWholeNames) {
  FormRig rig;
  std::vector<std::string> got;
  rig.form.OnDropFiles = [&](TObject&, const std::vector<std::string>& names) { got = names; };
  rig.form.AcceptFiles(true);
  EXPECT_NE(ExStyleOf(rig.Form()) & WS_EX_ACCEPTFILES, 0);
  const std::wstring longName = L"C:\\logs\\" + std::wstring(320, L'x') + L".log";
  PostMessageW(rig.Form(), WM_DROPFILES,
               reinterpret_cast<WPARAM>(DropOf({longName, L"C:\\データ\\日本語.txt"})), 0);
  PumpActive(rig.backend, rig.Form());
  ASSERT_EQ(got.size(), 2u);
  EXPECT_EQ(got[0], "C:\\logs\\" + std::string(320, 'x') + ".log");
  EXPECT_EQ(got[1], "C:\\データ\\日本語.txt");
}

// --- Timers. ---

TEST(Win32Timers, TimersFireInEveryLoopAndStop) {
  BackendScope scope;
  TTimer timer;
  int fired = 0;
  timer.OnTimer = [&](TObject&) { ++fired; };
  timer.SetInterval(10);
  EXPECT_TRUE(PumpUntil(scope.backend, [&] { return fired >= 3; }));
  timer.SetInterval(0);
  const int stopped = fired;
  for (int i = 0; i < 5; ++i) {
    scope.backend.WaitForInput(10);
    scope.backend.ProcessMessages();
  }
  EXPECT_EQ(fired, stopped);

  // In a modal form's loop.
  TForm form;
  form.SetBounds(60, 60, 200, 100);
  fired = 0;
  timer.OnTimer = [&](TObject&) {
    if (++fired == 3) form.Close();
  };
  timer.SetInterval(10);
  EXPECT_EQ(form.ShowModal(), mrCancel);
  EXPECT_EQ(fired, 3);
  timer.SetInterval(0);

  // In the platform's own loop: the error box, answered from a timer.
  std::wstring caption;
  Soon answer([&](HWND box) {
    caption = TextOf(box);
    PostMessageW(box, WM_COMMAND, IDOK, 0);
  });
  scope.backend.ShowError("ファイルを開けません");
  EXPECT_EQ(caption, L"Varlo");
}

// --- Services. ---

TEST(Win32Services, ClipboardRoundTripsShiftJisText) {
  BackendScope scope;
  const std::string text = "\x93\xfa\x96\x7b\x8c\xea \xc3\xbd\xc4 abc\r\n";  // 日本語 ﾃｽﾄ abc
  scope.backend.SetClipboardText(text);
  // Other programs see it as Unicode text.
  ASSERT_TRUE(OpenClipboard(nullptr));
  HANDLE data = GetClipboardData(CF_UNICODETEXT);
  ASSERT_NE(data, nullptr);
  EXPECT_EQ(std::wstring(static_cast<const wchar_t*>(GlobalLock(data))), L"日本語 ﾃｽﾄ abc\r\n");
  GlobalUnlock(data);
  CloseClipboard();
  EXPECT_EQ(scope.backend.ClipboardText(), text);
}

TEST(Win32Services, AClipboardHeldElsewhereIsAClearError) {
  BackendScope scope;
  std::atomic<int> stage = 0;
  std::thread holder([&] {
    if (OpenClipboard(nullptr)) {
      stage = 1;
      while (stage == 1) Sleep(1);
      CloseClipboard();
    } else {
      stage = -1;
    }
  });
  while (stage == 0) Sleep(1);
  ASSERT_EQ(stage, 1);
  std::string message;
  try {
    scope.backend.ClipboardText();
  } catch (const Exception& e) {
    message = e.what();
  }
  stage = 2;
  holder.join();
  EXPECT_NE(message.find("クリップボード"), std::string::npos) << message;
}

TEST(Win32Services, CommandLineSplitsIntoArguments) {
  const struct {
    const wchar_t* line;
    std::vector<std::wstring> args;
  } cases[] = {
      {L"varlo.exe a b", {L"a", L"b"}},
      {L"varlo.exe \"a b\" c", {L"a b", L"c"}},
      {L"varlo.exe /I", {L"/I"}},
      {L"varlo.exe x\"y z\"w", {L"xy zw"}},
      {L"varlo.exe\ta\t\tb \t", {L"a", L"b"}},
      {L"varlo.exe", {}},
      {L"varlo.exe   ", {}},
      {L"", {}},
      {L"\"C:\\Program Files\\Varlo\\varlo.exe\" 日本語.txt", {L"日本語.txt"}},
      // No backslash escapes: a quoted folder may end in one.
      {L"varlo.exe \"C:\\ログ\\\" next", {L"C:\\ログ\\", L"next"}},
      {L"varlo.exe \"open to the end", {L"open to the end"}},
      {L"varlo.exe \"\" b", {L"", L"b"}},
  };
  for (const auto& c : cases)
    EXPECT_EQ(win32::SplitCommandLine(c.line), c.args) << "line: " << c.line;
}

TEST(Win32Services, ExecutablePathNamesThisProgram) {
  BackendScope scope;
  const std::string path = scope.backend.ExecutablePath();
  const std::string name = "win32_toolkit_tests.exe";
  ASSERT_GE(path.size(), name.size());
  EXPECT_EQ(path.substr(path.size() - name.size()), name);
  EXPECT_TRUE(std::filesystem::exists(PathFromUtf8(path))) << path;
}

// --- The common dialogs, answered from a timer in their own loops. ---

TEST(Win32Dialogs, FontDialogGivesBackNameHeightAndColour) {
  BackendScope scope;
  TFontDialog dialog;
  dialog.Font.Name = "DejaVu Sans";
  dialog.Font.SetSize(12);
  dialog.Font.Color = clRed;
  Soon ok([](HWND d) { PostMessageW(d, WM_COMMAND, IDOK, 0); });
  EXPECT_TRUE(dialog.Execute());
  EXPECT_EQ(dialog.Font.Name, "DejaVu Sans");
  EXPECT_EQ(dialog.Font.Height, -16);
  EXPECT_EQ(dialog.Font.Color, clRed);
}

TEST(Win32Dialogs, OpenDialogGivesTheNameAndKeepsTheFolder) {
  BackendScope scope;
  testing::TempDir dir;
  const std::filesystem::path file = dir.Write(PathFromUtf8("日本語のログ.txt"), "x");
  TOpenDialog dialog;
  dialog.Filter = "テキスト (*.txt)|*.txt|すべて (*.*)|*.*";
  dialog.FileName = Utf8FromPath(file);
  Soon ok([](HWND d) { PostMessageW(d, WM_COMMAND, IDOK, 0); });
  ASSERT_TRUE(dialog.Execute());
  EXPECT_EQ(dialog.FileName, Utf8FromPath(file));
  // A bare name is looked for where the last one was chosen.
  dialog.FileName = "日本語のログ.txt";
  Soon again([](HWND d) { PostMessageW(d, WM_COMMAND, IDOK, 0); });
  ASSERT_TRUE(dialog.Execute());
  EXPECT_EQ(PathFromUtf8(dialog.FileName), file);
}

}  // namespace
}  // namespace varlo
