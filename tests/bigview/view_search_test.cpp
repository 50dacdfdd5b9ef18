// The viewer's search against the plain reading of a hit, every view line
// fetched, upper-cased when case does not count and tested with MbsPos, on
// the texts where a scan over the store's bytes could go wrong: lines of
// their own among loaded ones, NULs, long runs of lead-range bytes, places
// on trail bytes and across view lines.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "tests/support/temp_dir.h"
#include "tests/support/viewer_rig.h"

namespace varlo {
namespace {

using testing::ViewerRig;

int64_t Plain(const TBigView& view, const std::string& pattern, bool matchCase, int64_t from,
              bool upward) {
  const std::string p = matchCase ? pattern : sjis::Upper(pattern);
  for (int64_t i = from; i >= 0 && i < view.ViewCount(); i += upward ? -1 : 1) {
    const std::string line(view.GetViewLine(i));
    if (MbsPos(p, matchCase ? line : sjis::Upper(line)) > 0) return i;
  }
  return -1;
}

// Every start in both directions finds what the plain reading finds.
void ExpectSameAsPlain(const TBigView& view, const std::string& pattern, bool matchCase,
                       const std::string& what) {
  const TSearchPattern p(pattern, matchCase);
  for (int64_t from = 0; from < view.ViewCount(); ++from)
    for (bool upward : {false, true})
      EXPECT_EQ(view.FindViewLine(p, from, upward), Plain(view, pattern, matchCase, from, upward))
          << what << ": from " << from << (upward ? " up" : " down");
}

TEST(ViewSearch, FindsWhatThePlainReadingFinds) {
  const std::string kLeadRun(100, '\x81');  // ＝＝... a run the look back cannot pair up
  const std::string kRoman = "\xFA\x40";    // ⅰ, upper case Ⅰ is 0x87 0x54
  const struct {
    std::vector<std::string> lines;
    int wrap;
    std::string pattern;
    bool matchCase;
  } rows[] = {
      {{"abc", "xyz abc", "", "ab", "c"}, 80, "abc", true},
      {{"0123456789abcdef", "89ab"}, 10, "89ab", true},  // split by wrapping
      {{"\x83\x41",
        "x\x83\x41"
        "A"},
       80,
       "A",
       true},  // a trail byte that is an "A"
      {{kLeadRun + "\x81", kLeadRun + "x\x81\x81", "\x81" + kLeadRun}, 0, "\x81\x81", true},
      {{kLeadRun + "ab", "x" + kLeadRun + "ab"},
       0,
       "\x81"
       "a",
       true},
      {{std::string(70, 'x') + "needle" + std::string(70, 'y'), std::string(200, 'n')},
       0,
       "NEEDLE",
       false},
      {{"\x82\x81\x82\x82", "\x82\x60\x82\x61", "ab"}, 80, "\x82\x81", false},  // ａ, Ａ
      {{kRoman, "\x87\x54", "\xEE\xEF"}, 80, "\x87\x54", false},
      {{kRoman, "x"}, 80, "\x87", false},     // a lead byte that ends the pattern
      {{"\x82", "a\x82"}, 80, "\x82", true},  // a lead byte that ends the line
  };
  for (const auto& row : rows) {
    ViewerRig rig;
    rig.view.SetWordWrap(row.wrap != 0);
    rig.view.SetWrapByte(row.wrap);
    rig.Load(row.lines);
    ExpectSameAsPlain(rig.view, row.pattern, row.matchCase, row.pattern);
  }
}

TEST(ViewSearch, LinesOfTheirOwnAmongLoadedOnes) {
  ViewerRig rig;
  rig.view.SetWrapByte(4);
  std::vector<std::string> lines;
  for (int i = 0; i < 40; ++i)
    lines.push_back(i % 7 == 3 ? "key here" : "line " + std::to_string(i));
  rig.Load(lines);
  TBigView& view = rig.view;
  // Replaced, inserted, deleted and exchanged lines: the loaded text no
  // longer lies in the order of the lines.
  view.PutViewLine(view.ViewIndexOfLine(5), "a key");
  view.Insert(view.ViewIndexOfLine(20), "key");
  view.Delete(view.ViewIndexOfLine(3));
  view.Exchange(view.ViewIndexOfLine(1), view.ViewIndexOfLine(30));
  // A NUL ends a line for the test (loading would end the text there).
  view.PutViewLine(view.ViewIndexOfLine(9), std::string("k\0key", 5));
  view.PutViewLine(view.ViewIndexOfLine(12), std::string("y\0y", 3));
  ExpectSameAsPlain(view, "key", true, "edited");
  ExpectSameAsPlain(view, "KEY", false, "edited, any case");
  ExpectSameAsPlain(view, "ne 1", true, "edited, across pieces");
  ExpectSameAsPlain(view, "y", true, "edited, before and after a NUL");
}

// A file left where it is is searched a window at a time, and past its first
// megabytes on several threads: hits across the edges of windows and blocks,
// in wrapped lines, with places crowded with candidates, give what the same
// text in memory gives.
TEST(ViewSearch, AFileReadInWindowsFindsWhatTheTextInMemoryFinds) {
  constexpr size_t kWindow = size_t{2} << 20;
  std::string text;
  std::vector<size_t> hits;
  for (int64_t i = 0; text.size() < 14 * kWindow; ++i) {
    std::string line = "line " + std::to_string(i) + " " + std::string(i % 150, 'k');
    // Hits just before, across and after a window's edge, and one far on.
    const size_t edge = (text.size() / kWindow + 1) * kWindow;
    if (edge - text.size() < 200 || i == 700'000) {
      hits.push_back(text.size());
      line = "\x82\xa0" +
             std::string(edge - text.size() < 200 ? (edge - text.size()) % 60 : 3, 'k') + "needle" +
             line;
    }
    // A stretch where nearly every place may start "kk".
    if (i % 40'000 == 1) line += std::string(30'000, 'k');
    text += line + (i % 3 ? "\r\n" : "\r");
  }
  testing::TempDir dir;
  const auto file = dir.Write("big.txt", text);
  ViewerRig inFile, inMemory;
  for (ViewerRig* rig : {&inFile, &inMemory}) rig->view.SetWrapByte(100);
  inFile.view.SetIndexSizes({.Block = size_t{4} << 10, .InMemory = 0});
  inFile.view.LoadFromFile(file);
  std::istringstream stream(text);
  inMemory.view.LoadFromStream(stream);
  ASSERT_EQ(inFile.view.ViewCount(), inMemory.view.ViewCount());
  const int64_t last = inFile.view.ViewCount() - 1;
  for (const char* pattern : {"needle", "NEEDLE", "kkk", "absent", "\x82\xa0\x6b"}) {
    for (const bool matchCase : {true, false}) {
      const TSearchPattern p(pattern, matchCase);
      for (const int64_t from : {int64_t{0}, last / 3, last / 2, last}) {
        for (const bool upward : {false, true}) {
          int64_t at = from;
          // Each hit in turn, as N and P go.
          for (int k = 0; k < 12 && at >= 0 && at <= last; ++k) {
            const int64_t got = inFile.view.FindViewLine(p, at, upward);
            ASSERT_EQ(got, inMemory.view.FindViewLine(p, at, upward))
                << pattern << (matchCase ? "" : " any case") << " from " << at
                << (upward ? " up" : " down");
            if (got < 0) break;
            at = got + (upward ? -1 : 1);
          }
        }
      }
    }
  }
}

}  // namespace
}  // namespace varlo
