// Times varlo.exe opening a file as a user sees it: from starting the
// program until its window shows the first page (its caption then names the
// file, with the progress of the indexing or the line counts), and until
// the caption shows the line counts. Also reads the program's peak memory
// at that moment (the peak working set, which Wine takes from the process's
// own VmHWM), then ends the program. Runs under Wine.
//   varlo-exe-open VARLO.EXE FILE RUNS [TEXT]
// Prints one line per run: "seconds peak_bytes first_page_seconds", or
// "warning: seconds peak_bytes" when the program warns instead. With TEXT (which the file
// must not hold), the last run goes on to the commands of a user on a large
// file and prints a line for each: the counts in the caption, End, a no-hit
// search for TEXT from the top, and a jump to the last line (or to the
// farthest line the jump takes). With --follow instead of TEXT, it turns
// follow mode on and times lines appended to the file until they show.
#include <windows.h>
// After windows.h, which it needs.
#include <psapi.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

double MsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// The first window that `match` takes: of the top-level windows when
// `parent` is null, else of the parent's children.
HWND First(HWND parent, const std::function<bool(HWND)>& match) {
  struct Search {
    const std::function<bool(HWND)>& match;
    HWND found = nullptr;
  } search{match};
  const WNDENUMPROC visit = [](HWND h, LPARAM p) -> BOOL {
    auto* s = reinterpret_cast<Search*>(p);
    if (!s->match(h)) return TRUE;
    s->found = h;
    return FALSE;
  };
  if (parent == nullptr) {
    EnumWindows(visit, reinterpret_cast<LPARAM>(&search));
  } else {
    EnumChildWindows(parent, visit, reinterpret_cast<LPARAM>(&search));
  }
  return search.found;
}

// A visible top-level window of the process whose caption holds `part`.
HWND TopLevel(DWORD pid, const std::wstring& part) {
  return First(nullptr, [&](HWND h) {
    DWORD owner = 0;
    GetWindowThreadProcessId(h, &owner);
    if (owner != pid || !IsWindowVisible(h)) return false;
    wchar_t text[1024] = {};
    GetWindowTextW(h, text, 1024);
    return std::wstring(text).find(part) != std::wstring::npos;
  });
}

const std::wstring kCounts = L"全行数 : ", kIndexing = L"読み込み中 ";
const std::wstring kSearchCaption = L"Varlo (検索)", kJumpCaption = L"Varlo (ｼﾞｬﾝﾌﾟ)",
                   kNoticeCaption = L"Varlo (ﾒｯｾｰｼﾞ)";

HWND EditOf(HWND dialog) {
  return First(dialog, [](HWND h) {
    wchar_t name[32] = {};
    GetClassNameW(h, name, 32);
    return _wcsicmp(name, L"Edit") == 0;
  });
}

// Polls until `find` gives a window, for at most `seconds`.
HWND WaitFor(const std::function<HWND()>& find, double seconds) {
  const auto start = Clock::now();
  for (;;) {
    if (HWND h = find()) return h;
    if (MsSince(start) > seconds * 1000) return nullptr;
    Sleep(1);
  }
}

// Polls until no window of the process has `caption`, for at most `seconds`.
bool WaitGone(DWORD pid, const std::wstring& caption, double seconds) {
  const auto start = Clock::now();
  while (TopLevel(pid, caption) != nullptr) {
    if (MsSince(start) > seconds * 1000) return false;
    Sleep(1);
  }
  return true;
}

void Post(HWND h, WPARAM vk) {
  PostMessageW(h, WM_KEYDOWN, vk, 1);
  PostMessageW(h, WM_KEYUP, vk, static_cast<LPARAM>(0xC0000001u));
}

// Opens a dialog with its key and types `text` into its edit box: the box,
// or null when the dialog did not come.
HWND DialogWithText(DWORD pid, HWND viewer, WPARAM key, const std::wstring& caption,
                    const std::wstring& text) {
  Post(viewer, key);
  HWND dialog = WaitFor([&] { return TopLevel(pid, caption); }, 10);
  HWND edit = dialog != nullptr ? EditOf(dialog) : nullptr;
  if (edit != nullptr) SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
  return edit;
}

// How often the program's windows are looked at while it starts.
constexpr DWORD kLookMs = 5;

int Failed(const char* what) {
  std::fprintf(stderr, "varlo-exe-open: %s\n", what);
  return 1;
}

// "name: median (runs fastest to slowest[, note])"
void PrintSpread(const char* name, std::vector<double> v, const std::string& note) {
  std::sort(v.begin(), v.end());
  std::printf("%s: %.3f (runs %.3f to %.3f%s)\n", name, v[v.size() / 2], v.front(), v.back(),
              note.empty() ? "" : ("," + note).c_str());
  std::fflush(stdout);
}

