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
#include <initializer_list>
#include <memory>
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

// The visible top-level window of a process whose caption starts so (or,
// `exactly`, is so).
HWND TopLevel(DWORD pid, const std::string& captionStart, bool exactly = false) {
  struct Search {
    DWORD pid;
    std::string start;
    bool exactly;
    HWND found = nullptr;
  } search{pid, captionStart, exactly};
  EnumWindows(
      [](HWND h, LPARAM p) -> BOOL {
        auto* s = reinterpret_cast<Search*>(p);
        DWORD owner = 0;
        GetWindowThreadProcessId(h, &owner);
        const std::string text = Utf8Text(h);
        if (owner == s->pid && IsWindowVisible(h) &&
            (s->exactly ? text == s->start : text.rfind(s->start, 0) == 0)) {
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
  void WriteIni(const std::string& shiftJis) { dir.Write(L"varlo.INI", shiftJis); }

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

// Keys as the keyboard gives them to the foreground window, with these
// modifiers held: what the program sees of the modifier keys is the
// keyboard's state, which posted messages leave alone.
void Press(HWND window, WORD vk, std::initializer_list<WORD> held = {}) {
  SetForegroundWindow(window);
  std::vector<INPUT> input;
  const auto add = [&](WORD key, bool up) {
    INPUT i{};
    i.type = INPUT_KEYBOARD;
    i.ki.wVk = key;
    i.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    input.push_back(i);
  };
  for (WORD m : held) add(m, false);
  add(vk, false);
  add(vk, true);
  for (auto m = held.end(); m != held.begin();) add(*--m, true);
  SendInput(static_cast<UINT>(input.size()), input.data(), sizeof(INPUT));
}

// Waits until the condition holds.
bool Eventually(const std::function<bool()>& holds, int ms = 5000) {
  return WaitFor([&] { return holds() ? reinterpret_cast<HWND>(1) : nullptr; }, ms) != nullptr;
}

// What a warning box of the program showed.
struct WarningSeen {
  std::vector<std::string> texts;  // of its parts
  std::string button;              // the caption of its button
  bool Shows(const std::string& text) const {
    return std::find(texts.begin(), texts.end(), text) != texts.end();
  }
};

// Waits for the program's warning box, reads it, and presses its button.
WarningSeen AnswerWarning(Varlo& varlo) {
  WarningSeen seen;
  HWND box = WaitFor([&] { return TopLevel(varlo.Pid(), "警告"); });
  if (box == nullptr) return seen;
  HWND button = nullptr;
  for (HWND c : Children(box)) {
    seen.texts.push_back(Utf8Text(c));
    if (_wcsicmp(ClassOf(c).c_str(), L"Button") == 0) button = c;
  }
  if (button != nullptr) {
    seen.button = Utf8Text(button);
    SendMessageW(button, BM_CLICK, 0, 0);
  }
  Eventually([&] { return !IsWindow(box); });
  return seen;
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
  const WarningSeen box = AnswerWarning(varlo);
  EXPECT_TRUE(box.Shows("   指定されたファイルが存在しません。          "));
  EXPECT_EQ(box.button, "中止(&A)");
  HWND main = varlo.Main();
  ASSERT_NE(main, nullptr);
  EXPECT_EQ(Utf8Text(main), "Varlo (ﾒｲﾝ)");
  PostMessageW(main, WM_CLOSE, 0, 0);
  EXPECT_EQ(varlo.Exit(), 0u);
}

// What a user or another program may name instead of a file: each gives a
// warning (a name that is no file on disk is never read: a device could
// block the reading for ever) and the viewer stays, empty.
TEST(EndToEnd, DevicesFoldersAndLockedFilesGiveAWarningAndNeverHang) {
  const std::string notFound = "   指定されたファイルが存在しません。          ";
  const std::string cannotOpen = "   指定されたファイルがオープンできません。          ";
  testing::TempDir files;
  const fs::path locked = files.Write(L"locked.txt", "x\r\n");
  // Held by another program that shares nothing.
  HANDLE holder = CreateFileW(locked.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(holder, INVALID_HANDLE_VALUE);
  for (const std::wstring& name :
       {std::wstring(L"CON"), std::wstring(L"NUL"), std::wstring(L"COM1"),
        std::wstring(L"\\\\.\\PhysicalDrive0"), files.Path().wstring(), locked.wstring()}) {
    Varlo varlo;
    varlo.Start(L"\"" + name + L"\"");
    const WarningSeen box = AnswerWarning(varlo);
    EXPECT_TRUE(box.Shows(notFound) || box.Shows(cannotOpen)) << FromWide(kUtf8, name);
    HWND main = varlo.Main();
    ASSERT_NE(main, nullptr) << FromWide(kUtf8, name);
    EXPECT_EQ(Utf8Text(main), "Varlo (ﾒｲﾝ)") << FromWide(kUtf8, name);
    PostMessageW(main, WM_CLOSE, 0, 0);
    EXPECT_EQ(varlo.Exit(), 0u);
  }
  CloseHandle(holder);
}

// A path of more than 260 characters, and a name in a script that code
// page 932 lacks, open whole and show in the caption as they are.
TEST(EndToEnd, AFileWithALongPathOrANameOutsideTheCodePageOpens) {
  Varlo varlo;
  fs::path deep = varlo.dir.Path();
  for (int i = 0; i < 4; ++i) deep /= std::wstring(70, static_cast<wchar_t>(L'a' + i));
  fs::create_directories(deep);
  const fs::path files[] = {deep / L"長い名前のファイル.txt",
                            varlo.dir.Path() / L"\uD55C\uAD6D\uC5B4 \u0639\u0631\u0628\u064A.txt"};
  ASSERT_GT(files[0].wstring().size(), 260u);
  for (const fs::path& file : files) {
    { std::ofstream(file, std::ios::binary) << "one\r\ntwo\r\n"; }
    varlo.Start(L"\"" + file.wstring() + L"\"");
    HWND main = varlo.Main();
    ASSERT_NE(main, nullptr);
    EXPECT_TRUE(Eventually([&] {
      return Utf8Text(main) ==
             "Varlo (ﾒｲﾝ)  " + FromWide(kUtf8, file.wstring()) + "  全行数 : 2 (2)";
    })) << Utf8Text(main);
    PostMessageW(main, WM_CLOSE, 0, 0);
    EXPECT_EQ(varlo.Exit(), 0u);
  }
}

// A settings file another program holds at exit: the write-failure
// message, the program still ends, and the file keeps what it held.
TEST(EndToEnd, ALockedSettingsFileAtExitIsReportedAndKept) {
  Varlo varlo;
  const std::string before = "[FindStrName]\r\n1=abc\r\n";
  varlo.WriteIni(before);
  varlo.Start(L"");
  HWND main = varlo.Main();
  ASSERT_NE(main, nullptr);
  const fs::path ini = varlo.dir.Path() / L"varlo.INI";
  HANDLE holder = CreateFileW(ini.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(holder, INVALID_HANDLE_VALUE);
  PostMessageW(main, WM_CLOSE, 0, 0);
  // The toolkit's error box: captioned with the program's name alone.
  HWND box = WaitFor([&] { return TopLevel(varlo.Pid(), "Varlo", true); });
  ASSERT_NE(box, nullptr);
  bool named = false;
  for (HWND c : Children(box)) {
    named = named || Utf8Text(c) == FromWide(kUtf8, ini.wstring()) + " に書き込めません";
    if (_wcsicmp(ClassOf(c).c_str(), L"Button") == 0) PostMessageW(c, BM_CLICK, 0, 0);
  }
  EXPECT_TRUE(named);
  EXPECT_EQ(varlo.Exit(), 0u);
  CloseHandle(holder);
  EXPECT_EQ(varlo.Ini(), before);
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

// --- Launchers. ---

// The settings of a launcher record, Shift-JIS as the file keeps them.
std::string LauncherIni(const fs::path& program, const std::string& option,
                        const fs::path& folder) {
  return "[ProgTitle]\r\n1=probe\r\n[ProgName]\r\n1=" + FromWide(kShiftJis, program.wstring()) +
         "\r\n[ProgOption]\r\n1=" + option +
         "\r\n[ProgDir]\r\n1=" + FromWide(kShiftJis, folder.wstring()) + "\r\n";
}

// A folder whose name is longer than 255 bytes in Shift-JIS.
fs::path DeepFolder(const testing::TempDir& dir) {
  std::wstring name;
  for (int i = 0; i < 40; ++i) name += L"表示ﾂｰﾙ";
  const fs::path folder = dir.Path() / name;
  fs::create_directories(folder);
  return folder;
}

// The viewer showing the file, once it is drawn.
HWND OpenViewer(Varlo& varlo, const fs::path& file, HWND& main) {
  varlo.Start(L"\"" + file.wstring() + L"\"");
  main = varlo.Main();
  if (main == nullptr) return nullptr;
  Eventually([&] { return Utf8Text(main).find("全行数") != std::string::npos; });
  HWND view = Viewer(main);
  if (view != nullptr) Settled(view);
  return view;
}

TEST(EndToEnd, ShiftEnterStartsLauncherOneWithTheFileAndTheTopLine) {
  Varlo varlo;
  const fs::path folder = DeepFolder(varlo.dir);
  ASSERT_GT(FromWide(kShiftJis, folder.wstring()).size(), 255u);
  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  const fs::path probe = folder / L"probe.exe";
  fs::copy_file(fs::path(self).parent_path() / L"launch_probe.exe", probe);
  // A long option text: the whole of it reaches the program.
  const std::string tail(300, 'x');
  varlo.WriteIni(LauncherIni(probe, "\"%f\" /L%l " + tail, folder));
  // Blanks, Japanese, and Korean, which Shift-JIS has not.
  const fs::path file = varlo.dir.Write(L"日本 語 한글.txt", ShiftJisLines(300));
  HWND main = nullptr;
  HWND view = OpenViewer(varlo, file, main);
  ASSERT_NE(view, nullptr);
  // Five rows down: line 5 at the top.
  const Pixels top = Settled(view);
  for (int i = 0; i < 5; ++i) Key(view, VK_DOWN);
  Changed(view, top);
  Press(main, VK_RETURN, {VK_SHIFT});
  EXPECT_EQ(varlo.Exit(), 0u);
  const fs::path out = folder / L"probe.exe.out";
  // The probe writes two lines at once.
  std::string got;
  ASSERT_TRUE(Eventually(
      [&] {
        got = testing::ReadAll(out);
        return std::count(got.begin(), got.end(), '\n') == 2;
      },
      15000));
  const std::string params = "\"" + FromWide(kUtf8, file.wstring()) + "\" /L5 " + tail;
  const size_t cut = got.find('\n');
  ASSERT_NE(cut, std::string::npos) << got;
  // The shell puts the program in quotes before the parameters.
  EXPECT_EQ(got.substr(0, cut), "\"" + FromWide(kUtf8, probe.wstring()) + "\" " + params);
  EXPECT_EQ(got.substr(cut + 1), FromWide(kUtf8, folder.wstring()) + "\n");
  // The settings were saved as the program ended.
  EXPECT_NE(varlo.Ini().find("[ProgOption]\r\n1=\"%f\" /L%l " + tail + "\r\n"), std::string::npos);
}

TEST(EndToEnd, AMissingProgramGivesTheWarningAndTheViewerStays) {
  Varlo varlo;
  const fs::path missing = varlo.dir.Path() / L"無い.exe";
  varlo.WriteIni(LauncherIni(missing, "%f", varlo.dir.Path()));
  const fs::path file = varlo.dir.Write(L"a.txt", ShiftJisLines(10));
  HWND main = nullptr;
  ASSERT_NE(OpenViewer(varlo, file, main), nullptr);
  const std::string caption = Utf8Text(main);
  Press(main, VK_RETURN, {VK_SHIFT});
  const WarningSeen box = AnswerWarning(varlo);
  EXPECT_TRUE(
      box.Shows("    " + FromWide(kUtf8, missing.wstring()) + " の実行に失敗しました。          "));
  EXPECT_EQ(box.button, "中止(&A)");
  EXPECT_TRUE(IsWindow(main));
  EXPECT_EQ(Utf8Text(main), caption);
  PostMessageW(main, WM_CLOSE, 0, 0);
  EXPECT_EQ(varlo.Exit(), 0u);
}

TEST(EndToEnd, TheLauncherEditorFromTheMenuStoresWhatIsTyped) {
  Varlo varlo;
  varlo.Start(L"");
  HWND main = varlo.Main();
  ASSERT_NE(main, nullptr);
  // 環境設定 (Alt+K), then ﾗﾝﾁｬｰ2設定 (M).
  Press(main, 'K', {VK_MENU});
  Press(main, 'M');
  HWND editor = WaitFor([&] { return TopLevel(varlo.Pid(), "Varlo (ﾗﾝﾁｬｰ編集)"); });
  ASSERT_NE(editor, nullptr);
  std::vector<HWND> edits;
  HWND ok = nullptr;
  for (HWND c : Children(editor)) {
    if (_wcsicmp(ClassOf(c).c_str(), L"Edit") == 0) edits.push_back(c);
    if (Utf8Text(c) == "OK(&O)") ok = c;
  }
  ASSERT_EQ(edits.size(), 5u);
  ASSERT_NE(ok, nullptr);
  SetWindowTextW(edits[0], L"エディタ");
  SetWindowTextW(edits[1], L"C:\\ツール\\ed.exe");
  SetWindowTextW(edits[2], L"\"%f\" +%l");
  SetWindowTextW(edits[3], L"C:\\ツール");
  PostMessageW(ok, BM_CLICK, 0, 0);
  ASSERT_TRUE(Eventually([&] { return !IsWindow(editor); }));
  PostMessageW(main, WM_CLOSE, 0, 0);
  EXPECT_EQ(varlo.Exit(), 0u);
  const std::string ini = varlo.Ini();
  EXPECT_NE(ini.find("[ProgTitle]\r\n1=\r\n2=\x83\x47\x83\x66\x83\x42\x83\x5e\r\n"),
            std::string::npos)
      << ini;
  EXPECT_NE(ini.find("[ProgName]\r\n1=\r\n2=C:\\\x83\x63\x81\x5b\x83\x8b\\ed.exe\r\n"),
            std::string::npos);
  EXPECT_NE(ini.find("[ProgOption]\r\n1=\r\n2=\"%f\" +%l\r\n"), std::string::npos);
  EXPECT_NE(ini.find("[ProgDir]\r\n1=\r\n2=C:\\\x83\x63\x81\x5b\x83\x8b\r\n"), std::string::npos);
  // An empty shortcut is stored as one blank.
  EXPECT_NE(ini.find("[ProgShortCut]\r\n1=\r\n2=\" \"\r\n"), std::string::npos);
}

// A top-level window of another program's class, made by this process.
class ForeignWindow {
 public:
  explicit ForeignWindow(const wchar_t* className) : FClass(className) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = className;
    RegisterClassW(&wc);
    FWindow = CreateWindowExW(0, className, L"", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 200, 100,
                              nullptr, nullptr, wc.hInstance, nullptr);
  }
  ~ForeignWindow() {
    DestroyWindow(FWindow);
    UnregisterClassW(FClass, GetModuleHandleW(nullptr));
  }
  ForeignWindow(const ForeignWindow&) = delete;
  ForeignWindow& operator=(const ForeignWindow&) = delete;
  HWND Handle() const { return FWindow; }

 private:
  const wchar_t* FClass;
  HWND FWindow;
};

// Lets this thread's windows take the messages that activation sends.
void Pump() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
}

TEST(EndToEnd, F4HandsTheForegroundToTheFileManagerElseExplorer) {
  auto explorer = std::make_unique<ForeignWindow>(L"CabinetWClass");
  auto corvo = std::make_unique<ForeignWindow>(L"CorvoMainWin");
  Varlo varlo;
  varlo.Start(L"");
  HWND main = varlo.Main();
  ASSERT_NE(main, nullptr);
  const auto f4 = [&](HWND expected) {
    SetForegroundWindow(main);
    EXPECT_TRUE(Eventually([&] {
      Pump();
      return GetForegroundWindow() == main;
    }));
    Press(main, VK_F4);
    return Eventually([&] {
      Pump();
      return GetForegroundWindow() == expected;
    });
  };
  EXPECT_TRUE(f4(corvo->Handle()));
  corvo.reset();
  EXPECT_TRUE(f4(explorer->Handle()));
  explorer.reset();
  // Neither: the viewer keeps the foreground.
  EXPECT_TRUE(f4(main));
  Sleep(300);
  Pump();
  EXPECT_EQ(GetForegroundWindow(), main);
  PostMessageW(main, WM_CLOSE, 0, 0);
  EXPECT_EQ(varlo.Exit(), 0u);
}

// Text as the keyboard gives it, a character at a time, to the window in
// front.
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
  SendInput(static_cast<UINT>(keys.size()), keys.data(), sizeof(INPUT));
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
  Press(main, 'F');
  HWND dialog = WaitFor([&] { return TopLevel(varlo.Pid(), "Varlo (検索)"); });
  ASSERT_NE(dialog, nullptr);
  Type(ToWide(kShiftJis, target));
  Press(dialog, VK_RETURN);
  captionIs(counts + "  検索行 : 120 (120)  検索位置 : " + column);
  // N and P, each after the pause.
  Press(main, 'N');
  captionIs(counts + "  検索行 : 250 (250)  検索位置 : " + column);
  Press(main, 'P');
  captionIs(counts + "  検索行 : 120 (120)  検索位置 : " + column);

  // J, a number, Enter; I shows where the view stands.
  Press(main, 'J');
  dialog = WaitFor([&] { return TopLevel(varlo.Pid(), "Varlo (ｼﾞｬﾝﾌﾟ)"); });
  ASSERT_NE(dialog, nullptr);
  Type(L"200");
  Press(dialog, VK_RETURN);
  ASSERT_TRUE(Eventually([&] { return TopLevel(varlo.Pid(), "Varlo (ｼﾞｬﾝﾌﾟ)") == nullptr; }));
  Press(main, 'I');
  HWND notice = WaitFor([&] { return TopLevel(varlo.Pid(), "Varlo (ﾒｯｾｰｼﾞ)"); });
  ASSERT_NE(notice, nullptr);
  const std::vector<std::string> said = Texts(notice);
  EXPECT_NE(std::find(said.begin(), said.end(), "表示行 : 200     論理行 : 200"), said.end());
  Press(notice, VK_SPACE);
  ASSERT_TRUE(Eventually([&] { return TopLevel(varlo.Pid(), "Varlo (ﾒｯｾｰｼﾞ)") == nullptr; }));

  // Ctrl+B, two lines down, Ctrl+C: the lines on the clipboard as Unicode.
  Press(main, 'B', {VK_CONTROL});
  captionIs(" 選択中です。 開始行は  200  です。");
  Press(main, VK_DOWN);
  Press(main, VK_DOWN);
  Press(main, 'C', {VK_CONTROL});
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

// --- The settings dialog, the exit keys, the window state, help. ---

// Waits for a top-level window of the program whose caption starts so.
HWND WaitForWindow(Varlo& varlo, const std::string& caption) {
  return WaitFor([&] { return TopLevel(varlo.Pid(), caption); });
}

// Presses the button of a box whose caption is this, and waits for the box
// to go.
void PressButton(HWND box, const std::string& caption) {
  for (HWND c : Children(box))
    if (Utf8Text(c) == caption) SendMessageW(c, BM_CLICK, 0, 0);
  Eventually([&] { return !IsWindow(box); });
}

TEST(EndToEnd, TheSettingsDialogSetsTheWrapColumnAndTheFileKeepsIt) {
  Varlo varlo;
  // 100 lines of 100 bytes: two view lines each at 80 bytes, three at 40.
  std::string text;
  for (int i = 0; i < 100; ++i) text += std::string(90, 'x') + "\x93\xfa\x96\x7b\x8c\xea 1234\r\n";
  const fs::path file = varlo.dir.Write(L"wrap.txt", text);
  HWND main = nullptr;
  ASSERT_NE(OpenViewer(varlo, file, main), nullptr);
  const std::string counts = "Varlo (ﾒｲﾝ)  " + FromWide(kUtf8, file.wstring()) + "  全行数 : ";
  EXPECT_EQ(Utf8Text(main), counts + "200 (100)");
  // 環境設定 (Alt+K), 各種設定 (O).
  Press(main, 'K', {VK_MENU});
  Press(main, 'O');
  HWND dialog = WaitForWindow(varlo, "Varlo (各種設定)");
  ASSERT_NE(dialog, nullptr);
  // From Cancel back to the tabs, two tabs on, then Cancel, Save, the
  // switch and the wrap column, whose text Tab selects.
  for (WORD key : {WORD(VK_TAB), WORD(VK_RIGHT), WORD(VK_RIGHT)})
    Press(dialog, key,
          key == VK_TAB ? std::initializer_list<WORD>{VK_SHIFT} : std::initializer_list<WORD>{});
  for (int i = 0; i < 4; ++i) Press(dialog, VK_TAB);
  Type(L"40");
  Press(dialog, 'S', {VK_MENU});
  EXPECT_TRUE(Eventually([&] { return !IsWindow(dialog); }));
  EXPECT_TRUE(Eventually([&] { return Utf8Text(main) == counts + "300 (100)"; })) << Utf8Text(main);
  PostMessageW(main, WM_CLOSE, 0, 0);
  EXPECT_EQ(varlo.Exit(), 0u);
  EXPECT_NE(varlo.Ini().find("EditWrapChar=40\r\n"), std::string::npos) << varlo.Ini();
}

// --- Typing into the dialogs' boxes, key by key. ---

// Waits for a window to go.
bool Gone(HWND window) {
  return Eventually([&] { return !IsWindow(window); });
}

// What the I key shows: the numbers of the top row and of its line.
std::string LineNumbersShown(Varlo& varlo, HWND main) {
  Press(main, 'I');
  HWND notice = WaitForWindow(varlo, "Varlo (ﾒｯｾｰｼﾞ)");
  if (notice == nullptr) return "no notice";
  std::string said;
  for (const std::string& text : Texts(notice))
    if (text.rfind("表示行", 0) == 0) said = text;
  Press(notice, VK_SPACE);
  Gone(notice);
  return said;
}

TEST(EndToEnd, TypingIntoTheSearchAndJumpBoxesReplacesTheRememberedText) {
  Varlo varlo;
  varlo.WriteIni("[FindStrName]\r\n1=abc\r\n[JumpLineNum]\r\n1=12\r\n");
  // The word stands alone on line 10; typed after or before the remembered
  // abc it would be found on line 20 or 30. A number typed after or before
  // the remembered 12 is past the last line.
  std::string text;
  for (int i = 1; i <= 40; ++i)
    text += (i == 10   ? std::string("quokka")
             : i == 20 ? "abcquokka"
             : i == 30 ? "quokkaabc"
                       : "line " + std::to_string(i)) +
            "\r\n";
  const fs::path file = varlo.dir.Write(L"typed.txt", text);
  HWND main = nullptr;
  ASSERT_NE(OpenViewer(varlo, file, main), nullptr);
  const std::string counts = Utf8Text(main);
  const auto open = [&](WORD key, const char* caption) {
    Press(main, key);
    return WaitForWindow(varlo, caption);
  };

  // F, letters over the remembered text, one taken back, Enter.
  HWND find = open('F', "Varlo (検索)");
  ASSERT_NE(find, nullptr);
  Type(L"quokkas");
  Press(find, VK_BACK);
  Press(find, VK_RETURN);
  ASSERT_TRUE(Gone(find));
  const std::string hit = counts + "  検索行 : 10 (10)  検索位置 : 1";
  EXPECT_TRUE(Eventually([&] { return Utf8Text(main) == hit; })) << Utf8Text(main);
  // Esc searches nothing.
  find = open('F', "Varlo (検索)");
  ASSERT_NE(find, nullptr);
  Type(L"line");
  Press(find, VK_ESCAPE);
  ASSERT_TRUE(Gone(find));
  Sleep(300);
  EXPECT_EQ(Utf8Text(main), hit);

  // J, digits over the remembered number, Enter; then with one taken back;
  // then Esc.
  HWND jump = open('J', "Varlo (ｼﾞｬﾝﾌﾟ)");
  ASSERT_NE(jump, nullptr);
  Type(L"5");
  Press(jump, VK_RETURN);
  ASSERT_TRUE(Gone(jump));
  EXPECT_EQ(LineNumbersShown(varlo, main), "表示行 : 5     論理行 : 5");
  jump = open('J', "Varlo (ｼﾞｬﾝﾌﾟ)");
  ASSERT_NE(jump, nullptr);
  Type(L"257");
  Press(jump, VK_BACK);
  Press(jump, VK_RETURN);
  ASSERT_TRUE(Gone(jump));
  EXPECT_EQ(LineNumbersShown(varlo, main), "表示行 : 25     論理行 : 25");
  jump = open('J', "Varlo (ｼﾞｬﾝﾌﾟ)");
  ASSERT_NE(jump, nullptr);
  Type(L"3");
  Press(jump, VK_ESCAPE);
  ASSERT_TRUE(Gone(jump));
  EXPECT_EQ(LineNumbersShown(varlo, main), "表示行 : 25     論理行 : 25");

  PostMessageW(main, WM_CLOSE, 0, 0);
  EXPECT_EQ(varlo.Exit(), 0u);
  const std::string ini = varlo.Ini();
  EXPECT_NE(ini.find("[FindStrName]\r\n1=quokka\r\n"), std::string::npos) << ini;
  EXPECT_NE(ini.find("[JumpLineNum]\r\n1=25\r\n"), std::string::npos) << ini;
}

TEST(EndToEnd, TypingIntoTheSettingsBoxesReplacesTheirNumbers) {
  Varlo varlo;
  // 100 lines of 100 bytes: two view lines each at 80 bytes, three at 40.
  std::string text;
  for (int i = 0; i < 100; ++i) text += std::string(90, 'x') + "\x93\xfa\x96\x7b\x8c\xea 1234\r\n";
  const fs::path file = varlo.dir.Write(L"wrap.txt", text);
  HWND main = nullptr;
  ASSERT_NE(OpenViewer(varlo, file, main), nullptr);
  const std::string counts = "Varlo (ﾒｲﾝ)  " + FromWide(kUtf8, file.wstring()) + "  全行数 : ";
  const auto open = [&] {
    // 環境設定 (Alt+K), 各種設定 (O).
    Press(main, 'K', {VK_MENU});
    Press(main, 'O');
    return WaitForWindow(varlo, "Varlo (各種設定)");
  };
  HWND dialog = open();
  ASSERT_NE(dialog, nullptr);
  // From Cancel back to the tabs, two tabs on; Alt+1 and Alt+2 give the
  // boxes the focus with their numbers selected.
  Press(dialog, VK_TAB, {VK_SHIFT});
  Press(dialog, VK_RIGHT);
  Press(dialog, VK_RIGHT);
  Press(dialog, '1', {VK_MENU});
  Type(L"400");
  Press(dialog, VK_BACK);
  Press(dialog, '2', {VK_MENU});
  Type(L"8");
  Press(dialog, 'S', {VK_MENU});
  ASSERT_TRUE(Gone(dialog));
  EXPECT_TRUE(Eventually([&] { return Utf8Text(main) == counts + "300 (100)"; })) << Utf8Text(main);
  // Again, on the page it was left on: a number typed, then Esc and the
  // question's default answer はい: nothing is saved.
  dialog = open();
  ASSERT_NE(dialog, nullptr);
  Press(dialog, '1', {VK_MENU});
  Type(L"20");
  Press(dialog, VK_ESCAPE);
  HWND question = WaitForWindow(varlo, "情報");
  ASSERT_NE(question, nullptr);
  Press(question, VK_RETURN);
  ASSERT_TRUE(Gone(dialog));
  Sleep(300);
  EXPECT_EQ(Utf8Text(main), counts + "300 (100)");
  PostMessageW(main, WM_CLOSE, 0, 0);
  EXPECT_EQ(varlo.Exit(), 0u);
  const std::string ini = varlo.Ini();
  EXPECT_NE(ini.find("EditWrapChar=40\r\nEditTabChar=8\r\n"), std::string::npos) << ini;
}

TEST(EndToEnd, TypingIntoTheLauncherEditorReplacesTheRecord) {
  Varlo varlo;
  varlo.WriteIni(
      "[ProgTitle]\r\n1=old\r\n[ProgName]\r\n1=old.exe\r\n[ProgOption]\r\n1=o\r\n[ProgDir]\r\n1="
      "d\r\n");
  varlo.Start(L"");
  HWND main = varlo.Main();
  ASSERT_NE(main, nullptr);
  const auto open = [&] {
    // 環境設定 (Alt+K), ﾗﾝﾁｬｰ1設定 (L).
    Press(main, 'K', {VK_MENU});
    Press(main, 'L');
    return WaitForWindow(varlo, "Varlo (ﾗﾝﾁｬｰ編集)");
  };
  HWND editor = open();
  ASSERT_NE(editor, nullptr);
  // The title has the focus with its text selected; Tab selects the text
  // of each box it reaches.
  Type(L"エディタ");
  Press(editor, VK_TAB);
  Type(L"C:\\ツール\\ed.exee");
  Press(editor, VK_BACK);
  Press(editor, VK_TAB);
  Type(L"\"%f\" +%l");
  // Past the folder and the shortcut to OK, which Enter presses.
  for (int i = 0; i < 3; ++i) Press(editor, VK_TAB);
  Press(editor, VK_RETURN);
  ASSERT_TRUE(Gone(editor));
  // Again: a title typed, then Esc: nothing stored.
  editor = open();
  ASSERT_NE(editor, nullptr);
  Type(L"x");
  Press(editor, VK_ESCAPE);
  ASSERT_TRUE(Gone(editor));
  PostMessageW(main, WM_CLOSE, 0, 0);
  EXPECT_EQ(varlo.Exit(), 0u);
  const std::string ini = varlo.Ini();
  EXPECT_NE(ini.find("[ProgTitle]\r\n1=\x83\x47\x83\x66\x83\x42\x83\x5e\r\n"), std::string::npos)
      << ini;
  EXPECT_NE(ini.find("[ProgName]\r\n1=C:\\\x83\x63\x81\x5b\x83\x8b\\ed.exe\r\n"),
            std::string::npos);
  EXPECT_NE(ini.find("[ProgOption]\r\n1=\"%f\" +%l\r\n"), std::string::npos);
  EXPECT_NE(ini.find("[ProgDir]\r\n1=d\r\n"), std::string::npos);
}

TEST(EndToEnd, ShiftQAsksCtrlQDoesNotCtrlBracketMaximisesAndAltF4ClosesWithoutAsking) {
  Varlo varlo;
  varlo.Start(L"");
  HWND main = varlo.Main();
  ASSERT_NE(main, nullptr);
  Press(main, 'Q', {VK_CONTROL});
  Sleep(500);
  EXPECT_EQ(TopLevel(varlo.Pid(), "情報"), nullptr);
  Press(main, 'Q', {VK_SHIFT});
  HWND box = WaitForWindow(varlo, "情報");
  ASSERT_NE(box, nullptr);
  const std::vector<std::string> said = Texts(box);
  EXPECT_NE(std::find(said.begin(), said.end(), "    終了しますか。          "), said.end());
  PressButton(box, "いいえ(&N)");
  ASSERT_TRUE(IsWindow(main));

  Press(main, VK_OEM_4, {VK_CONTROL});
  EXPECT_TRUE(Eventually([&] { return IsZoomed(main) != FALSE; }));
  Press(main, VK_OEM_4, {VK_CONTROL});
  EXPECT_TRUE(Eventually([&] { return IsZoomed(main) == FALSE && IsIconic(main) == FALSE; }));

  // Alt+F4: no question, and the settings are written.
  Press(main, VK_F4, {VK_MENU});
  EXPECT_EQ(varlo.Exit(), 0u);
  EXPECT_NE(varlo.Ini().find("[KoumokuSetName]\r\nCheckWrapChar=1\r\n"), std::string::npos);
}

// Makes a program the one that opens web pages, for as long as it lives
// (in the classes of the machine: Wine does not look at the user's).
class PageOpener {
 public:
  explicit PageOpener(const fs::path& program) {
    HKEY key = nullptr;
    FExisted = RegOpenKeyExW(HKEY_CLASSES_ROOT, kExtension, 0, KEY_READ, &key) == ERROR_SUCCESS;
    if (key != nullptr) RegCloseKey(key);
    if (FExisted) return;
    Set(kExtension, L"VarloHelpTest");
    Set(kCommand, L"\"" + program.wstring() + L"\" \"%1\"");
  }
  ~PageOpener() {
    if (FExisted) return;
    RegDeleteTreeW(HKEY_CLASSES_ROOT, kExtension);
    RegDeleteTreeW(HKEY_CLASSES_ROOT, L"VarloHelpTest");
  }
  PageOpener(const PageOpener&) = delete;
  PageOpener& operator=(const PageOpener&) = delete;
  bool Registered() const { return !FExisted; }

 private:
  static constexpr const wchar_t* kExtension = L".html";
  static constexpr const wchar_t* kCommand = L"VarloHelpTest\\shell\\open\\command";
  static void Set(const wchar_t* path, const std::wstring& value) {
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CLASSES_ROOT, path, 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
      return;
    RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
  }
  bool FExisted = false;
};

TEST(EndToEnd, TheHelpCommandOpensThePageBesideTheExecutable) {
  Varlo varlo;
  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  const fs::path probe = varlo.dir.Path() / L"browser.exe";
  fs::copy_file(fs::path(self).parent_path() / L"launch_probe.exe", probe);
  PageOpener opener(probe);
  if (!opener.Registered()) GTEST_SKIP() << "web pages have an opener already";
  varlo.Start(L"");
  HWND main = varlo.Main();
  ASSERT_NE(main, nullptr);
  const fs::path page = varlo.dir.Path() / L"varlo.html";
  // No page: a warning names it. ﾍﾙﾌﾟ (Alt+H), ﾍﾙﾌﾟ表示 (C).
  Press(main, 'H', {VK_MENU});
  Press(main, 'C');
  const WarningSeen box = AnswerWarning(varlo);
  EXPECT_TRUE(box.Shows("   ヘルプファイル " + FromWide(kUtf8, page.wstring()) +
                        " が見つかりません。          "))
      << (box.texts.empty() ? "" : box.texts[0]);
  // The page that ships beside varlo.exe: the opener is asked for it.
  wchar_t built[MAX_PATH];
  GetModuleFileNameW(nullptr, built, MAX_PATH);
  fs::copy_file(fs::path(built).parent_path().parent_path() / L"app" / L"varlo.html", page);
  Press(main, 'H', {VK_MENU});
  Press(main, 'C');
  std::string got;
  ASSERT_TRUE(Eventually(
      [&] {
        got = testing::ReadAll(fs::path(probe.wstring() + L".out"));
        return std::count(got.begin(), got.end(), '\n') == 2;
      },
      15000));
  EXPECT_NE(got.find("\"" + FromWide(kUtf8, page.wstring()) + "\""), std::string::npos) << got;
  EXPECT_TRUE(IsWindow(main));
  PostMessageW(main, WM_CLOSE, 0, 0);
  EXPECT_EQ(varlo.Exit(), 0u);
}

// --- A large file that changes underneath. ---

// Lines [from, to) of 20 bytes each: a number, ログ, "line".
std::string NumberedLines(int from, int to, const std::string& more = "") {
  std::string text;
  char s[32];
  for (int i = from; i < to; ++i) {
    std::snprintf(s, sizeof s, "%08d \x83\x8d\x83\x4f line", i);
    text += s + more + "\r\n";
  }
  return text;
}

std::string Counts(const fs::path& file, int64_t lines) {
  return "Varlo (ﾒｲﾝ)  " + FromWide(kUtf8, file.wstring()) + "  全行数 : " + std::to_string(lines) +
         " (" + std::to_string(lines) + ")";
}

constexpr const char* kChangedNotice = "   ファイルが変更されたため、読み込み直します。   ";
constexpr const char* kReadWarning = "   ファイルを読み込めませんでした。   ";

// What another program may do to the file, and what the viewer then shows.
struct Change {
  const char* name;
  std::function<void(const fs::path&)> act;
  int64_t linesAfter;
  bool notice;   // one notice, then the file read again
  bool warning;  // it cannot be read: a warning, and the view stays
};

constexpr int kLargeLines = 600'000;  // 12 MB: left in the file and read as shown
const Change kChanges[] = {
    {"rewritten",
     [](const fs::path& p) {
       std::ofstream(p, std::ios::binary | std::ios::trunc) << NumberedLines(0, 400'000, " more");
     },
     400'000, true, false},
    {"cut", [](const fs::path& p) { fs::resize_file(p, 20 * 100'000); }, 100'000, true, false},
    {"appended",
     [](const fs::path& p) { std::ofstream(p, std::ios::binary | std::ios::app) << "more\r\n"; },
     kLargeLines, false, false},
    {"deleted", [](const fs::path& p) { fs::remove(p); }, kLargeLines, false, true},
};

// After a change: End reads what is not on view yet.
void ExpectChangeSeen(Varlo& varlo, HWND main, const fs::path& file, const Change& change) {
  Key(Viewer(main), VK_END);
  if (change.notice) {
    HWND notice = WaitFor([&] { return TopLevel(varlo.Pid(), "Varlo (ﾒｯｾｰｼﾞ)"); });
    ASSERT_NE(notice, nullptr);
    const std::vector<std::string> said = Texts(notice);
    EXPECT_NE(std::find(said.begin(), said.end(), kChangedNotice), said.end());
    Press(notice, VK_SPACE);
  }
  if (change.warning) {
    EXPECT_TRUE(AnswerWarning(varlo).Shows(kReadWarning));
  }
  // The counts the caption shows are the view's: the file's as read last.
  const std::string counts = Counts(file, change.linesAfter);
  EXPECT_TRUE(Eventually([&] { return Utf8Text(main) == counts; }, 30000))
      << Utf8Text(main) << "\nwanted: " << counts;
  Sleep(300);
  EXPECT_EQ(TopLevel(varlo.Pid(), "Varlo (ﾒｯｾｰｼﾞ)"), nullptr) << "a second notice";
  EXPECT_EQ(TopLevel(varlo.Pid(), "警告"), nullptr) << "a second warning";
}

// What a file holds does not depend on the code page: the large files are
// written and read in the Japanese run only.
constexpr const char* kLargeFilesOnce = "the Japanese run reads the large files";

TEST(EndToEnd, ALargeFileChangedWhileShownIsReadAgainAfterOneNoticeOrWarns) {
  if (GetACP() != 932) GTEST_SKIP() << kLargeFilesOnce;
  for (const Change& change : kChanges) {
    SCOPED_TRACE(change.name);
    Varlo varlo;
    const fs::path file = varlo.dir.Write(L"large.txt", NumberedLines(0, kLargeLines));
    varlo.Start(L"\"" + file.wstring() + L"\"");
    HWND main = varlo.Main();
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(Eventually([&] { return Utf8Text(main) == Counts(file, kLargeLines); }, 30000))
        << Utf8Text(main);
    change.act(file);
    ExpectChangeSeen(varlo, main, file, change);
    PostMessageW(main, WM_CLOSE, 0, 0);
    EXPECT_EQ(varlo.Exit(), 0u);
  }
}

TEST(EndToEnd, ALargeFileChangedWhileIndexedIsReadAgainAfterOneNoticeOrWarns) {
  if (GetACP() != 932) GTEST_SKIP() << kLargeFilesOnce;
  // Long enough to be still indexing when the caption first shows.
  constexpr int kLines = 6'000'000;  // 120 MB
  testing::TempDir base;
  const fs::path original = base.Write(L"base.txt", "");
  {
    std::ofstream out(original, std::ios::binary);
    for (int at = 0; at < kLines; at += 100'000) out << NumberedLines(at, at + 100'000);
  }
  // Rewritten in its first lines, which are indexed already by then.
  const Change changes[] = {
      {"rewritten",
       [](const fs::path& p) {
         std::fstream out(p, std::ios::binary | std::ios::in | std::ios::out);
         out << NumberedLines(0, 50'000, " ");
       },
       -1, true, false},
      {"cut", [](const fs::path& p) { fs::resize_file(p, 20 * 100'000); }, 100'000, true, false},
      {"appended",
       [](const fs::path& p) { std::ofstream(p, std::ios::binary | std::ios::app) << "more\r\n"; },
       kLines, false, false},
      // Held while it is indexed, the file goes once the viewer lets it go:
      // the last page cannot be read then.
      {"deleted", [](const fs::path& p) { fs::remove(p); }, kLines, false, true},
  };
  for (const Change& change : changes) {
    SCOPED_TRACE(change.name);
    Varlo varlo;
    const fs::path file = varlo.dir.Path() / L"large.txt";
    ASSERT_TRUE(CopyFileW(original.c_str(), file.c_str(), FALSE));
    varlo.Start(L"\"" + file.wstring() + L"\"");
    HWND main = WaitFor([&] { return TopLevel(varlo.Pid(), "Varlo (ﾒｲﾝ)  "); });
    ASSERT_NE(main, nullptr);
    const bool indexing =
        Eventually([&] { return Utf8Text(main).find("読み込み中") != std::string::npos; }, 30000);
    change.act(file);
    EXPECT_TRUE(indexing && Utf8Text(main).find("読み込み中") != std::string::npos)
        << "indexed before it changed: " << Utf8Text(main);
    Change expected = change;
    // 50,000 lines a byte longer over the first 52,500.
    if (expected.linesAfter < 0) expected.linesAfter = kLines - 2'500;
    ExpectChangeSeen(varlo, main, file, expected);
    PostMessageW(main, WM_CLOSE, 0, 0);
    EXPECT_EQ(varlo.Exit(), 0u);
  }
}

// Closing the window while a large file is indexed ends the program at
// once, the settings saved.
TEST(EndToEnd, ClosingWhileALargeFileIsIndexedEndsAtOnce) {
  if (GetACP() != 932) GTEST_SKIP() << kLargeFilesOnce;
  Varlo varlo;
  const fs::path file = varlo.dir.Write(L"large.txt", "");
  {
    std::ofstream out(file, std::ios::binary);
    for (int at = 0; at < 6'000'000; at += 100'000) out << NumberedLines(at, at + 100'000);
  }
  varlo.Start(L"\"" + file.wstring() + L"\"");
  HWND main = WaitFor([&] { return TopLevel(varlo.Pid(), "Varlo (ﾒｲﾝ)  "); });
  ASSERT_NE(main, nullptr);
  const auto start = std::chrono::steady_clock::now();
  PostMessageW(main, WM_CLOSE, 0, 0);
  EXPECT_EQ(varlo.Exit(), 0u);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  EXPECT_NE(varlo.Ini().find("[FormMain]"), std::string::npos);
}

// --- A log that grows while it is shown. ---

// The top row's number, as the I key shows it.
int TopRow(Varlo& varlo, HWND main) {
  const std::string said = LineNumbersShown(varlo, main);
  const size_t at = said.find(": ");
  return at == std::string::npos ? -1 : std::atoi(said.c_str() + at + 2);
}

void Append(const fs::path& file, const std::string& bytes) {
  std::ofstream(file, std::ios::binary | std::ios::app) << bytes;
}

// This test is the program writing the log. F5 takes in what was appended;
// follow mode (Ctrl+F5) shows each line as it comes with the last row in
// view, leaves a view scrolled up where it is, follows a rotation and a cut
// with one notice each, and once off nothing moves.
TEST(EndToEnd, F5AndFollowModeShowWhatAWriterAppends) {
  Varlo varlo;
  const fs::path file = varlo.dir.Write(L"app.log", NumberedLines(0, 1000));
  varlo.Start(L"\"" + file.wstring() + L"\"");
  HWND main = varlo.Main();
  ASSERT_NE(main, nullptr);
  ASSERT_TRUE(Eventually([&] { return Utf8Text(main) == Counts(file, 1000); })) << Utf8Text(main);
  HWND viewer = Viewer(main);
  ASSERT_NE(viewer, nullptr);
  const auto shows = [&](int64_t lines) {
    return Eventually([&] { return Utf8Text(main) == Counts(file, lines); });
  };

  Key(viewer, VK_NEXT);
  const int top = TopRow(varlo, main);
  ASSERT_GT(top, 1);
  Append(file, NumberedLines(1000, 1100));
  Press(main, VK_F5);
  EXPECT_TRUE(shows(1100)) << Utf8Text(main);
  EXPECT_EQ(TopRow(varlo, main), top);

  // The last row at the bottom of the page from the start of follow mode.
  Press(main, VK_F5, {VK_CONTROL});
  Sleep(300);
  const int page = 1100 - TopRow(varlo, main);
  ASSERT_LT(page, 1100 - top);
  for (int64_t n = 1100; n < 1160; n += 6) {
    Append(file, NumberedLines(static_cast<int>(n), static_cast<int>(n) + 6));
    EXPECT_TRUE(shows(n + 6)) << Utf8Text(main);
    EXPECT_EQ(TopRow(varlo, main), n + 6 - page);
  }
  // A line written in two pieces is one line.
  Append(file, "00001160 ");
  Sleep(300);
  Append(file, "end\r\n");
  EXPECT_TRUE(shows(1161)) << Utf8Text(main);
  // Scrolled up, the view stays put.
  Key(viewer, VK_HOME);
  ASSERT_EQ(TopRow(varlo, main), 1);
  Append(file, NumberedLines(1161, 1200));
  EXPECT_TRUE(shows(1200)) << Utf8Text(main);
  EXPECT_EQ(TopRow(varlo, main), 1);

  // Rotated: renamed away and created anew; then cut to nothing.
  const auto noticeSeen = [&] {
    HWND notice = WaitFor([&] { return TopLevel(varlo.Pid(), "Varlo (ﾒｯｾｰｼﾞ)"); });
    if (notice == nullptr) return false;
    const std::vector<std::string> said = Texts(notice);
    Press(notice, VK_SPACE);
    Gone(notice);
    return std::find(said.begin(), said.end(), kChangedNotice) != said.end();
  };
  fs::rename(file, varlo.dir.Path() / L"app.1.log");
  varlo.dir.Write(L"app.log", NumberedLines(0, 50));
  EXPECT_TRUE(noticeSeen());
  EXPECT_TRUE(shows(50)) << Utf8Text(main);
  fs::resize_file(file, 0);
  EXPECT_TRUE(noticeSeen());
  EXPECT_TRUE(shows(0)) << Utf8Text(main);
  Append(file, NumberedLines(0, 5));
  EXPECT_TRUE(shows(5)) << Utf8Text(main);
  EXPECT_EQ(TopLevel(varlo.Pid(), "Varlo (ﾒｯｾｰｼﾞ)"), nullptr) << "a notice too many";

  // Off: what is appended stays out of view.
  Press(main, VK_F5, {VK_CONTROL});
  Sleep(300);
  Append(file, NumberedLines(5, 10));
  Sleep(600);
  EXPECT_EQ(Utf8Text(main), Counts(file, 5));
  PostMessageW(main, WM_CLOSE, 0, 0);
  EXPECT_EQ(varlo.Exit(), 0u);
}

}  // namespace
}  // namespace varlo
