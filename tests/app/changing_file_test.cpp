// A file another program changes while it is opened or shown: appended to or
// cut to nothing during the load, deleted or renamed afterwards. The view
// always shows one consistent text (what was read), the caption's counts are
// the view's, paging, search and range copy go on working, and opening the
// file again shows what it holds then.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "dialogs/search_form.h"
#include "tests/support/app_rig.h"

namespace varlo {
namespace {

using testing::AppRig;

// Line i of the file: its number and a word to search for.
std::string Line(int64_t i) {
  char s[32];
  std::snprintf(s, sizeof s, "%08lld \x8c\x9f\x8d\xf5 x", static_cast<long long>(i));
  return s;
}

constexpr int64_t kLines = 400'000;  // 7 MiB: a load long enough to meet the writer

std::string Lines(int64_t from, int64_t to) {
  std::string text;
  for (int64_t i = from; i < to; ++i) text += Line(i) + "\r\n";
  return text;
}

// The lines shown are lines from..from+n-1 of Line's sequence, in order;
// only the last may be cut short (the writer was writing it).
void ExpectConsistent(TForm1& f, int64_t from = 0) {
  TBigView& v = f.BigView1;
  EXPECT_EQ(f.Caption(), f.MainCaption(v));
  for (int64_t i = 0; i < v.LineCount(); ++i) {
    const std::string got = v.GetLine(i), want = Line(from + i);
    if (i + 1 < v.LineCount()) {
      ASSERT_EQ(got, want) << "line " << i;
    } else {
      ASSERT_EQ(got, want.substr(0, got.size())) << "last line";
    }
  }
}

// Paging to the end and back, a search and a range copy, on what is shown.
void ExpectWorking(AppRig& rig, TForm1& f) {
  TBigView& v = f.BigView1;
  offscreen::WindowOf(v).SetFocus();
  rig.backend.SendKey(vk::End);
  EXPECT_GT(v.TopLine(), 0);
  rig.backend.SendKey(vk::Home);
  EXPECT_EQ(v.TopLine(), 0);
  rig.Then([](TForm& form) {
    auto& d = dynamic_cast<TSearchDialog&>(form);
    offscreen::WindowOf(d.Edit1()).Type(Line(3).substr(0, 8));
    d.BtnSearch().Press();
  });
  f.MenuFindClick(f);
  EXPECT_EQ(f.SearchMark.FoundLine, 4);
  v.SetTopLine(0);
  f.MenuSelectStartClick(f);
  v.SetTopLine(2);
  f.MenuSelectEndClick(f);
  EXPECT_EQ(rig.backend.ClipboardText(), Lines(0, 3));
}

TEST(ChangingFile, LinesAppendedDuringTheLoadShowAsReadAndComeWithTheNextOpen) {
  AppRig rig;
  const auto path = rig.WriteFile("log.txt", Lines(0, kLines));
  std::atomic<bool> stop = false;
  std::atomic<int64_t> written = kLines;
  std::thread writer([&] {
    std::ofstream out(path, std::ios::binary | std::ios::app);
    for (int64_t i = kLines; !stop && i < 4 * kLines; ++i) {
      out << Line(i) << "\r\n";
      if (i % 1000 == 0) out.flush();
      written = i + 1;
    }
  });
  TForm1& f = rig.Start({rig.Utf8Path("log.txt")});
  stop = true;
  writer.join();
  ASSERT_GE(f.BigView1.LineCount(), kLines);
  ExpectConsistent(f);
  ExpectWorking(rig, f);
  // Opened again: everything the writer wrote.
  rig.backend.OnOpenDialog = [&](TOpenDialog& d) {
    d.FileName = rig.Utf8Path("log.txt");
    return true;
  };
  f.MenuFileOpenClick(f);
  rig.Settle();
  EXPECT_EQ(f.BigView1.LineCount(), written.load());
  ExpectConsistent(f);
}

TEST(ChangingFile, AFileCutToNothingDuringTheLoadShowsWhatWasRead) {
  AppRig rig;
  const auto path = rig.WriteFile("log.txt", Lines(0, kLines));
  std::thread cutter([&] { std::filesystem::resize_file(path, 0); });
  TForm1& f = rig.Start({rig.Utf8Path("log.txt")});
  cutter.join();
  ExpectConsistent(f);
  EXPECT_TRUE(rig.BoxTexts().empty()) << ::testing::PrintToString(rig.BoxTexts());
}

TEST(ChangingFile, AFileDeletedOrRenamedWhileShownStaysShown) {
  for (const bool rename : {false, true}) {
    AppRig rig;
    const auto path = rig.WriteFile("log.txt", Lines(0, 1000));
    TForm1& f = rig.Start({rig.Utf8Path("log.txt")});
    if (rename) {
      std::filesystem::rename(path, rig.dir.Path() / "old.txt");
    } else {
      std::filesystem::remove(path);
    }
    EXPECT_EQ(f.BigView1.LineCount(), 1000);
    ExpectConsistent(f);
    ExpectWorking(rig, f);
    // Opening the name again finds nothing there: the view stays.
    rig.backend.OnOpenDialog = [&](TOpenDialog& d) {
      d.FileName = rig.Utf8Path("log.txt");
      return true;
    };
    rig.Answer("中止(&A)");
    f.MenuFileOpenClick(f);
    EXPECT_EQ(rig.BoxTexts().back(), "   指定されたファイルが存在しません。          ");
    EXPECT_EQ(f.BigView1.LineCount(), 1000);
  }
}

// A large file stays in the file and is read again as it is shown; what
// another program does to it meanwhile, and what the viewer makes of it: the
// file read again after one notice (with the same line at the top where it
// is still there), a warning with the view left as it is, or nothing at all.
// In turn while the file is shown, and while it is still being indexed.
struct Change {
  const char* name;
  std::function<void(const std::filesystem::path&)> act;
  int64_t linesAfter;  // lines on view in the end
  bool notice;         // one notice, then the file loaded again
  bool warning;        // the file could not be read
};

constexpr const char* kChangedNotice = "   ファイルが変更されたため、読み込み直します。   ";
constexpr const char* kReadWarning = "   ファイルを読み込めませんでした。   ";
// The first line, and those from 200,000 on, are written again longer:
// another text of other lines.
void Rewrite(const std::filesystem::path& path) {
  std::string text = Line(0) + " more\r\n" + Lines(1, 200'000);
  for (int64_t i = 200'000; text.size() < (size_t{7} << 20); ++i) text += Line(i) + " more\r\n";
  std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

// Bytes of the first n lines.
uintmax_t Bytes(int64_t n) { return static_cast<uintmax_t>(n) * (Line(0).size() + 2); }

const Change kChanges[] = {
    {"Rewritten", Rewrite, -1, true, false},
    {"Cut", [](const auto& p) { std::filesystem::resize_file(p, Bytes(50'000) + 5); }, 50'001, true,
     false},
    {"Appended",
     [](const auto& p) { std::ofstream(p, std::ios::binary | std::ios::app) << Lines(0, 1000); },
     kLines, false, false},
#ifndef _WIN32
    // Reading a deleted file on Windows is another test's (it depends on
    // how the system deletes).
    {"Deleted", [](const auto& p) { std::filesystem::remove(p); }, kLines, false, true},
#endif
};

// Opens the file as the user does, leaving it large enough to stay where it
// is, and indexed in many steps.
void OpenLarge(AppRig& rig, TForm1& f, const std::string& name, size_t chunk = size_t{64} << 10) {
  f.BigView1.SetIndexSizes({.Block = size_t{4} << 10,
                            .Chunk = chunk,
                            .InMemory = int64_t{1} << 20,
                            .Cache = size_t{64} << 10});
  rig.backend.OnOpenDialog = [&rig, name](TOpenDialog& d) {
    d.FileName = rig.Utf8Path(name);
    return true;
  };
  f.MenuFileOpenClick(f);
}

std::vector<std::string> NoticeTexts(const AppRig& rig) {
  std::vector<std::string> texts;
  for (const auto& s : rig.Seen())
    if (s.name == "Form17") texts.push_back(s.text);
  return texts;
}

// The next notice stays open for half a second, in which the timers fire
// and the view behind it paints the old text again: they meet the change
// the notice tells of once more.
void ReadNextNoticeSlowly(AppRig& rig, TForm1& f) {
  rig.Then([&rig, &f](TForm&) {
    for (int i = 0; i < 5; ++i) {
      offscreen::WindowOf(f.BigView1).Invalidate();
      rig.backend.AdvanceTime(100);
      rig.backend.ProcessBusyMessages();
    }
  });
}

TEST(ChangingFile, AChangedLargeFileIsReadAgainAfterOneNoticeOrWarnsAndStays) {
  for (const bool indexing : {false, true}) {
    for (const Change& change : kChanges) {
      SCOPED_TRACE(std::string(change.name) + (indexing ? " while indexing" : " while shown"));
      AppRig rig;
      const auto path = rig.WriteFile("log.txt", Lines(0, kLines));
      TForm1& f = rig.Start();
      OpenLarge(rig, f, "log.txt");
      ASSERT_TRUE(f.BigView1.Indexing());
      if (!indexing) rig.Settle();
      // The line at the top, far into the file.
      f.BigView1.SetTopLine(f.BigView1.ViewIndexOfLine(kLines / 2));
      const int64_t top = f.BigView1.LineIndexOfView(f.BigView1.TopLine());
      change.act(path);
      if (change.notice) ReadNextNoticeSlowly(rig, f);
      if (change.warning) rig.Answer("中止(&A)");
      // Going to the end reads what is not on view yet.
      offscreen::WindowOf(f.BigView1).SetFocus();
      rig.backend.SendKey(vk::End);
      rig.Settle();
      for (int i = 0; i < 5; ++i) rig.backend.AdvanceTime(20);
      rig.Settle();

      EXPECT_EQ(NoticeTexts(rig).size(), change.notice ? 1u : 0u);
      if (change.notice) {
        EXPECT_EQ(NoticeTexts(rig)[0], kChangedNotice);
      }
      EXPECT_EQ(rig.BoxTexts(), change.warning ? std::vector<std::string>{kReadWarning}
                                               : std::vector<std::string>{})
          << rig.BoxTexts().size();
      TBigView& v = f.BigView1;
      if (change.linesAfter >= 0) {
        EXPECT_EQ(v.LineCount(), change.linesAfter);
      }
      EXPECT_EQ(f.Caption(), f.MainCaption(v));
      if (change.notice) {
        // What the file holds now, whole.
        const std::string last = v.GetLine(v.LineCount() - 1);
        EXPECT_EQ(v.GetLine(1), Line(1));
        EXPECT_EQ(Line(v.LineCount() - 1).rfind(last.substr(0, Line(0).size()), 0), 0u) << last;
        // The line at the top stays there where the file still has it.
        if (!indexing) {
          EXPECT_EQ(v.LineIndexOfView(v.TopLine()), std::min(top, v.LineCount() - 1));
        }
      } else if (!change.warning) {
        ExpectConsistent(f);
      }
    }
  }
}

// F5 takes in what was appended, keeping the top line; follow mode (Ctrl+F5)
// takes it in by itself, keeps the last row in view unless the user went
// up, follows a rotation and a cut with one notice each, and once off
// leaves everything where it is.
TEST(ChangingFile, F5AndFollowModeTakeInWhatTheFileBecame) {
  namespace fs = std::filesystem;
  AppRig rig;
  const auto path = rig.WriteFile("log.txt", Lines(0, 100));
  TForm1& f = rig.Start({rig.Utf8Path("log.txt")});
  TBigView& v = f.BigView1;
  TMenuItem& reload = f.Item("MenuReload");
  TMenuItem& follow = f.Item("MenuFollow");
  EXPECT_EQ(reload.Caption(), "再読み込み(&R)");
  EXPECT_EQ(follow.Caption(), "末尾を追跡(&T)");
  EXPECT_EQ(std::make_pair(reload.ShortCutKey, reload.ShortCutShift),
            std::make_pair(vk::F5, TShiftState{0}));
  EXPECT_EQ(std::make_pair(follow.ShortCutKey, follow.ShortCutShift),
            std::make_pair(vk::F5, TShiftState{ssCtrl}));
  EXPECT_FALSE(follow.Checked());
  offscreen::WindowOf(v).SetFocus();
  const auto tick = [&] {
    for (int i = 0; i < 3; ++i) rig.backend.AdvanceTime(100);
    rig.Settle();
  };
  const auto lastRowShown = [&] { return v.TopLine() + v.PageLines() >= v.ViewCount(); };

  // F5: the new counts, the same top line; nothing when nothing changed.
  v.SetTopLine(10);
  testing::AppendTo(path, Lines(100, 150));
  rig.backend.SendKey(vk::F5);
  EXPECT_EQ(v.LineCount(), 150);
  EXPECT_EQ(v.TopLine(), 10);
  EXPECT_EQ(f.Caption(), f.MainCaption(v));
  rig.backend.SendKey(vk::F5);
  tick();
  EXPECT_EQ(v.LineCount(), 150);
  EXPECT_EQ(v.TopLine(), 10);

  // Follow mode: from the end on, with the last row kept in view, a line
  // written in two pieces shown whole once it is.
  rig.backend.SendKey(vk::F5, ssCtrl);
  EXPECT_TRUE(follow.Checked());
  EXPECT_TRUE(lastRowShown());
  for (int64_t n = 150; n < 400; n += 50) {
    testing::AppendTo(path, Lines(n, n + 50));
    tick();
    EXPECT_EQ(v.LineCount(), n + 50);
    EXPECT_TRUE(lastRowShown()) << n;
  }
  testing::AppendTo(path, Line(400).substr(0, 4));
  tick();
  testing::AppendTo(path, Line(400).substr(4) + "\r\n");
  tick();
  EXPECT_EQ(v.GetLine(v.LineCount() - 1), Line(400));
  ExpectConsistent(f);
  // Scrolled up, the view stays and the counts grow.
  v.SetTopLine(3);
  testing::AppendTo(path, Lines(401, 500));
  tick();
  EXPECT_EQ(v.TopLine(), 3);
  EXPECT_EQ(v.LineCount(), 500);
  EXPECT_EQ(f.Caption(), f.MainCaption(v));
  EXPECT_TRUE(NoticeTexts(rig).empty());

  // Rotated: renamed away, a new file under the name; then cut to nothing.
  ReadNextNoticeSlowly(rig, f);
  ReadNextNoticeSlowly(rig, f);
  rig.backend.SendKey(vk::End);
  fs::rename(path, rig.dir.Path() / "log.1.txt");
  tick();
  EXPECT_EQ(v.LineCount(), 500);
  rig.WriteFile("log.txt", Lines(0, 20));
  tick();
  EXPECT_EQ(NoticeTexts(rig), std::vector<std::string>{kChangedNotice});
  EXPECT_EQ(v.LineCount(), 20);
  EXPECT_TRUE(lastRowShown());
  fs::resize_file(path, 0);
  tick();
  EXPECT_EQ(NoticeTexts(rig).size(), 2u);
  EXPECT_EQ(v.LineCount(), 0);
  testing::AppendTo(path, Lines(0, 30));
  tick();
  EXPECT_EQ(v.LineCount(), 30);
  EXPECT_EQ(NoticeTexts(rig).size(), 2u);

  // Off: nothing moves.
  rig.backend.SendKey(vk::F5, ssCtrl);
  EXPECT_FALSE(follow.Checked());
  const int64_t top = v.TopLine();
  testing::AppendTo(path, Lines(30, 90));
  tick();
  EXPECT_EQ(v.LineCount(), 30);
  EXPECT_EQ(v.TopLine(), top);
  EXPECT_TRUE(rig.BoxTexts().empty());
}

TEST(ChangingFile, EscStopsAWaitForTheLastLinesAndClosingDuringIndexingEndsAtOnce) {
  AppRig rig;
  // Long enough, and in chunks small enough, to be still indexing at the
  // first look, which comes after a step of 30 ms: indexing it takes a
  // fast machine some 150 ms.
  rig.WriteFile("log.txt", Lines(0, 16 * kLines));
  TForm1& f = rig.Start();
  constexpr size_t kSmallChunk = size_t{4} << 10;
  OpenLarge(rig, f, "log.txt", kSmallChunk);
  ASSERT_TRUE(f.BigView1.Indexing());
  // End waits for the last lines, with the progress in the caption; Esc
  // stops the wait and the view stays where it is.
  int looks = 0;
  rig.backend.OnProcessBusyMessages = [&] {
    EXPECT_NE(f.Caption().find("読み込み中 "), std::string::npos) << f.Caption();
    return ++looks == 1;
  };
  offscreen::WindowOf(f.BigView1).SetFocus();
  rig.backend.SendKey(vk::End);
  EXPECT_EQ(looks, 1);
  EXPECT_EQ(f.BigView1.TopLine(), 0);
  // Waited to the end, End goes there.
  rig.backend.OnProcessBusyMessages = nullptr;
  rig.backend.SendKey(vk::End);
  EXPECT_FALSE(f.BigView1.Indexing());
  EXPECT_EQ(f.BigView1.TopLine(), f.BigView1.ViewCount() - 1);
  EXPECT_EQ(f.Caption(), f.MainCaption(f.BigView1));

  // Closed while its threads still read: it ends without waiting for them
  // to finish the file.
  OpenLarge(rig, f, "log.txt", kSmallChunk);
  ASSERT_TRUE(f.BigView1.Indexing());
  rig.Finish();
  rig.form.reset();
}

}  // namespace
}  // namespace varlo
