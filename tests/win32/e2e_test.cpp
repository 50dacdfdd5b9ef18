// varlo.exe end to end under Wine: started as a user starts it, driven with
// window messages as keys and clicks would drive it, read back through its
// windows and the settings file it writes.
#include <gtest/gtest.h>
#include <shlobj.h>
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "platform/win32/codepage.h"
#include "tests/support/temp_dir.h"

namespace varlo {
namespace {

namespace fs = std::filesystem;
using win32::FromWide;
using win32::kShiftJis;
using win32::kUtf8;
using win32::ToWide;

std::wstring Text(HWND h) {
  const int n = GetWindowTextLengthW(h);
  std::wstring s(static_cast<size_t>(n) + 1, L'\0');
  s.resize(static_cast<size_t>(GetWindowTextW(h, s.data(), n + 1)));
  return s;
}

std::string Utf8Text(HWND h) { return FromWide(kUtf8, Text(h)); }

std::wstring ClassOf(HWND h) {
  wchar_t name[128] = {};
  GetClassNameW(h, name, 128);
  return name;
}

// Polls until `found` gives a window or the time is up.
HWND WaitFor(const std::function<HWND()>& found, int ms = 15000) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (std::chrono::steady_clock::now() < end) {
    if (HWND h = found()) return h;
    Sleep(50);
  }
  return nullptr;
}

// The visible top-level window of a process whose caption starts so.
HWND TopLevel(DWORD pid, const std::string& captionStart) {
  struct Search {
    DWORD pid;
    std::string start;
    HWND found = nullptr;
  } search{pid, captionStart};
  EnumWindows(
      [](HWND h, LPARAM p) -> BOOL {
        auto* s = reinterpret_cast<Search*>(p);
        DWORD owner = 0;
        GetWindowThreadProcessId(h, &owner);
        if (owner == s->pid && IsWindowVisible(h) && Utf8Text(h).rfind(s->start, 0) == 0) {
          s->found = h;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

std::vector<HWND> Children(HWND parent) {
  std::vector<HWND> all;
  EnumChildWindows(
      parent,
      [](HWND h, LPARAM p) -> BOOL {
        reinterpret_cast<std::vector<HWND>*>(p)->push_back(h);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&all));
  return all;
}

// A copy of varlo.exe in a folder of its own, so its settings file is the
// test's alone.
class Varlo {
 public:
  Varlo() {
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    const fs::path built = fs::path(self).parent_path().parent_path() / L"app" / L"varlo.exe";
    FExe = dir.Path() / L"varlo.exe";
    fs::copy_file(built, FExe);
  }
  ~Varlo() {
    if (FProcess.hProcess != nullptr) {
      if (WaitForSingleObject(FProcess.hProcess, 0) == WAIT_TIMEOUT)
        TerminateProcess(FProcess.hProcess, 1);
      CloseHandle(FProcess.hProcess);
      CloseHandle(FProcess.hThread);
    }
  }

  void Start(const std::wstring& arguments) {
    std::wstring line = L"\"" + FExe.wstring() + L"\" " + arguments;
    STARTUPINFOW si{};
    si.cb = sizeof si;
    ASSERT_TRUE(CreateProcessW(FExe.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                               dir.Path().c_str(), &si, &FProcess))
        << "CreateProcessW failed: " << GetLastError();
    WaitForInputIdle(FProcess.hProcess, 10000);
  }
  DWORD Pid() const { return FProcess.dwProcessId; }
  HWND Main() {
    return WaitFor([&] { return TopLevel(Pid(), "Varlo (ﾒｲﾝ)"); });
  }
  // Waits for the program to end; its exit code.
  DWORD Exit() {
    EXPECT_EQ(WaitForSingleObject(FProcess.hProcess, 15000), WAIT_OBJECT_0);
    DWORD code = 999;
    GetExitCodeProcess(FProcess.hProcess, &code);
    return code;
  }
  std::string Ini() { return testing::ReadAll(dir.Path() / L"varlo.INI"); }

  testing::TempDir dir;

 private:
  fs::path FExe;
  PROCESS_INFORMATION FProcess{};
};

// The viewer: the child of the main window that has the vertical bar. The
// main window can show before its children have their final styles.
HWND Viewer(HWND main) {
  return WaitFor(
      [&]() -> HWND {
        for (HWND c : Children(main))
          if (GetWindowLongW(c, GWL_STYLE) & WS_VSCROLL) return c;
        return nullptr;
      },
      5000);
}

void Key(HWND target, WPARAM vk) {
  PostMessageW(target, WM_KEYDOWN, vk, 1);
  PostMessageW(target, WM_KEYUP, vk, static_cast<LPARAM>(0xC0000001u));
}

// Waits until the condition holds.
bool Eventually(const std::function<bool()>& holds, int ms = 5000) {
  return WaitFor([&] { return holds() ? reinterpret_cast<HWND>(1) : nullptr; }, ms) != nullptr;
}

using Pixels = std::vector<uint32_t>;

// The client area of a window as the screen shows it.
Pixels Capture(HWND h) {
  RECT r{};
  GetClientRect(h, &r);
  POINT origin{0, 0};
  ClientToScreen(h, &origin);
  const int w = r.right, ht = r.bottom;
  if (w <= 0 || ht <= 0) return {};
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), w, -ht, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, w, ht, screen, origin.x, origin.y, SRCCOPY);
  GdiFlush();
  const auto* p = static_cast<const uint32_t*>(bits);
  Pixels out(p, p + static_cast<size_t>(w) * ht);
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return out;
}

// The picture once two looks in a row agree.
Pixels Settled(HWND h) {
  Pixels last = Capture(h);
  for (int i = 0; i < 100; ++i) {
    Sleep(50);
    Pixels now = Capture(h);
    if (now == last) return now;
    last = std::move(now);
  }
  return last;
}

// The settled picture once it differs from `before`.
Pixels Changed(HWND h, const Pixels& before) {
  for (int i = 0; i < 100; ++i) {
    Pixels now = Settled(h);
    if (now != before) return now;
    Sleep(50);
  }
  return before;
}

std::string ShiftJisLines(int n) {
  std::string text;
  for (int i = 0; i < n; ++i) text += std::to_string(i) + "\t\x93\xfa\x96\x7b\x8c\xea line\r\n";
  return text;
}

TEST(EndToEnd, OpensAFilePagesItAndWritesTheSettingsAtExit) {
  Varlo varlo;
  const fs::path file = varlo.dir.Write(L"日本語.txt", ShiftJisLines(300));
  varlo.Start(L"\"" + file.wstring() + L"\"");
  HWND main = varlo.Main();
  ASSERT_NE(main, nullptr);
  const std::string caption =
      "Varlo (ﾒｲﾝ)  " + FromWide(kUtf8, file.wstring()) + "  全行数 : 300 (300)";
  EXPECT_TRUE(Eventually([&] { return Utf8Text(main) == caption; })) << Utf8Text(main);
  HWND view = Viewer(main);
  ASSERT_NE(view, nullptr);
  // The scroll bar of another process cannot be read under Wine: what the
  // viewer shows is compared instead.
  const Pixels top = Settled(view);
  ASSERT_FALSE(top.empty());
  Key(view, VK_NEXT);
  const Pixels second = Changed(view, top);
  EXPECT_NE(second, top);
  Key(view, VK_NEXT);
  const Pixels third = Changed(view, second);
  EXPECT_NE(third, second);
  EXPECT_NE(third, top);
  Key(view, VK_PRIOR);
  EXPECT_EQ(Changed(view, third), second);
  Key(view, VK_END);
  const Pixels bottom = Changed(view, second);
  EXPECT_NE(bottom, third);
  // At the end Page Down has nowhere to go; Home comes back to the top.
  Key(view, VK_NEXT);
  Sleep(300);
  EXPECT_EQ(Settled(view), bottom);
  Key(view, VK_HOME);
  EXPECT_EQ(Changed(view, bottom), top);
  // The close box ends the program without a question.
  PostMessageW(main, WM_CLOSE, 0, 0);
  EXPECT_EQ(varlo.Exit(), 0u);
  const std::string ini = varlo.Ini();
  EXPECT_NE(ini.find("[FormMain]\r\nMem=0\r\nLeft="), std::string::npos) << ini;
  EXPECT_NE(ini.find("[TextJyouhou]\r\nTextFontName=system\r\nTextFontSize=14\r\n"),
            std::string::npos);
  EXPECT_NE(ini.find("[SearchUperLower]\r\nSet=0\r\n"), std::string::npos);
}

TEST(EndToEnd, AMissingFileGivesTheWarningBox) {
  Varlo varlo;
  varlo.Start(L"\"" + (varlo.dir.Path() / L"missing.txt").wstring() + L"\"");
  HWND box = WaitFor([&] { return TopLevel(varlo.Pid(), "警告"); });
  ASSERT_NE(box, nullptr);
  std::vector<std::string> texts;
  HWND button = nullptr;
  for (HWND c : Children(box)) {
    texts.push_back(Utf8Text(c));
    if (_wcsicmp(ClassOf(c).c_str(), L"Button") == 0) button = c;
  }
  EXPECT_NE(
      std::find(texts.begin(), texts.end(), "   指定されたファイルが存在しません。          "),
      texts.end());
  ASSERT_NE(button, nullptr);
  EXPECT_EQ(Utf8Text(button), "中止(&A)");
  SendMessageW(button, BM_CLICK, 0, 0);
  HWND main = varlo.Main();
  ASSERT_NE(main, nullptr);
  EXPECT_EQ(Utf8Text(main), "Varlo (ﾒｲﾝ)");
  PostMessageW(main, WM_CLOSE, 0, 0);
  EXPECT_EQ(varlo.Exit(), 0u);
}

TEST(EndToEnd, TheIconSwitchStartsMinimised) {
  Varlo varlo;
  varlo.Start(L"/I");
  HWND main = varlo.Main();
  ASSERT_NE(main, nullptr);
  EXPECT_TRUE(Eventually([&] { return IsIconic(main) != FALSE; }));
  EXPECT_EQ(Utf8Text(main), "Varlo (ﾒｲﾝ)");
  PostMessageW(main, WM_CLOSE, 0, 0);
  EXPECT_EQ(varlo.Exit(), 0u);
}

// Keys as the keyboard gives them, to the window in front: the program
// reads the modifier keys' state, which posted messages do not set.
void SendKeys(const std::vector<INPUT>& inputs) {
  std::vector<INPUT> copy = inputs;
  SendInput(static_cast<UINT>(copy.size()), copy.data(), sizeof(INPUT));
}

INPUT KeyInput(WORD vk, bool up) {
  INPUT in{};
  in.type = INPUT_KEYBOARD;
  in.ki.wVk = vk;
  in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  return in;
}

void Press(WORD vk, bool ctrl = false) {
  std::vector<INPUT> keys;
  if (ctrl) keys.push_back(KeyInput(VK_CONTROL, false));
  keys.push_back(KeyInput(vk, false));
  keys.push_back(KeyInput(vk, true));
  if (ctrl) keys.push_back(KeyInput(VK_CONTROL, true));
  SendKeys(keys);
}

void Type(const std::wstring& text) {
  std::vector<INPUT> keys;
  for (wchar_t c : text)
    for (bool up : {false, true}) {
      INPUT in{};
      in.type = INPUT_KEYBOARD;
      in.ki.wScan = c;
      in.ki.dwFlags = KEYEVENTF_UNICODE | (up ? KEYEVENTF_KEYUP : 0);
      keys.push_back(in);
    }
  SendKeys(keys);
}

// The label texts of a window.
std::vector<std::string> Texts(HWND h) {
  std::vector<std::string> texts;
  for (HWND c : Children(h)) texts.push_back(Utf8Text(c));
  return texts;
}

TEST(EndToEnd, SearchJumpLineNumbersAndRangeCopyFromTheKeyboard) {
  Varlo varlo;
  // Lines 120 and 250 hold the word searched for.
  const std::string target = "\x96\xda\x95\x57";  // 目標
  std::string text;
  std::vector<std::string> lines;
  for (int i = 1; i <= 300; ++i) {
    std::string line = std::to_string(i) + "\t\x93\xfa\x96\x7b\x8c\xea line";
    if (i == 120 || i == 250) line += " " + target;
    lines.push_back(line);
    text += line + "\r\n";
  }
  const fs::path file = varlo.dir.Write(L"search.txt", text);
  varlo.Start(L"\"" + file.wstring() + L"\"");
  HWND main = varlo.Main();
  ASSERT_NE(main, nullptr);
  const std::string counts =
      "Varlo (ﾒｲﾝ)  " + FromWide(kUtf8, file.wstring()) + "  全行数 : 300 (300)";
  ASSERT_TRUE(Eventually([&] { return Utf8Text(main) == counts; })) << Utf8Text(main);
  ASSERT_NE(Viewer(main), nullptr);
  SetForegroundWindow(main);
  const auto captionIs = [&](const std::string& want) {
    const bool ok = Eventually([&] { return Utf8Text(main) == want; });
    EXPECT_TRUE(ok) << "caption: " << Utf8Text(main) << "\nwanted: " << want;
    return ok;
  };
  const std::string column = std::to_string(lines[119].find(target) + 1);

  // F, the text, Enter.
  Press('F');
  HWND dialog = WaitFor([&] { return TopLevel(varlo.Pid(), "Varlo (検索)"); });
  ASSERT_NE(dialog, nullptr);
  Type(ToWide(kShiftJis, target));
  Press(VK_RETURN);
  captionIs(counts + "  検索行 : 120 (120)  検索位置 : " + column);
  // N and P, each after the pause.
  Press('N');
  captionIs(counts + "  検索行 : 250 (250)  検索位置 : " + column);
  Press('P');
  captionIs(counts + "  検索行 : 120 (120)  検索位置 : " + column);

  // J, a number, Enter; I shows where the view stands.
  Press('J');
  dialog = WaitFor([&] { return TopLevel(varlo.Pid(), "Varlo (ｼﾞｬﾝﾌﾟ)"); });
  ASSERT_NE(dialog, nullptr);
  Type(L"200");
  Press(VK_RETURN);
  ASSERT_TRUE(Eventually([&] { return TopLevel(varlo.Pid(), "Varlo (ｼﾞｬﾝﾌﾟ)") == nullptr; }));
  Press('I');
  HWND notice = WaitFor([&] { return TopLevel(varlo.Pid(), "Varlo (ﾒｯｾｰｼﾞ)"); });
  ASSERT_NE(notice, nullptr);
  const std::vector<std::string> said = Texts(notice);
  EXPECT_NE(std::find(said.begin(), said.end(), "表示行 : 200     論理行 : 200"), said.end());
  Press(VK_SPACE);
  ASSERT_TRUE(Eventually([&] { return TopLevel(varlo.Pid(), "Varlo (ﾒｯｾｰｼﾞ)") == nullptr; }));

  // Ctrl+B, two lines down, Ctrl+C: the lines on the clipboard as Unicode.
  Press('B', true);
  captionIs(" 選択中です。 開始行は  200  です。");
  Press(VK_DOWN);
  Press(VK_DOWN);
  Press('C', true);
  EXPECT_TRUE(Eventually([&] { return Utf8Text(main) == "  クリップボードにコピー中です。 "; }))
      << Utf8Text(main);
  captionIs(counts);
  ASSERT_TRUE(OpenClipboard(nullptr));
  EXPECT_TRUE(IsClipboardFormatAvailable(CF_UNICODETEXT));
  std::wstring copied;
  if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
    copied = static_cast<const wchar_t*>(GlobalLock(data));
    GlobalUnlock(data);
  }
  CloseClipboard();
  EXPECT_EQ(copied,
            ToWide(kShiftJis, lines[199] + "\r\n" + lines[200] + "\r\n" + lines[201] + "\r\n"));

  PostMessageW(main, WM_CLOSE, 0, 0);
  EXPECT_EQ(varlo.Exit(), 0u);
  // The search text is remembered in the settings file.
  EXPECT_NE(varlo.Ini().find("[FindStrName]\r\n1=" + target + "\r\n"), std::string::npos);
}

}  // namespace
}  // namespace varlo
