// The Win32 platform as the program runs on it, for tests that drive the
// main window in-process: the program in a folder of the test's own, the
// command line the test gives, pop-up menus recorded instead of shown.
#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "platform/menu.h"
#include "platform/text.h"
#include "platform/win32/backend.h"

namespace varlo::testing {

class ProgramBackend : public win32::Win32Backend {
 public:
  explicit ProgramBackend(std::filesystem::path folder) : FExe(std::move(folder) / "varlo.exe") {}
  std::string ExecutablePath() override { return Utf8FromPath(FExe); }
  std::vector<std::string> CommandLineArguments() override { return FArguments; }
  void TrackPopupMenu(TPopupMenu& menu, TPoint screen) override {
    popups.push_back({&menu, screen});
  }
  std::vector<std::string> FArguments;
  struct Popup {
    TPopupMenu* menu;
    TPoint at;
  };
  std::vector<Popup> popups;

 private:
  std::filesystem::path FExe;
};

// Runs the message loop until `done` holds; the bound of ten seconds only
// keeps a fault from hanging the test.
inline bool PumpUntil(Backend& backend, const std::function<bool()>& done) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (std::chrono::steady_clock::now() < end) {
    backend.ProcessMessages();
    if (done()) return true;
    backend.WaitForInput(20);
  }
  return false;
}

}  // namespace varlo::testing
