// Times varlo.exe opening a file as a user sees it: from starting the
// program until its window is visible with a caption that shows the line
// counts. Also reads the program's peak memory at that moment (the peak
// working set, which Wine takes from the process's own VmHWM), then ends
// the program. Runs under Wine.
//   varlo-exe-open VARLO.EXE FILE RUNS
// Prints one line per run: "seconds peak_bytes".
#include <windows.h>
// After windows.h, which it needs.
#include <psapi.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

namespace {

namespace fs = std::filesystem;

struct Search {
  DWORD pid;
  bool shown = false;
};

// A visible top-level window of the process whose caption holds the counts.
bool Shown(DWORD pid) {
  Search search{pid};
  EnumWindows(
      [](HWND h, LPARAM p) -> BOOL {
        auto* s = reinterpret_cast<Search*>(p);
        DWORD owner = 0;
        GetWindowThreadProcessId(h, &owner);
        if (owner != s->pid || !IsWindowVisible(h)) return TRUE;
        wchar_t text[1024] = {};
        GetWindowTextW(h, text, 1024);
        if (std::wstring(text).find(L"全行数") == std::wstring::npos) return TRUE;
        s->shown = true;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.shown;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: varlo-exe-open VARLO.EXE FILE RUNS\n");
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
    const auto start = std::chrono::steady_clock::now();
    if (!CreateProcessW(exe.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, dir.c_str(),
                        &si, &pi)) {
      std::fprintf(stderr, "varlo-exe-open: CreateProcessW failed: %lu\n", GetLastError());
      return 1;
    }
    const auto limit = start + std::chrono::seconds(120);
    bool shown = false;
    while (!(shown = Shown(pi.dwProcessId)) && std::chrono::steady_clock::now() < limit &&
           WaitForSingleObject(pi.hProcess, 2) == WAIT_TIMEOUT) {
    }
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(pi.hProcess, &counters, sizeof counters);
    if (shown) {
      std::printf("%.4f %llu\n", took.count(),
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
