// The main window on the real platform, in this process: files dropped on
// it as the shell drops them (another process cannot hand over a drop: the
// names live in memory of the process that made them), real mouse and key
// input, minimising and restoring, the focus, its dialogs' first focus, and
// the end of the session.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "app/main_form.h"
#include "dialogs/notice_form.h"
#include "dialogs/wrap_switch_form.h"
#include "platform/application.h"
#include "platform/control.h"
#include "platform/text.h"
#include "platform/timer.h"
#include "platform/win32/backend.h"
#include "platform/win32/codepage.h"
#include "tests/support/temp_dir.h"
#include "tests/win32/drop.h"
#include "tests/win32/program_backend.h"

namespace varlo {
namespace {

namespace fs = std::filesystem;
using testing::DropOf;
using win32::FromWide;
using win32::HandleOf;
using win32::kUtf8;

std::string Utf8Text(HWND h) {
  std::wstring s(static_cast<size_t>(GetWindowTextLengthW(h)) + 1, L'\0');
  s.resize(static_cast<size_t>(GetWindowTextW(h, s.data(), static_cast<int>(s.size()))));
  return FromWide(kUtf8, s);
}

// Input as the user gives it: through the system's input queue.
void SendKey(WORD vk, bool shift = false) {
  std::vector<INPUT> in;
  const auto key = [&](WORD k, DWORD flags) {
    INPUT i{};
    i.type = INPUT_KEYBOARD;
    i.ki.wVk = k;
    i.ki.dwFlags = flags;
    in.push_back(i);
  };
  if (shift) key(VK_SHIFT, 0);
  key(vk, 0);
  key(vk, KEYEVENTF_KEYUP);
  if (shift) key(VK_SHIFT, KEYEVENTF_KEYUP);
  SendInput(static_cast<UINT>(in.size()), in.data(), sizeof(INPUT));
}

// A mouse event at a place on the screen, which it moves the pointer to.
void SendMouseAt(POINT at, DWORD flags, DWORD data = 0) {
  INPUT i{};
  i.type = INPUT_MOUSE;
  i.mi.dx = MulDiv(at.x, 65535, GetSystemMetrics(SM_CXSCREEN) - 1);
  i.mi.dy = MulDiv(at.y, 65535, GetSystemMetrics(SM_CYSCREEN) - 1);
  i.mi.dwFlags = flags | MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
  i.mi.mouseData = data;
  SendInput(1, &i, sizeof(INPUT));
}
// At the pointer's place, given with it, so that a late move of the pointer
// cannot put the event elsewhere.
void SendMouse(DWORD flags, DWORD data = 0) {
  POINT at{};
  GetCursorPos(&at);
  SendMouseAt(at, flags, data);
}

struct WindowRig {
  testing::TempDir dir;
  testing::ProgramBackend backend{dir.Path()};
  std::unique_ptr<TForm1> form;

  WindowRig() {
    SetCurrentBackend(&backend);
    form = std::make_unique<TForm1>();
    form->Show();
  }
  ~WindowRig() {
    ControlEvents::Run([&] { form->Destroy(); });
    form.reset();
    SetCurrentBackend(nullptr);
  }
  HWND Window() { return HandleOf(*form); }
  HWND View() { return HandleOf(form->BigView1); }

  // The main window in front with the text focused, showing a file of
  // `lines` lines of 100 bytes.
  void Open(int lines) {
    std::string text;
    for (int i = 0; i < lines; ++i) {
      const std::string n = std::to_string(i);
      text += n + std::string(100 - n.size(), 'x') + "\r\n";
    }
    const fs::path file = dir.Write(L"lines.txt", text);
    form->FFileName = Utf8FromPath(file);
    form->BigView1.LoadFromFile(file);
    SetForegroundWindow(Window());
    SetFocus(View());
    PumpUntil([&] { return GetFocus() == View(); });
  }