// The commands, each timed as the program's work where the message can be
// sent straight to the window, else from the key to the answer on screen.
int TimeCommands(DWORD pid, const std::wstring& text) {
  HWND main = TopLevel(pid, kCounts);
  wchar_t caption[2048] = {};
  GetWindowTextW(main, caption, 2048);
  long long views = 0, lines = 0;
  const std::wstring c = caption;
  if (swscanf(c.c_str() + c.find(kCounts) + kCounts.size(), L"%lld (%lld)", &views, &lines) != 2)
    return Failed("no counts in the caption");
  std::printf("counts: %lld %lld\n", views, lines);
  // The viewer is the child with the vertical scroll bar.
  HWND viewer = WaitFor(
      [&] {
        return First(main, [](HWND h) { return (GetWindowLongW(h, GWL_STYLE) & WS_VSCROLL) != 0; });
      },
      10);
  if (viewer == nullptr) return Failed("no viewer");

  // End from the top: the key's handling less a message's round trip.
  std::vector<double> ends;
  for (int i = 0; i < 21; ++i) {
    SendMessageW(viewer, WM_KEYDOWN, VK_HOME, 1);
    auto start = Clock::now();
    SendMessageW(viewer, WM_NULL, 0, 0);
    const double trip = MsSince(start);
    start = Clock::now();
    SendMessageW(viewer, WM_KEYDOWN, VK_END, 1);
    ends.push_back(MsSince(start) - trip);
  }
  SendMessageW(viewer, WM_KEYDOWN, VK_HOME, 1);
  PrintSpread("end_ms", ends, "");

  // A search with no hit from the top: F, the text, Enter, until the notice.
  HWND edit = DialogWithText(pid, viewer, 'F', kSearchCaption, text);
  if (edit == nullptr) return Failed("no search dialog");
  auto start = Clock::now();
  Post(edit, VK_RETURN);
  HWND notice = WaitFor([&] { return TopLevel(pid, kNoticeCaption); }, 600);
  if (notice == nullptr) return Failed("no notice after the search");
  std::printf("search_s: %.3f\n", MsSince(start) / 1000);
  std::fflush(stdout);
  PostMessageW(notice, WM_CLOSE, 0, 0);
  if (!WaitGone(pid, kNoticeCaption, 10)) return Failed("the notice stays");

  // A jump to the last line, or to the farthest the jump's view-line limit
  // lets it go on this file.
  const long long target =
      views <= 999999 ? lines : std::max(1LL, 999999LL * lines / views * 99 / 100);
  const std::wstring number = std::to_wstring(target);
  std::vector<double> jumps;
  for (int i = 0; i < 7; ++i) {
    SendMessageW(viewer, WM_KEYDOWN, VK_HOME, 1);
    edit = DialogWithText(pid, viewer, 'J', kJumpCaption, number);
    if (edit == nullptr) return Failed("no jump dialog");
    start = Clock::now();
    Post(edit, VK_RETURN);
    if (!WaitGone(pid, kJumpCaption, 10)) return Failed("the jump dialog stays");
    SendMessageW(main, WM_NULL, 0, 0);
    jumps.push_back(MsSince(start));
  }
  // A notice here would mean the line was out of the jump's range.
  Sleep(200);
  if (TopLevel(pid, kNoticeCaption) != nullptr) return Failed("the jump was refused");
  PrintSpread("jump_ms", jumps, " to line " + std::to_string(target) + ", dialog included");
  return 0;
}

}  // namespace

// The line count in the main window's caption; -1 when it shows none.
long long CaptionLines(HWND main) {
  wchar_t caption[2048] = {};
  GetWindowTextW(main, caption, 2048);
  const std::wstring c = caption;
  const size_t at = c.find(kCounts);
  long long views = 0, lines = 0;
  if (at == std::wstring::npos ||
      swscanf(c.c_str() + at + kCounts.size(), L"%lld (%lld)", &views, &lines) != 2)
    return -1;
  return lines;
}

