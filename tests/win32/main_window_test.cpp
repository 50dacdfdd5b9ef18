// The main window on the real platform, in this process: files dropped on
// it as the shell drops them. (Another process cannot hand over a drop: the
// names live in memory of the process that made them.)
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "app/main_form.h"
#include "platform/application.h"
#include "platform/control.h"
#include "platform/timer.h"
#include "platform/win32/backend.h"
#include "platform/win32/codepage.h"
#include "tests/support/temp_dir.h"
#include "tests/win32/drop.h"

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

// The platform, with the program in a folder of the test's own and no
// command line.
class ProgramBackend : public win32::Win32Backend {
 public:
  explicit ProgramBackend(fs::path folder) : FExe(std::move(folder) / "varlo.exe") {}
  std::string ExecutablePath() override { return Utf8FromPath(FExe); }
  std::vector<std::string> CommandLineArguments() override { return {}; }

 private:
  fs::path FExe;
};

struct WindowRig {
  testing::TempDir dir;
  ProgramBackend backend{dir.Path()};
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

  bool PumpUntil(const std::function<bool()>& done) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < end) {
      backend.ProcessMessages();
      if (done()) return true;
      backend.WaitForInput(20);
    }
    return false;
  }
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

}  // namespace
}  // namespace varlo