  bool PumpUntil(const std::function<bool()>& done) { return testing::PumpUntil(backend, done); }
};

// Collects the texts of the first visible box of this thread and presses
// its button, from inside the box's own loop.
class BoxReader {
 public:
  BoxReader() {
    FTimer.OnTimer = [this](TObject&) {
      HWND box = nullptr;
      EnumThreadWindows(
          GetCurrentThreadId(),
          [](HWND h, LPARAM out) -> BOOL {
            if (!IsWindowVisible(h) || Utf8Text(h) != "警告") return TRUE;
            *reinterpret_cast<HWND*>(out) = h;
            return FALSE;
          },
          reinterpret_cast<LPARAM>(&box));
      if (box == nullptr) return;
      FTimer.SetInterval(0);
      HWND button = nullptr;
      for (HWND c = GetWindow(box, GW_CHILD); c != nullptr; c = GetWindow(c, GW_HWNDNEXT)) {
        texts.push_back(Utf8Text(c));
        wchar_t name[32] = {};
        GetClassNameW(c, name, 32);
        if (_wcsicmp(name, L"Button") == 0) button = c;
      }
      if (button != nullptr) SendMessageW(button, BM_CLICK, 0, 0);
    };
    FTimer.SetInterval(20);
  }
  std::vector<std::string> texts;