// Follow mode: Ctrl+F5, then a line appended at a time, as a program writing
// a log does, and the time until the caption counts it (the last row is on
// view by then).
int TimeFollow(DWORD pid, const fs::path& file) {
  HWND main = TopLevel(pid, kCounts);
  const auto ctrlF5 = [&] {
    SetForegroundWindow(main);
    INPUT keys[4] = {};
    const WORD codes[4] = {VK_CONTROL, VK_F5, VK_F5, VK_CONTROL};
    for (int i = 0; i < 4; ++i) {
      keys[i].type = INPUT_KEYBOARD;
      keys[i].ki.wVk = codes[i];
      keys[i].ki.dwFlags = i < 2 ? 0 : KEYEVENTF_KEYUP;
    }
    SendInput(4, keys, sizeof(INPUT));
    Sleep(500);
  };
  ctrlF5();
  // Keys sent as the window comes to the front are now and then lost
  // under Xvfb; the menu's check mark cannot be read from another process.
  // A first line that does not come within a second is taken for that:
  // Ctrl+F5 once more, and that line's lag does not count.
  bool retried = false;
  std::vector<double> lags;
  for (int i = 0; i < 21; ++i) {
    const long long before = CaptionLines(main);
    // Somewhere between two of the program's looks.
    Sleep(37 * static_cast<DWORD>(i % 7));
    HANDLE h = CreateFileW(file.c_str(), FILE_APPEND_DATA,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return Failed("cannot append to the file");
    const std::string line = "followed line " + std::to_string(i) + "\r\n";
    DWORD put = 0;
    const auto start = Clock::now();
    WriteFile(h, line.data(), static_cast<DWORD>(line.size()), &put, nullptr);
    CloseHandle(h);
    bool counts = true;
    while (CaptionLines(main) != before + 1) {
      if (i == 0 && !retried && MsSince(start) > 1000) {
        retried = true;
        counts = false;
        ctrlF5();
      }
      if (MsSince(start) > 5000) {
        // What the file holds against what the caption says, for the
        // report.
        std::ifstream in(file, std::ios::binary);
        const std::string all((std::istreambuf_iterator<char>(in)),
                              std::istreambuf_iterator<char>());
        std::fprintf(stderr,
                     "varlo-exe-open: appended line %d: the caption counts %lld lines, not %lld;"
                     " the file holds %lld\n",
                     i, CaptionLines(main), before + 1,
                     static_cast<long long>(std::count(all.begin(), all.end(), '\n')));
        return Failed("the appended line did not come");
      }
      Sleep(1);
    }
    if (counts) lags.push_back(MsSince(start));
  }
  PrintSpread("follow_lag_ms", lags, "");
  return 0;
}

int wmain(int argc, wchar_t** argv) {
  if (argc != 4 && argc != 5) {
    std::fprintf(stderr, "usage: varlo-exe-open VARLO.EXE FILE RUNS [TEXT]\n");
    return 2;
  }
  // A folder of its own, so that no settings file of an earlier run counts.
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  const fs::path dir =
      fs::path(temp) / (L"varlo-exe-open-" + std::to_wstring(GetCurrentProcessId()));
  fs::create_directories(dir);
  const fs::path exe = dir / L"varlo.exe";
  fs::copy_file(argv[1], exe, fs::copy_options::overwrite_existing);
  const int runs = _wtoi(argv[3]);
  int status = 0;
  for (int run = 0; run < runs && status == 0; ++run) {
    fs::remove(dir / L"varlo.INI");
    std::wstring line = L"\"" + exe.wstring() + L"\" \"" + argv[2] + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    const auto start = Clock::now();
    if (!CreateProcessW(exe.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, dir.c_str(),
                        &si, &pi)) {
      std::fprintf(stderr, "varlo-exe-open: CreateProcessW failed: %lu\n", GetLastError());
      return 1;
    }
    const auto limit = start + std::chrono::seconds(600);
    bool shown = false, warned = false;
    double firstPage = -1;
    // Every window of the process is looked at until the first page shows;
    // then only the main window's caption, and seldom whether a warning
    // came: each look at every window takes its time from the program.
    // A look every kLookMs (each look is a call to the server, and so is
    // each wait): looking every millisecond took a sixth of a core, which
    // the program then lacked.
    HWND main = nullptr;
    for (int look = 0; Clock::now() < limit; ++look) {
      if (main == nullptr) {
        shown = TopLevel(pi.dwProcessId, kCounts) != nullptr;
        if (!shown && (main = TopLevel(pi.dwProcessId, kIndexing)) != nullptr)
          firstPage = MsSince(start) / 1000;
      } else {
        wchar_t caption[2048] = {};
        GetWindowTextW(main, caption, 2048);
        shown = std::wstring(caption).find(kCounts) != std::wstring::npos;
      }
      if (shown) break;
      if ((main == nullptr || look % 16 == 0) &&
          (warned = TopLevel(pi.dwProcessId, L"警告") != nullptr))
        break;
      if (WaitForSingleObject(pi.hProcess, kLookMs) != WAIT_TIMEOUT) break;
    }
    const double took = MsSince(start) / 1000;
    if (firstPage < 0) firstPage = took;
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(pi.hProcess, &counters, sizeof counters);
    if (shown) {
      std::printf("%.4f %llu %.4f\n", took,
                  static_cast<unsigned long long>(counters.PeakWorkingSetSize), firstPage);
      std::fflush(stdout);
      if (argc == 5 && run + 1 == runs)
        status = std::wstring(argv[4]) == L"--follow" ? TimeFollow(pi.dwProcessId, argv[2])
                                                      : TimeCommands(pi.dwProcessId, argv[4]);
    } else if (warned) {
      // A refused file.
      std::printf("warning: %.4f %llu\n", took,
                  static_cast<unsigned long long>(counters.PeakWorkingSetSize));
      std::fflush(stdout);
    } else {
      std::fprintf(stderr, "varlo-exe-open: no caption with the counts\n");
      status = 1;
    }
    TerminateProcess(pi.hProcess, 0);
    WaitForSingleObject(pi.hProcess, 30000);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
  }
  std::error_code ignored;
  fs::remove_all(dir, ignored);
  return status;
}
