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
#include <string>
#include <thread>

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
  EXPECT_TRUE(rig.BoxTexts().empty());
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

}  // namespace
}  // namespace varlo