 private:
  TTimer FTimer;
};

TEST(MainWindow, ADroppedFileOpensWithItsWholeName) {
  WindowRig rig;
  ASSERT_EQ(Utf8Text(rig.Window()), "Varlo (ﾒｲﾝ)");
  EXPECT_NE(GetWindowLongW(rig.Window(), GWL_EXSTYLE) & WS_EX_ACCEPTFILES, 0);
  const fs::path file =
      rig.dir.Write(L"ログ" + std::wstring(40, L'あ') + L".txt", "\x93\xfa\x96\x7b\r\nabc\r\n");
  const fs::path other = rig.dir.Write(L"other.txt", "x\r\n");
  PostMessageW(rig.Window(), WM_DROPFILES,
               reinterpret_cast<WPARAM>(DropOf({file.wstring(), other.wstring()})), 0);
  const std::string caption = "Varlo (ﾒｲﾝ)  " + Utf8FromPath(file) + "  全行数 : 2 (2)";
  EXPECT_TRUE(rig.PumpUntil([&] { return Utf8Text(rig.Window()) == caption; }))
      << Utf8Text(rig.Window());
  EXPECT_EQ(rig.form->BigView1.LineCount(), 2);
}

TEST(MainWindow, ADroppedFolderGivesTheCannotOpenWarning) {
  WindowRig rig;
  BoxReader reader;
  PostMessageW(rig.Window(), WM_DROPFILES,
               reinterpret_cast<WPARAM>(DropOf({rig.dir.Path().wstring()})), 0);
  EXPECT_TRUE(rig.PumpUntil([&] { return !reader.texts.empty(); }));
  EXPECT_NE(std::find(reader.texts.begin(), reader.texts.end(),
                      "   指定されたファイルがオープンできません。          "),
            reader.texts.end());
  EXPECT_NE(std::find(reader.texts.begin(), reader.texts.end(), "中止(&A)"), reader.texts.end());
  EXPECT_EQ(Utf8Text(rig.Window()), "Varlo (ﾒｲﾝ)");
  EXPECT_TRUE(IsWindow(rig.Window()));
}

TEST(MainWindow, MinimisingKeepsTheLayoutAndTheTopLine) {
  // At a set column and at the window width, where a layout for an empty
  // client area would cut every line into single characters.
  for (const int64_t wrap : {80, 0}) {
    WindowRig rig;
    rig.form->BigView1.SetWrapByte(wrap);
    rig.Open(300);
    TBigView& view = rig.form->BigView1;
    view.SetTopLine(50);
    const int64_t views = view.ViewCount();
    const TRect bounds = view.BoundsRect();
    ShowWindow(rig.Window(), SW_MINIMIZE);
    EXPECT_TRUE(rig.PumpUntil([&] { return IsIconic(rig.Window()) != FALSE; }));
    EXPECT_EQ(view.ViewCount(), views) << "wrap " << wrap;
    EXPECT_EQ(view.TopLine(), 50) << "wrap " << wrap;
    EXPECT_EQ(view.BoundsRect(), bounds) << "wrap " << wrap;
    ShowWindow(rig.Window(), SW_RESTORE);
    EXPECT_TRUE(rig.PumpUntil([&] { return IsIconic(rig.Window()) == FALSE; }));
    EXPECT_EQ(view.ViewCount(), views) << "wrap " << wrap;
    EXPECT_EQ(view.TopLine(), 50) << "wrap " << wrap;
  }
}

TEST(MainWindow, RightClickAndTheMenuKeysOpenThePopUpMenu) {
  WindowRig rig;
  rig.Open(10);
  POINT at{120, 60};
  ClientToScreen(rig.View(), &at);
  SetCursorPos(at.x, at.y);
  ASSERT_TRUE(rig.PumpUntil([&] {
    POINT now{};
    GetCursorPos(&now);
    return now.x == at.x && now.y == at.y && WindowFromPoint(now) == rig.View();
  }));
  {
    // The system's own place of the pointer may lag the one asked for: a
    // move through the input queue must reach the view there first.
    static POINT seen;
    static HWND seenBy;
    seenBy = nullptr;
    HHOOK hook = SetWindowsHookExW(
        WH_MOUSE,
        [](int code, WPARAM wp, LPARAM lp) -> LRESULT {
          if (code == HC_ACTION && wp == WM_MOUSEMOVE) {
            const auto* m = reinterpret_cast<const MOUSEHOOKSTRUCT*>(lp);
            seen = m->pt;
            seenBy = m->hwnd;
          }
          return CallNextHookEx(nullptr, code, wp, lp);
        },
        nullptr, GetCurrentThreadId());
    ASSERT_NE(hook, nullptr);
    // Away by 8 pixels and back, each seen by the view, within the pixel
    // the scaling of the input may take.
    bool there = true;
    for (const LONG dx : {8, 0}) {
      SendMouseAt({at.x + dx, at.y}, 0);
      there = there && rig.PumpUntil([&] {
        return seenBy == rig.View() && std::abs(seen.x - at.x - dx) <= 2 &&
               std::abs(seen.y - at.y) <= 2;
      });
    }
    UnhookWindowsHookEx(hook);
    ASSERT_TRUE(there);
  }
  SendMouse(MOUSEEVENTF_RIGHTDOWN);
  SendMouse(MOUSEEVENTF_RIGHTUP);
  ASSERT_TRUE(rig.PumpUntil([&] { return rig.backend.popups.size() == 1; }));
  EXPECT_EQ(rig.backend.popups[0].menu, &rig.form->PopupMenu1);
  // At the pointer (the system may move it by a pixel on its way).
  EXPECT_LE(std::abs(rig.backend.popups[0].at.X - at.x), 2);
  EXPECT_LE(std::abs(rig.backend.popups[0].at.Y - at.y), 2);
  // From the keyboard: at the caret, on the first line of the text, not at
  // the pointer.
  POINT origin{0, 0};
  ClientToScreen(rig.View(), &origin);
  const auto atTheCaret = [&](TPoint p) {
    return p.X == origin.x && p.Y >= origin.y && p.Y <= origin.y + rig.form->BigView1.LineHeight();
  };
  SendKey(VK_APPS);
  ASSERT_TRUE(rig.PumpUntil([&] { return rig.backend.popups.size() == 2; }));
  EXPECT_TRUE(atTheCaret(rig.backend.popups[1].at));
  SendKey(VK_F10, true);
  ASSERT_TRUE(rig.PumpUntil([&] { return rig.backend.popups.size() == 3; }));
  EXPECT_TRUE(atTheCaret(rig.backend.popups[2].at));
}

TEST(MainWindow, TheTextHasTheFocusAgainAfterARestoreOrAnotherWindow) {
  WindowRig rig;
  rig.Open(10);
  ShowWindow(rig.Window(), SW_MINIMIZE);
  rig.PumpUntil([&] { return IsIconic(rig.Window()) != FALSE; });
  ShowWindow(rig.Window(), SW_RESTORE);
  SetForegroundWindow(rig.Window());
  EXPECT_TRUE(rig.PumpUntil([&] { return GetFocus() == rig.View(); }));

  HWND other = CreateWindowExW(0, L"STATIC", L"other", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200,
                               100, nullptr, nullptr, nullptr, nullptr);
  SetForegroundWindow(other);
  rig.PumpUntil([&] { return GetForegroundWindow() == other; });
  SetForegroundWindow(rig.Window());
  EXPECT_TRUE(rig.PumpUntil([&] { return GetFocus() == rig.View(); }));
  DestroyWindow(other);
}

TEST(MainWindow, TheWheelScrollsByTheSystemsSetting) {
  WindowRig rig;
  rig.Open(300);
  UINT lines = 3;
  SystemParametersInfoW(SPI_GETWHEELSCROLLLINES, 0, &lines, 0);
  RECT r{};
  GetWindowRect(rig.View(), &r);
  SetCursorPos((r.left + r.right) / 2, (r.top + r.bottom) / 2);
  SendMouse(MOUSEEVENTF_WHEEL, static_cast<DWORD>(-2 * WHEEL_DELTA));
  const int64_t expected = std::min<int64_t>(2 * lines, rig.form->BigView1.PageLines() - 1) * 2 / 2;
  EXPECT_TRUE(rig.PumpUntil([&] { return rig.form->BigView1.TopLine() > 0; }));
  EXPECT_EQ(rig.form->BigView1.TopLine(),
            lines == WHEEL_PAGESCROLL ? rig.form->BigView1.TopLine() : expected);
  // The scroll bar follows.
  EXPECT_EQ(GetScrollPos(rig.View(), SB_VERT), rig.form->BigView1.TopLine());
}

TEST(MainWindow, TheSessionsEndSavesTheSettings) {
  WindowRig rig;
  Application().SetMainForm(rig.form.get());
  EXPECT_EQ(SendMessageW(rig.Window(), WM_QUERYENDSESSION, 0, 0), TRUE);
  SendMessageW(rig.Window(), WM_ENDSESSION, TRUE, 0);
  Application().SetMainForm(nullptr);
  const std::string ini = testing::ReadAll(rig.dir.Path() / "varlo.INI");
  EXPECT_NE(ini.find("[FormMain]\r\nMem=0\r\n"), std::string::npos) << ini;
}

// A modal form of the main window, with a check run from inside its loop.
void ShowWithin(TForm& form, const std::function<void()>& inside) {
  TTimer once;
  once.OnTimer = [&](TObject&) {
    once.SetInterval(0);
    inside();
  };
  once.SetInterval(50);
  // A form that does not close by itself fails the test rather than hang it.
  TTimer limit;
  limit.OnTimer = [&](TObject&) {
    ADD_FAILURE() << form.Name << " did not close";
    form.Close();
  };
  limit.SetInterval(5000);
  form.ShowModal();
}

TEST(MainWindow, DialogsOpenWithTheirFirstUsableControlFocused) {
  WindowRig rig;
  TWrapSwitchDialog wrap(*rig.form);
  wrap.BtnWrapOn().SetEnabled(false);
  rig.form->FWrapChoice = wcNone;
  ShowWithin(wrap, [&] {
    EXPECT_FALSE(IsWindowEnabled(HandleOf(wrap.BtnWrapOn())));
    EXPECT_EQ(GetFocus(), HandleOf(wrap.BtnWrapOff()));
    SendKey(VK_RETURN);
  });
  EXPECT_EQ(rig.form->FWrapChoice, wcSetColumn);
}

TEST(MainWindow, TheNoticeClosesOnTabAndTheArrowKeys) {
  WindowRig rig;
  for (const WORD key : {VK_TAB, VK_DOWN, VK_LEFT}) {
    TNoticeDialog notice;
    ShowWithin(notice, [&] { SendKey(key); });
    EXPECT_TRUE(notice.Closed()) << key;
  }
}

}  // namespace
}  // namespace varlo
