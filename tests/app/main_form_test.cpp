// The main window on the offscreen backend: start-up with and without a
// settings file, the command line, the three ways of opening a file and
// their warnings, the caption, the settings written at exit, the exit
// question, the wrap switch and the key list.
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <new>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "app/settings.h"
#include "dialogs/notice_form.h"
#include "dialogs/wrap_switch_form.h"
#include "tests/support/app_rig.h"

#ifndef _WIN32
#include <sys/resource.h>
#endif

namespace varlo {
namespace {

using testing::AppRig;

constexpr const char* kNotFound = "   指定されたファイルが存在しません。          ";
constexpr const char* kCannotOpen = "   指定されたファイルがオープンできません。          ";

const char* const kFreshIni =
    "[FormMain]\r\nMem=0\r\nLeft=330\r\nTop=302\r\nWidth=620\r\nHeight=420\r\n"
    "[FindStrName]\r\n1=\r\n[JumpLineNum]\r\n1=\r\n"
    "[KoumokuSetName]\r\nCheckWrapChar=1\r\nCheckTabChar=1\r\nCheckFindScroll=1\r\n"
    "CheckScrollSense=1\r\nCheckCloseDialog=1\r\n"
    "[KoumokuSetNum]\r\nEditSearchResum=1\r\nEditJumpResum=1\r\nEditWrapChar=80\r\n"
    "EditTabChar=4\r\nEditFindScroll=0\r\nEditScrollSense=1\r\n"
    "[TextJyouhou]\r\nTextFontName=system\r\nTextFontSize=14\r\nTextFontColor=clBlack\r\n"
    "TextBackColor=clWindow\r\n"
    "[ProgTitle]\r\n1=\r\n2=\r\n[ProgName]\r\n1=\r\n2=\r\n[ProgOption]\r\n1=\r\n2=\r\n"
    "[ProgDir]\r\n1=\r\n2=\r\n[ProgShortCut]\r\n1=\r\n2=\r\n"
    "[SearchUperLower]\r\nSet=0\r\n";

TEST(MainForm, FirstRunCentresTheWindowAndWritesEveryKeyInOrder) {
  AppRig rig;
  TForm1& f = rig.Start();
  EXPECT_EQ(f.Caption(), "Varlo (ﾒｲﾝ)");
  EXPECT_EQ(f.Left(), (1280 - 620) / 2);
  EXPECT_EQ(f.Top(), (1024 - 420) / 2);
  EXPECT_EQ(f.Width(), 620);
  EXPECT_FALSE(f.Item("MenuSearch").Enabled());
  EXPECT_FALSE(f.Item("MenuReFind").Enabled());
  EXPECT_FALSE(f.Item("PopLaunchRun").Enabled());
  EXPECT_TRUE(f.Item("MenuFileOpen").Enabled());
  EXPECT_EQ(f.BigView1.BvStyle(), BvSet({bvDblFrame}));
  EXPECT_EQ(f.BigView1.WrapByte(), 80);
  EXPECT_EQ(f.BigView1.ViewTabStop(), 4);
  EXPECT_EQ(f.BigView1.Font().Size(), 14);
  EXPECT_EQ(f.BigView1.Color(), clWindow);
  rig.Finish();
  EXPECT_EQ(rig.ReadIni(), kFreshIni);
  EXPECT_TRUE(rig.backend.Errors().empty());
}

TEST(MainForm, StoredValuesAreAppliedAndClampedOnesWrittenBack) {
  AppRig rig;
  rig.WriteIni(
      "[FormMain]\r\nMem=1\r\nLeft=10\r\nTop=20\r\nWidth=500\r\nHeight=300\r\n"
      "[KoumokuSetName]\r\nCheckWrapChar=0x1\r\nCheckTabChar=0\r\nCheckScrollSense=abc\r\n"
      "[KoumokuSetNum]\r\nEditWrapChar=1\r\nEditTabChar=99\r\nEditScrollSense=11\r\nEditFindScroll="
      " -3\r\n"
      "[TextJyouhou]\r\nTextBackColor=CLBLUE\r\nTextFontColor=$000000FF\r\nTextFontSize=10\r\n"
      "[FindStrName]\r\n1=\x8c\x9f\x8d\xf5\r\n");
  TForm1& f = rig.Start();
  EXPECT_EQ(f.BoundsRect(), (TRect{10, 20, 510, 320}));
  EXPECT_TRUE(f.FCheckWrapChar);     // "0x1" is hexadecimal 1
  EXPECT_TRUE(f.FCheckScrollSense);  // not a number: the default
  EXPECT_EQ(f.BigView1.WrapByte(), 2);
  EXPECT_EQ(f.BigView1.ViewTabStop(), 0);  // tabs off: the text stays
  EXPECT_EQ(f.BigView1.ScrollSense(), 10);
  EXPECT_EQ(f.FFindScroll, 0);
  EXPECT_EQ(f.BigView1.Color(), clBlue);
  EXPECT_EQ(f.BigView1.Font().Color, clRed);
  EXPECT_EQ(f.BigView1.Font().Size(), 10);
  EXPECT_EQ(f.FFindStr[1], "\x8c\x9f\x8d\xf5");
  rig.Finish();
  const std::string ini = rig.ReadIni();
  EXPECT_NE(ini.find("EditWrapChar=2\r\n"), std::string::npos);
  EXPECT_NE(ini.find("EditTabChar=99\r\n"), std::string::npos);
  EXPECT_NE(ini.find("EditScrollSense=10\r\n"), std::string::npos);
  EXPECT_NE(ini.find("EditFindScroll=0\r\n"), std::string::npos);
  EXPECT_NE(ini.find("TextBackColor=CLBLUE\r\n"), std::string::npos);
  EXPECT_NE(ini.find("1=\x8c\x9f\x8d\xf5\r\n"), std::string::npos);
  EXPECT_NE(ini.find("Mem=1\r\n"), std::string::npos);
}

// Every key of the table, set to a value of its own, is read back as
// written: no key is missing from the reader or the writer, and none
// reads into another's field.
TEST(MainForm, EverySettingReadsBackWhatWasWritten) {
  AppRig rig;
  TForm1& f = rig.Start();
  int n = 0;
  const auto text = [](const TSetting& row) {
    if (auto* b = std::get_if<bool*>(&row.Field)) return std::string(**b ? "1" : "0");
    if (auto* i = std::get_if<int*>(&row.Field)) return std::to_string(**i);
    return *std::get<std::string*>(row.Field);
  };
  for (const TSetting& row : SettingsOf(f)) {
    ++n;
    if (auto* b = std::get_if<bool*>(&row.Field)) **b = row.Default == "0";
    if (auto* i = std::get_if<int*>(&row.Field)) **i = 1000 + n;
    if (auto* t = std::get_if<std::string*>(&row.Field)) **t = "\x92\x6c" + std::to_string(n);
  }
  f.WriteIniFileValue();
  TMainState back;
  ReadSettings(rig.IniPath(), back);
  const std::vector<TSetting> written = SettingsOf(f), read = SettingsOf(back);
  ASSERT_EQ(written.size(), read.size());
  for (size_t i = 0; i < read.size(); ++i)
    EXPECT_EQ(text(read[i]), text(written[i])) << written[i].Section << "/" << written[i].Key;
}

TEST(MainForm, OneMissingBoundCentresTheWindow) {
  AppRig rig;
  rig.WriteIni("[FormMain]\r\nMem=1\r\nLeft=10\r\nTop=20\r\nWidth=-1\r\nHeight=300\r\n");
  TForm1& f = rig.Start();
  EXPECT_EQ(f.Left(), 330);
  EXPECT_EQ(f.Width(), 620);
  rig.Finish();
  EXPECT_NE(rig.ReadIni().find("Width=620\r\n"), std::string::npos);
}

// On a display of 144 pixels per inch the window and the viewer's font are
// half as large again, the settings file keeps the window's place at 96 as
// it always has, and a move to a display of another resolution keeps the
// line at the top.
TEST(MainForm, TheWindowFollowsTheDisplaysResolutionAndTheFileKeepsItsPlaceAt96) {
  AppRig rig;
  rig.backend.SetScreenPixelsPerInch(144);
  rig.WriteIni(
      "[FormMain]\r\nMem=1\r\nLeft=10\r\nTop=20\r\nWidth=501\r\nHeight=300\r\n"
      "[KoumokuSetName]\r\nCheckWrapChar=1\r\n[KoumokuSetNum]\r\nEditWrapChar=40\r\n");
  std::string text;
  for (int i = 0; i < 300; ++i) text += std::to_string(i) + std::string(150, 'x') + "\r\n";
  rig.WriteFile("a.txt", text);
  TForm1& f = rig.Start({rig.Utf8Path("a.txt")});
  EXPECT_EQ(f.BoundsRect(), (TRect{15, 30, 15 + 752, 30 + 450}));
  EXPECT_EQ(f.BigView1.PixelsPerInch(), 144);
  EXPECT_EQ(f.BigView1.Font().Size(), 14);
  EXPECT_EQ(f.BigView1.Font().Height, -28);
  // At the window width, moved to a display of 96 pixels per inch: the
  // platform's rectangle, and the same line at the top.
  f.BigView1.SetWrapByte(0);
  f.BigView1.SetTopLine(f.BigView1.ViewIndexOfLine(200));
  const int64_t views = f.BigView1.ViewCount();
  ControlEvents::PixelsPerInchChanged(f, 96, {40, 50, 40 + 501, 50 + 300});
  EXPECT_EQ(f.BoundsRect(), (TRect{40, 50, 40 + 501, 50 + 300}));
  EXPECT_EQ(f.BigView1.Font().Height, -19);
  EXPECT_GT(f.BigView1.ViewCount(), views);
  EXPECT_EQ(f.BigView1.LineIndexOfView(f.BigView1.TopLine()), 200);
  ControlEvents::PixelsPerInchChanged(f, 144, {15, 30, 15 + 752, 30 + 450});
  EXPECT_EQ(f.BigView1.ViewCount(), views);
  EXPECT_EQ(f.BigView1.LineIndexOfView(f.BigView1.TopLine()), 200);
  rig.Finish();
  EXPECT_NE(rig.ReadIni().find("Left=10\r\nTop=20\r\nWidth=501\r\nHeight=300\r\n"),
            std::string::npos)
      << rig.ReadIni();

  // On a second display of 192 pixels per inch: the place on the screen's
  // scale, the size on the display's.
  AppRig second;
  second.backend.SetScreenPixelsPerInch(144);
  second.backend.SetDisplayPixelsPerInch(192);
  second.WriteIni("[FormMain]\r\nMem=1\r\nLeft=10\r\nTop=20\r\nWidth=501\r\nHeight=300\r\n");
  EXPECT_EQ(second.Start().BoundsRect(), (TRect{15, 30, 15 + 1002, 30 + 600}));
  second.Finish();
  EXPECT_NE(second.ReadIni().find("Left=10\r\nTop=20\r\nWidth=501\r\nHeight=300\r\n"),
            std::string::npos)
      << second.ReadIni();
}

TEST(MainForm, AnUnconvertibleValueStopsStartUpWithTheConversionError) {
  AppRig rig;
  rig.WriteIni("[TextJyouhou]\r\nTextFontName=\x82\x6c\x82\x72 Gothic\r\nTextFontSize=big\r\n");
  const std::string file = rig.Utf8Path("a.txt");
  rig.WriteFile("a.txt", "line\r\n");
  TForm1& f = rig.Start({file});
  ASSERT_EQ(rig.backend.Errors().size(), 1u);
  EXPECT_EQ(rig.backend.Errors()[0], "'big' は整数ではありません");
  // The name came before the size and is applied; the remaining steps were
  // skipped: no file was opened.
  EXPECT_EQ(f.BigView1.Font().Name, "ＭＳ Gothic");
  EXPECT_EQ(f.BigView1.LineCount(), 0);
  EXPECT_EQ(f.BigView1.BvStyle(), BvSet({bvDblFrame}));
}

TEST(MainForm, AnEmptyValuePresentInTheFileFailsToo) {
  AppRig rig;
  rig.WriteIni("[KoumokuSetNum]\r\nEditWrapChar=\r\n");
  rig.Start();
  ASSERT_EQ(rig.backend.Errors().size(), 1u);
  EXPECT_EQ(rig.backend.Errors()[0], "'' は整数ではありません");
}

TEST(MainForm, CommandLineFileOpensAndTheCaptionCountsLines) {
  AppRig rig;
  std::string text;
  for (int i = 0; i < 3; ++i) text += std::string(200, 'x') + "\r\n";
  const std::string name = rig.Utf8Path("三行.txt");
  rig.WriteFile("三行.txt", text);
  TForm1& f = rig.Start({name, "ignored.txt"});
  EXPECT_EQ(f.Caption(), "Varlo (ﾒｲﾝ)  " + name + "  全行数 : 9 (3)");
  EXPECT_TRUE(f.Item("MenuSearch").Enabled());
  EXPECT_TRUE(f.Item("PopLaunchRun2").Enabled());
  EXPECT_EQ(f.FFileName, name);
  EXPECT_TRUE(rig.Seen().empty());
}

TEST(MainForm, MissingAndUnreadableFilesGiveTheirWarnings) {
  AppRig rig;
  rig.Answer("中止(&A)");
  TForm1& f = rig.Start({rig.Utf8Path("missing.txt")});
  ASSERT_EQ(rig.Seen().size(), 1u);
  EXPECT_EQ(rig.Seen()[0].caption, "警告");
  EXPECT_EQ(rig.Seen()[0].text, kNotFound);
  EXPECT_EQ(rig.Seen()[0].buttons, (std::vector<std::string>{"中止(&A)"}));
  EXPECT_EQ(f.Caption(), "Varlo (ﾒｲﾝ)");
  EXPECT_EQ(f.FFileName, rig.Utf8Path("missing.txt"));

  // The open dialog: a directory exists but does not load.
  std::filesystem::create_directories(rig.dir.Path() / "folder.txt");
  rig.backend.OnOpenDialog = [&](TOpenDialog& d) {
    d.FileName = rig.Utf8Path("folder.txt");
    return true;
  };
  f.MenuFileOpenClick(f);
  EXPECT_EQ(rig.BoxTexts().back(), kNotFound);  // a folder is no file
  // A file beyond the store's limits, or unreadable, cannot be opened.
  rig.WriteFile("ok.txt", "a\r\nb\r\n");
  rig.backend.OnOpenDialog = [&](TOpenDialog& d) {
    d.FileName = rig.Utf8Path("ok.txt");
    return true;
  };
  f.MenuFileOpenClick(f);
  EXPECT_EQ(f.BigView1.LineCount(), 2);
  EXPECT_TRUE(f.Item("MenuSearch").Enabled());
  // Cancelled: nothing changes.
  rig.backend.OnOpenDialog = [](TOpenDialog&) { return false; };
  f.MenuFileOpenClick(f);
  EXPECT_EQ(f.FFileName, rig.Utf8Path("ok.txt"));
}

TEST(MainForm, DroppedFilesOpenTheFirstAndWarnWithCannotOpen) {
  AppRig rig;
  TForm1& f = rig.Start();
  rig.WriteFile("one.txt", "1\r\n");
  rig.WriteFile("two.txt", "2\r\n2\r\n");
  auto& window = offscreen::WindowOf(f);
  EXPECT_TRUE(window.AcceptsFiles());
  f.SetWindowState(wsMinimized);
  window.DropFiles({rig.Utf8Path("one.txt"), rig.Utf8Path("two.txt"), "/x"});
  EXPECT_EQ(f.BigView1.LineCount(), 1);
  EXPECT_EQ(f.WindowState(), wsNormal);
  EXPECT_NE(f.Caption().find("one.txt"), std::string::npos);
  // A name that does not exist is a load failure, not a missing file; a
  // minimised window stays so.
  f.SetWindowState(wsMinimized);
  window.DropFiles({rig.Utf8Path("gone.txt")});
  EXPECT_EQ(rig.BoxTexts(), (std::vector<std::string>{kCannotOpen}));
  EXPECT_EQ(f.BigView1.LineCount(), 0);
  EXPECT_NE(f.Caption().find("one.txt"), std::string::npos);
  EXPECT_EQ(f.WindowState(), wsMinimized);
  f.SetWindowState(wsNormal);
  // Long names open whole.
  const std::string deep = std::string(120, 'a') + "/" + std::string(120, 'b') + "/長い名前" +
                           std::string(100, 'c') + ".txt";
  std::filesystem::create_directories((rig.dir.Path() / deep).parent_path());
  rig.WriteFile(deep, "long\r\nname\r\n");
  ASSERT_GT(rig.Utf8Path(deep).size(), 300u);
  window.DropFiles({rig.Utf8Path(deep)});
  EXPECT_EQ(f.BigView1.LineCount(), 2);
}

// The clock moves on only as the load lets the window paint (100 ms each
// time): the caption shows the progress from half a second on, and the
// counts once the file is open; a load that fails puts the caption back.
TEST(MainForm, ALongLoadShowsItsProgressInTheCaption) {
  AppRig rig;
  TForm1& f = rig.Start();
  std::string text;
  while (text.size() < (size_t{10} << 20)) text += std::string(98, 'x') + "\r\n";
  rig.WriteFile("big.txt", text);
  const std::string name = rig.Utf8Path("big.txt");
  rig.backend.OnOpenDialog = [&](TOpenDialog& d) {
    d.FileName = name;
    return true;
  };
  // Indexed in many steps.
  f.BigView1.SetIndexSizes({.Block = size_t{4} << 10, .Chunk = size_t{64} << 10});
  f.MenuFileOpenClick(f);
  // The first page at once, the rest in the background with its progress.
  ASSERT_TRUE(f.BigView1.Indexing());
  EXPECT_GE(f.BigView1.ViewCount(), f.BigView1.PageLines());
  std::vector<std::string> captions{f.Caption()};
  while (f.BigView1.Indexing()) {
    rig.backend.AdvanceTime(15);
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
    captions.push_back(f.Caption());
  }
  captions.pop_back();
  const std::string loading = "Varlo (ﾒｲﾝ)  " + name + "  読み込み中 ";
  int last = 0;
  for (const std::string& c : captions) {
    ASSERT_EQ(c.rfind(loading, 0), 0u) << c;
    const int percent = std::stoi(c.substr(loading.size()));
    EXPECT_EQ(c, loading + std::to_string(percent) + "%");
    EXPECT_GE(percent, last);
    EXPECT_LE(percent, 100);
    last = percent;
  }
  const std::string opened = "Varlo (ﾒｲﾝ)  " + name +
                             "  全行数 : " + std::to_string(f.BigView1.ViewCount()) + " (" +
                             std::to_string(f.BigView1.LineCount()) + ")";
  EXPECT_EQ(f.Caption(), opened);
  EXPECT_EQ(f.BigView1.LineCount(), static_cast<int64_t>(text.size() / 100));

  // A quick load shows no progress.
  f.BigView1.SetIndexSizes({.Chunk = size_t{16} << 20, .FirstChunk = size_t{16} << 20});
  f.MenuFileOpenClick(f);
  EXPECT_FALSE(f.BigView1.Indexing());
  EXPECT_EQ(f.Caption(), opened);

  // A load that fails after showing its progress leaves the caption as it
  // was before, and nothing of the file on view.
  f.BigView1.SetIndexSizes({.Block = size_t{4} << 10, .Chunk = size_t{64} << 10});
  rig.Answer("中止(&A)");
  f.MenuFileOpenClick(f);
  ASSERT_TRUE(f.BigView1.Indexing());
  EXPECT_EQ(f.Caption().rfind(loading, 0), 0u);
  f.BigView1.OnLoadProgress = [](int64_t, int64_t) { throw std::bad_alloc(); };
  rig.Settle();
  f.BigView1.OnLoadProgress = nullptr;
  EXPECT_EQ(rig.BoxTexts(), (std::vector<std::string>{kCannotOpen}));
  EXPECT_EQ(f.Caption(), opened);
  EXPECT_EQ(f.BigView1.LineCount(), 0);
}

#ifndef _WIN32
// A file larger than the memory the process can have is refused with the
// cannot-open warning and an empty view, never with a crash: where the text
// itself does not fit, and where it fits but its lines do not. The limit is
// set in a child process, which answers with its exit code.
TEST(MainForm, AFileBeyondTheMemoryThatCanBeHadIsRefused) {
  struct Case {
    const char* name;
    int64_t size;     // bytes of the file
    bool sparse;      // all NUL but its last byte, else all lone CRs (empty lines)
    int64_t roomMib;  // address space left to the process
  };
  const Case cases[] = {
      {"text.txt", int64_t{1} << 30, true, 256},
      {"lines.txt", int64_t{96} << 20, false, 192},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    AppRig rig;
    TForm1& f = rig.Start();
    {
      std::ofstream out(rig.dir.Path() / c.name, std::ios::binary);
      if (c.sparse) {
        out.seekp(static_cast<std::streamoff>(c.size - 1));
        out.put('\n');
      } else {
        const std::string block(1 << 20, '\r');
        for (int64_t left = c.size; left > 0; left -= static_cast<int64_t>(block.size()))
          out.write(block.data(), static_cast<std::streamsize>(block.size()));
      }
    }
    const auto tryUnderLimit = [&] {
      std::ifstream status("/proc/self/status");
      std::string line;
      long long kib = 0;
      while (std::getline(status, line))
        if (line.rfind("VmSize:", 0) == 0) kib = std::stoll(line.substr(7));
      const rlimit limit{static_cast<rlim_t>((kib << 10) + (c.roomMib << 20)), RLIM_INFINITY};
      setrlimit(RLIMIT_AS, &limit);
      offscreen::WindowOf(f).DropFiles({rig.Utf8Path(c.name)});
      rig.Settle();
      const bool refused = rig.BoxTexts() == std::vector<std::string>{kCannotOpen} &&
                           f.BigView1.LineCount() == 0 && f.Caption() == "Varlo (ﾒｲﾝ)";
      if (!refused)
        std::fprintf(stderr, "boxes %zu, lines %lld, caption %s\n", rig.BoxTexts().size(),
                     static_cast<long long>(f.BigView1.LineCount()), f.Caption().c_str());
      std::_Exit(refused ? 0 : 1);
    };
    EXPECT_EXIT(tryUnderLimit(), ::testing::ExitedWithCode(0), "");
  }
}
#endif

TEST(MainForm, IconSwitchStartsMinimisedWithNoFile) {
  for (const char* s : {"/I", "/i"}) {
    AppRig rig;
    rig.WriteFile("a.txt", "x\r\n");
    TForm1& f = rig.Start({s, rig.Utf8Path("a.txt")});
    EXPECT_TRUE(f.FIconMode);
    EXPECT_EQ(f.WindowState(), wsMinimized);
    EXPECT_EQ(f.BigView1.LineCount(), 0);
  }
}

TEST(MainForm, OtherSwitchesAreFileNames) {
  AppRig other;
  other.Answer("中止(&A)");
  TForm1& f = other.Start({"/X"});
  EXPECT_FALSE(f.FIconMode);
  EXPECT_EQ(other.BoxTexts(), (std::vector<std::string>{kNotFound}));
}

TEST(MainForm, MaximisedOrMinimisedAtExitKeepsTheBoundsReadAtStart) {
  AppRig rig;
  rig.WriteIni("[FormMain]\r\nMem=1\r\nLeft=11\r\nTop=22\r\nWidth=333\r\nHeight=244\r\n");
  TForm1& f = rig.Start();
  f.SetWindowState(wsMaximized);
  rig.Finish();
  const std::string ini = rig.ReadIni();
  EXPECT_NE(ini.find("Left=11\r\nTop=22\r\nWidth=333\r\nHeight=244\r\n"), std::string::npos);
}

TEST(MainForm, AFailedSettingsWriteIsReported) {
  AppRig rig;
  TForm1& f = rig.Start();
  // The settings file's place is a folder: nothing can be written there.
  std::filesystem::create_directories(rig.IniPath());
  rig.Finish();
  ASSERT_EQ(rig.backend.Errors().size(), 1u);
  EXPECT_EQ(rig.backend.Errors()[0], Utf8FromPath(rig.IniPath()) + " に書き込めません");
  (void)f;
}

TEST(MainForm, ExitAsksFirstWhenTheConfirmationIsOn) {
  AppRig rig;
  TForm1& f = rig.Start();
  rig.Answer("いいえ(&N)");
  f.ExitRequest();
  EXPECT_FALSE(f.Closed());
  ASSERT_EQ(rig.Seen().size(), 1u);
  EXPECT_EQ(rig.Seen()[0].caption, "情報");
  EXPECT_EQ(rig.Seen()[0].text, "    終了しますか。          ");
  EXPECT_EQ(rig.Seen()[0].buttons, (std::vector<std::string>{"はい(&Y)", "いいえ(&N)"}));
  rig.Answer("はい(&Y)");
  offscreen::WindowOf(f.BigView1).SetFocus();
  rig.backend.SendKey(vk::Key('Q'));
  EXPECT_TRUE(f.Closed());
  EXPECT_TRUE(rig.backend.Terminated());
}

TEST(MainForm, IconModeExitMinimisesOrEnds) {
  AppRig rig;
  TForm1& f = rig.Start({"/I"});
  f.SetWindowState(wsNormal);
  rig.Answer("はい(&Y)");
  f.ExitRequest();
  EXPECT_EQ(rig.Seen()[0].text,
            "          アイコン化しますか。          \n\r\n\r   はい : アイコン化    いいえ : 終了 "
            "         ");
  EXPECT_EQ(rig.Seen()[0].buttons, (std::vector<std::string>{"はい(&Y)", "いいえ(&N)", "ｷｬﾝｾﾙ"}));
  EXPECT_EQ(f.WindowState(), wsMinimized);
  EXPECT_FALSE(f.Closed());
  rig.Answer("ｷｬﾝｾﾙ");
  f.ExitRequest();
  EXPECT_FALSE(f.Closed());
  rig.Answer("いいえ(&N)");
  f.ExitRequest();
  EXPECT_TRUE(f.Closed());
}

TEST(MainForm, IconModeWithoutTheConfirmationOnlyMinimises) {
  AppRig quiet;
  quiet.WriteIni("[KoumokuSetName]\r\nCheckCloseDialog=0\r\n");
  TForm1& g = quiet.Start({"/i"});
  g.SetWindowState(wsNormal);
  offscreen::WindowOf(g.BigView1).SetFocus();
  quiet.backend.WindowClasses = {"ExploreWClass"};
  quiet.backend.SendKey(vk::Escape);
  EXPECT_EQ(g.WindowState(), wsMinimized);
  EXPECT_FALSE(g.Closed());
  EXPECT_TRUE(quiet.Seen().empty());
  // The foreground goes to the Explorer window.
  EXPECT_EQ(quiet.backend.Activated(), (std::vector<std::string>{"ExploreWClass"}));
}

TEST(MainForm, KeyMapRowsLookAtTheWholeShiftState) {
  AppRig rig;
  rig.WriteIni("[KoumokuSetName]\r\nCheckCloseDialog=0\r\n");
  TForm1& f = rig.Start();
  offscreen::WindowOf(f.BigView1).SetFocus();
  // Ctrl+Enter with no file does nothing at all; Ctrl+Q and Alt+Q neither.
  rig.backend.SendKey(vk::Return, ssCtrl);
  rig.backend.SendKey(vk::Key('Q'), ssCtrl);
  rig.backend.SendKey(vk::Key('Q'), ssAlt);
  EXPECT_FALSE(f.Closed());
  // Ctrl+[ maximises a normal window and restores a maximised one.
  rig.backend.SendKey(vk::OemOpenBracket, ssCtrl);
  EXPECT_EQ(f.WindowState(), wsMaximized);
  rig.backend.SendKey(vk::OemOpenBracket, ssCtrl);
  EXPECT_EQ(f.WindowState(), wsNormal);
  // F1 is the key list's menu shortcut; the list closes on F1.
  rig.Then([&](TForm& list) { offscreen::WindowOf(dynamic_cast<TForm&>(list)).SetFocus(); });
  rig.backend.SendKey(vk::F1);
  ASSERT_EQ(rig.Seen().size(), 1u);
  EXPECT_EQ(rig.Seen()[0].name, "Form10");
  // Shift+Q exits like Q.
  rig.backend.SendKey(vk::Key('Q'), ssShift);
  EXPECT_TRUE(f.Closed());
}

// Loads `lines` long lines into the window.
void LoadLong(AppRig& rig, TForm1& f, int lines) {
  std::string text;
  for (int i = 0; i < lines; ++i) text += std::to_string(i) + std::string(150, 'w') + "\r\n";
  rig.WriteFile("long.txt", text);
  rig.backend.OnOpenDialog = [&](TOpenDialog& d) {
    d.FileName = rig.Utf8Path("long.txt");
    return true;
  };
  f.MenuFileOpenClick(f);
}

TEST(MainForm, WrapSwitchGoesBothWaysAndKeepsTheTopLine) {
  AppRig rig;
  TForm1& f = rig.Start();
  LoadLong(rig, f, 50);
  ASSERT_EQ(f.BigView1.WrapByte(), 80);
  f.BigView1.SetTopLine(f.BigView1.ViewIndexOfLine(20) + 1);  // a later piece of line 20
  // Wrapping at a column: only the window-width button is offered.
  rig.Then([](TForm& form) {
    auto& d = dynamic_cast<TWrapSwitchDialog&>(form);
    EXPECT_TRUE(d.BtnWrapOn().Enabled());
    EXPECT_FALSE(d.BtnWrapOff().Enabled());
    d.BtnWrapOn().Press();
  });
  f.MenuWrapChangeClick(f);
  EXPECT_EQ(f.BigView1.WrapByte(), 0);
  EXPECT_EQ(f.BigView1.LineIndexOfView(f.BigView1.TopLine()), 20);
  EXPECT_EQ(f.BigView1.ViewLine(f.BigView1.TopLine()).Part, 0);
  EXPECT_NE(f.Caption().find("全行数 : " + std::to_string(f.BigView1.ViewCount()) + " (50)"),
            std::string::npos);
  // And back to the set column.
  rig.Then([](TForm& form) {
    auto& d = dynamic_cast<TWrapSwitchDialog&>(form);
    EXPECT_FALSE(d.BtnWrapOn().Enabled());
    d.BtnWrapOff().Press();
  });
  f.MenuWrapChangeClick(f);
  EXPECT_EQ(f.BigView1.WrapByte(), 80);
  EXPECT_TRUE(f.BigView1.WordWrap());
  EXPECT_EQ(f.BigView1.LineIndexOfView(f.BigView1.TopLine()), 20);
}

TEST(MainForm, CancelledWrapSwitchReturnsToTheStartOfTheTopLine) {
  AppRig rig;
  TForm1& f = rig.Start();
  LoadLong(rig, f, 50);
  f.BigView1.SetTopLine(f.BigView1.ViewIndexOfLine(10) + 1);
  rig.Then([](TForm& form) {
    offscreen::WindowOf(form).SetFocus();
    dynamic_cast<TWrapSwitchDialog&>(form).BtnCansel().Press();
  });
  f.MenuWrapChangeClick(f);
  EXPECT_EQ(f.FWrapChoice, wcNone);
  EXPECT_EQ(f.BigView1.WrapByte(), 80);
  EXPECT_EQ(f.BigView1.TopLine(), f.BigView1.ViewIndexOfLine(10));
  // Esc closes it the same way.
  rig.Then([&](TForm& form) {
    offscreen::WindowOf(form).SetFocus();
    rig.backend.SendKey(vk::Escape);
  });
  f.MenuWrapChangeClick(f);
  EXPECT_EQ(f.FWrapChoice, wcNone);
}

TEST(MainForm, WrapSwitchToASetColumnThatIsNoNumberGivesTheConversionError) {
  AppRig rig;
  const std::string file = rig.Utf8Path("a.txt");
  rig.WriteFile("a.txt", std::string(200, 'x') + "\r\n");
  TForm1& f = rig.Start({file});
  f.BigView1.SetWrapByte(0);
  f.FEditWrapChar = "abc";
  rig.Then([](TForm& form) { dynamic_cast<TWrapSwitchDialog&>(form).BtnWrapOff().Press(); });
  ControlEvents::Run([&] { f.MenuWrapChangeClick(f); });
  EXPECT_EQ(rig.backend.Errors(), (std::vector<std::string>{"'abc' は整数ではありません"}));
  EXPECT_TRUE(rig.BoxTexts().empty());
  EXPECT_EQ(f.BigView1.LineCount(), 1);  // nothing changed
  EXPECT_EQ(f.BigView1.WrapByte(), 0);
}

TEST(MainForm, TheCaptionFollowsTheViewLinesAfterAResizeAtTheWindowWidth) {
  AppRig rig;
  const std::string file = rig.Utf8Path("a.txt");
  rig.WriteFile("a.txt", std::string(400, 'x') + "\r\n");
  TForm1& f = rig.Start({file});
  rig.Then([](TForm& form) { dynamic_cast<TWrapSwitchDialog&>(form).BtnWrapOn().Press(); });
  f.MenuWrapChangeClick(f);
  const std::string before = f.Caption();
  offscreen::WindowOf(f).UserResize(f.Width() / 2, f.Height());
  EXPECT_NE(f.Caption(), before);
  EXPECT_EQ(f.Caption(), f.MainCaption(f.BigView1));
}

TEST(MainForm, WrapSwitchWithNoFileFailsTheReload) {
  AppRig rig;
  TForm1& f = rig.Start();
  rig.Then([](TForm& form) { dynamic_cast<TWrapSwitchDialog&>(form).BtnWrapOn().Press(); });
  rig.Answer("中止(&A)");
  f.MenuWrapChangeClick(f);
  EXPECT_EQ(f.BigView1.WrapByte(), 0);  // the new mode stays set
  EXPECT_EQ(
      rig.BoxTexts(),
      (std::vector<std::string>{"   指定されたファイルがオープンできませんでした。          "}));
  // From the keys W does nothing without a file.
  offscreen::WindowOf(f.BigView1).SetFocus();
  rig.backend.SendKey(vk::Key('W'));
  EXPECT_EQ(rig.Seen().size(), 2u);
}

TEST(MainForm, NoticeClosesOnAnyKeyOrClick) {
  AppRig rig;
  TForm1& f = rig.Start();
  rig.Then([&](TForm& form) {
    auto& n = dynamic_cast<TNoticeDialog&>(form);
    EXPECT_EQ(n.Label1().Caption(), "    検索文字はありませんでした。   ");
    EXPECT_EQ(n.Caption(), "Varlo (ﾒｯｾｰｼﾞ)");
    offscreen::WindowOf(n).SetFocus();
    rig.backend.SendKey(vk::Shift, ssShift);
    EXPECT_TRUE(n.Closed());
  });
  f.ShowNotice("    検索文字はありませんでした。   ");
  rig.Then([](TForm& form) {
    auto& n = dynamic_cast<TNoticeDialog&>(form);
    offscreen::WindowOf(n.Label1()).MouseDown(mbLeft, 3, 3);
    offscreen::WindowOf(n.Label1()).MouseUp(mbLeft, 3, 3);
    EXPECT_TRUE(n.Closed());
  });
  f.ShowNotice("x");
  EXPECT_EQ(rig.Seen().size(), 2u);
}

TEST(MainForm, KeyListHasItsRowsAndClosesOnOkEscEnterAndF1) {
  AppRig rig;
  TForm1& f = rig.Start();
  for (uint16_t key : {vk::Escape, vk::Return, vk::F1}) {
    rig.Then([&, key](TForm& form) {
      EXPECT_EQ(form.Caption(), "Varlo (ｷｰ操作一覧)");
      EXPECT_EQ(form.Control<TLabel>("Label1").Caption(), "☆上へ");
      EXPECT_EQ(form.Control<TLabel>("Label12").Caption(), "B, End,    Ctrl+End,   Ctrl+↓");
      EXPECT_EQ(form.Control<TLabel>("Label17").Caption(), "☆前検索(上検索)");
      EXPECT_EQ(form.Control<TLabel>("Label17").Left(), 330);
      EXPECT_TRUE(form.Control<TButton>("BtnOk").Focused());
      rig.backend.SendKey(key);
      EXPECT_TRUE(form.Closed()) << "key " << key;
    });
    f.MenuKeyFuncClick(f);
  }
  rig.Then([](TForm& form) { form.Control<TButton>("BtnOk").Press(); });
  f.MenuKeyFuncClick(f);
  EXPECT_EQ(rig.Seen().size(), 4u);
}

}  // namespace
}  // namespace varlo
