// The viewer's layout: view lines in the three wrap modes, the double-byte
// rule at a cut, position conversions, and what the content operations do
// to the layout, the scroll range and MaxChar.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <random>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "bigview/sjis.h"
#include "tests/support/temp_dir.h"
#include "tests/support/viewer_rig.h"

namespace varlo {
namespace {

using testing::ViewerRig;

struct Piece {
  int64_t line, start, len, part;
  bool last;
  friend bool operator==(const Piece&, const Piece&) = default;
  friend std::ostream& operator<<(std::ostream& os, const Piece& p) {
    return os << "(" << p.line << "," << p.start << "," << p.len << "," << p.part << ","
              << (p.last ? "last" : "-") << ")";
  }
};

std::vector<Piece> PiecesOf(TBigView& view) {
  std::vector<Piece> pieces;
  for (int64_t v = 0; v < view.ViewCount(); ++v) {
    const TViewLineRec r = view.ViewLine(v);
    pieces.push_back({r.Line, r.Start, r.Len, r.Part, r.Last});
  }
  return pieces;
}

const std::string kKanji = "\x8a\xbf";  // 漢

TEST(ViewerLayout, EmptyStoreHasNoViewLines) {
  ViewerRig rig;
  EXPECT_EQ(rig.view.ViewCount(), 0);
  EXPECT_EQ(rig.view.LineIndexOfView(0), -1);
  EXPECT_EQ(rig.view.LineToViewPos({1, 0}), (TPoint{1, 0}));
  EXPECT_EQ(rig.view.ViewToLinePos({1, 0}), (TPoint{0, 0}));
}

TEST(ViewerLayout, WrapByteCutsEveryWrapByteBytes) {
  ViewerRig rig;
  rig.view.SetWrapByte(80);
  rig.Load({std::string(200, 'a'), "", "short"});
  EXPECT_EQ(PiecesOf(rig.view), (std::vector<Piece>{{0, 1, 80, 0, false},
                                                    {0, 81, 80, 1, false},
                                                    {0, 161, 80, 2, true},
                                                    {1, 0, 0, 0, true},
                                                    {2, 1, 80, 0, true}}));
  EXPECT_EQ(rig.view.GetViewLine(2), std::string(40, 'a'));
  EXPECT_EQ(rig.view.GetViewLine(3), "");
  EXPECT_EQ(rig.view.ViewIndexOfLine(2), 4);
}

TEST(ViewerLayout, DoubleByteCharacterAtTheCutMovesToTheNextPiece) {
  ViewerRig rig;
  rig.view.SetWrapByte(80);
  // Bytes 80 and 81 form one character.
  rig.Load({std::string(79, 'a') + kKanji + std::string(10, 'b')});
  ASSERT_EQ(rig.view.ViewCount(), 2);
  EXPECT_EQ(rig.view.GetViewLine(0), std::string(79, 'a'));
  EXPECT_EQ(rig.view.ViewLine(1).Start, 80);
  EXPECT_EQ(rig.view.GetViewLine(1), kKanji + std::string(10, 'b'));
}

TEST(ViewerLayout, CutRuleUsesTheCharacterWalkNotTheByteValue) {
  ViewerRig rig;
  rig.view.SetWrapByte(4);
  // 0x81 0x81 is one character; the second 0x81 is a trail although it is
  // in the lead range, so a cut after "ab" and the pair stays as it is.
  rig.Load(
      {"ab\x81\x81\x81\x81"
       "cd"});
  std::vector<std::string> texts;
  for (int64_t v = 0; v < rig.view.ViewCount(); ++v) texts.emplace_back(rig.view.GetViewLine(v));
  EXPECT_EQ(texts, (std::vector<std::string>{"ab\x81\x81",
                                             "\x81\x81"
                                             "cd"}));
  // One byte later the cut falls inside a pair and moves back.
  rig.Load(
      {"abc\x81\x81"
       "d"});
  texts.clear();
  for (int64_t v = 0; v < rig.view.ViewCount(); ++v) texts.emplace_back(rig.view.GetViewLine(v));
  EXPECT_EQ(texts, (std::vector<std::string>{"abc",
                                             "\x81\x81"
                                             "d"}));
}

TEST(ViewerLayout, WrapByteOneKeepsADoubleByteCharacterWhole) {
  ViewerRig rig;
  rig.view.SetWrapByte(1);
  rig.Load({kKanji, "a" + kKanji});
  EXPECT_EQ(PiecesOf(rig.view),
            (std::vector<Piece>{{0, 1, 2, 0, true}, {1, 1, 1, 0, false}, {1, 2, 2, 1, true}}));
}

TEST(ViewerLayout, NoWrapShowsEachLineWholeAndWidensMaxChar) {
  ViewerRig rig;
  rig.view.SetWordWrap(false);
  rig.Load({std::string(300, 'x'), "", "y"});
  EXPECT_EQ(PiecesOf(rig.view),
            (std::vector<Piece>{{0, 1, 300, 0, true}, {1, 0, 0, 0, true}, {2, 1, 1, 0, true}}));
  EXPECT_GE(rig.view.MaxChar(), 300);
}

TEST(ViewerLayout, WindowWidthKeepsANarrowLineWhole) {
  ViewerRig rig(600, 480);
  rig.view.SetWrapByte(0);
  rig.Load({std::string(75, 'a'), std::string(20, 'b')});
  EXPECT_EQ(rig.view.ViewCount(), 2);
  EXPECT_EQ(rig.view.GetViewLine(0).size(), 75u);
}

TEST(ViewerLayout, WindowWidthFitsPiecesOneCharacterShortOfTheEdge) {
  ViewerRig rig(600, 480);
  rig.view.SetWrapByte(0);
  // 600 px of 8 px bytes: the fit starts at 75 bytes, steps back to 74
  // (592 px lies strictly between 600 - 16 and 600) and stops.
  rig.Load({std::string(200, 'a')});
  ASSERT_EQ(rig.view.ViewCount(), 3);
  EXPECT_EQ(rig.view.ViewLine(0).Len, 74);
  EXPECT_EQ(rig.view.ViewLine(1).Start, 75);
  EXPECT_EQ(rig.view.ViewLine(2).Start, 149);
  EXPECT_EQ(rig.view.ViewLine(2).Len, 74);
  EXPECT_EQ(rig.view.GetViewLine(2).size(), 52u);
}

TEST(ViewerLayout, WindowWidthFitCountsWideCharactersAndTabs) {
  ViewerRig rig(600, 480);
  rig.view.SetWrapByte(0);
  rig.view.SetViewTabStop(4);
  std::string japanese = "a";
  for (int i = 0; i < 60; ++i) japanese += kKanji;  // 121 bytes, 968 px
  rig.Load({japanese, "\t" + std::string(100, 'c')});
  std::vector<std::string> texts;
  for (int64_t v = 0; v < rig.view.ViewCount(); ++v) texts.emplace_back(rig.view.GetViewLine(v));
  ASSERT_EQ(texts.size(), 4u);
  // 968 px over 121 bytes averages 8: 75 bytes, then 74 (592 px, inside
  // the window). Byte 75 is a trail byte, so the first piece ends at 73.
  EXPECT_EQ(texts[0].size(), 73u);
  EXPECT_EQ(texts[1].size(), 48u);
  // The tab line: 832 px over 101 bytes averages 8, so 75 bytes, then the
  // fit steps down while the tab keeps the width too large: 74 bytes are
  // 616 px, 73 are 608, 72 are exactly 600: not inside the window, but
  // neither too wide nor too narrow, so the count stays and the fit stops.
  EXPECT_EQ(texts[2].size(), 72u);
  EXPECT_EQ(texts[3].size(), 29u);
}

TEST(ViewerLayout, FitDoesNotFailOnLinesNarrowerThanTheirBytes) {
  ViewerRig rig(16, 100);
  rig.view.SetWrapByte(0);
  rig.view.SetViewTabStop(0);
  // Control bytes measure like any other, but a line of NUL bytes is laid
  // out without dividing by zero however the font measures them.
  rig.Load({std::string(50, 'z')});
  EXPECT_GT(rig.view.ViewCount(), 1);
}

TEST(ViewerLayout, PositionsConvertBothWays) {
  ViewerRig rig;
  rig.view.SetWrapByte(80);
  rig.Load({"first", std::string(200, 'a')});
  // The second view line of the 200-byte line.
  const int64_t v = rig.view.ViewIndexOfLine(1) + 1;
  EXPECT_EQ(rig.view.ViewToLinePos({5, v}), (TPoint{85, 1}));
  EXPECT_EQ(rig.view.LineToViewPos({85, 1}), (TPoint{5, v}));
  EXPECT_EQ(rig.view.LineToViewPos({1, 1}), (TPoint{1, v - 1}));
  EXPECT_EQ(rig.view.LineToViewPos({200, 1}), (TPoint{40, v + 1}));
  EXPECT_EQ(rig.view.LineToViewPos({0, 1}), (TPoint{0, 0}));
  EXPECT_EQ(rig.view.LineToViewPos({1, 7}), (TPoint{1, rig.view.ViewCount()}));
  EXPECT_EQ(rig.view.ViewToLinePos({1, -1}), (TPoint{0, 0}));
  EXPECT_EQ(rig.view.LineIndexOfView(v), 1);
  try {
    rig.view.ViewIndexOfLine(-1);
    ADD_FAILURE() << "no error";
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), "ﾘｽﾄのｲﾝﾃﾞｯｸｽが範囲を超えています");
  }
}

TEST(ViewerLayout, ViewIndexErrorsChangeNothing) {
  ViewerRig rig;
  rig.Load({"a", "b"});
  for (int64_t bad : {int64_t{-1}, int64_t{2}}) {
    EXPECT_THROW(rig.view.GetViewLine(bad), Exception);
    EXPECT_THROW(rig.view.PutViewLine(bad, "x"), Exception);
    EXPECT_THROW(rig.view.Delete(bad), Exception);
    EXPECT_THROW(rig.view.Insert(bad, "x"), Exception);
    EXPECT_THROW(rig.view.Exchange(0, bad), Exception);
  }
  EXPECT_EQ(rig.view.LineCount(), 2);
  EXPECT_EQ(rig.view.GetLine(1), "b");
}

TEST(ViewerLayout, ContentOperationsRebuildTheLayout) {
  ViewerRig rig;
  rig.view.SetWrapByte(10);
  rig.Load({"0123456789abcdef", "x"});
  ASSERT_EQ(rig.view.ViewCount(), 3);

  rig.view.PutViewLine(1, "ABCDEFGHIJKLMNO");  // replaces the second piece
  EXPECT_EQ(rig.view.GetLine(0), "0123456789ABCDEFGHIJKLMNO");
  EXPECT_EQ(rig.view.ViewCount(), 4);

  rig.view.Insert(3, "inserted");  // goes before the whole line "x"
  EXPECT_EQ(rig.view.GetLine(1), "inserted");
  EXPECT_EQ(rig.view.IndexOf("x"), 4);

  rig.view.Delete(1);  // any piece: the whole logical line goes
  EXPECT_EQ(rig.view.LineCount(), 2);
  EXPECT_EQ(rig.view.ViewCount(), 2);
  EXPECT_EQ(rig.view.GetViewLine(0), "inserted");

  rig.view.Exchange(0, 1);
  EXPECT_EQ(rig.view.GetLine(0), "x");
  EXPECT_EQ(rig.view.Add(std::string(25, 'z')), 5);
  EXPECT_EQ(rig.view.ViewCount(), 5);

  TStringList more{"m1", "m2"};
  rig.view.AddStrings(more);
  EXPECT_EQ(rig.view.LineCount(), 5);
  rig.view.Assign(more);
  EXPECT_EQ(rig.view.ViewCount(), 2);
  EXPECT_EQ(rig.view.TopLine(), 0);

  TStringList out;
  rig.view.AssignTo(out);
  EXPECT_EQ(out.Items(), (std::vector<std::string>{"m1", "m2"}));
  rig.view.Clear();
  EXPECT_EQ(rig.view.ViewCount(), 0);
  EXPECT_EQ(rig.view.SelStart(), (TPoint{0, 0}));
}

TEST(ViewerLayout, FindReportsViewPositions) {
  ViewerRig rig;
  rig.view.SetWrapByte(10);
  rig.Load({"first", "0123456789abcNEEDLE"});
  int64_t x = 1, y = 0;
  ASSERT_TRUE(rig.view.Find("needle", x, y));
  EXPECT_EQ(y, 2);
  EXPECT_EQ(x, 4);
  x = 5;
  EXPECT_FALSE(rig.view.Find("needle", x, y));
  EXPECT_EQ(x, 1);
  EXPECT_EQ(y, rig.view.ViewCount());
  EXPECT_EQ(rig.view.IndexOf("absent"), -1);
}

TEST(ViewerLayout, ScrollRangeFollowsTheLayout) {
  ViewerRig rig(600, 480);  // 30 lines a page
  rig.view.SetScOver(false);
  std::vector<std::string> lines(100, "line");
  rig.Load(lines);
  EXPECT_EQ(rig.view.PageLines(), 30);
  TScrollInfo bar = rig.Window().ScrollState(sbVertical);
  EXPECT_EQ(bar.Max, 70);
  rig.view.SetScOver(true);
  bar = rig.Window().ScrollState(sbVertical);
  EXPECT_EQ(bar.Max, 99);
  // A short text still gets a range of at least 1.
  rig.Load({"one"});
  EXPECT_EQ(rig.Window().ScrollState(sbVertical).Max, 1);
}

TEST(ViewerLayout, MaxCharOnlyGrowsAndCoversTheClient) {
  ViewerRig rig(600, 480);
  rig.view.SetWordWrap(false);
  rig.view.SetMaxChar(0);
  // Set to 1, then widened to the client width: 600 / 8 + 1.
  EXPECT_EQ(rig.view.MaxChar(), 76);
  rig.view.Add(std::string(500, 'w'));
  EXPECT_EQ(rig.view.MaxChar(), 500);
  rig.view.Clear();
  EXPECT_EQ(rig.view.MaxChar(), 500);
}

TEST(ViewerLayout, ResizingInWindowWidthModeKeepsTheTopLineAndTheSelection) {
  ViewerRig rig(600, 160);
  rig.view.SetWrapByte(0);
  std::vector<std::string> lines;
  for (int i = 0; i < 40; ++i) lines.push_back(std::to_string(i) + std::string(300, 'a' + i % 26));
  rig.Load(lines);
  rig.view.SetTopLine(rig.view.ViewIndexOfLine(20) + 2);  // a later piece of line 20
  rig.view.SetSelStart(rig.view.LineToViewPos({5, 22}));
  rig.view.SetSelEnd(rig.view.LineToViewPos({150, 22}));
  const int64_t before = rig.view.ViewCount();

  rig.view.SetBounds(0, 0, 300 + offscreen::kScrollBarSize, 160);
  EXPECT_GT(rig.view.ViewCount(), before);
  EXPECT_EQ(rig.view.TopLine(), rig.view.ViewIndexOfLine(20));
  EXPECT_EQ(rig.view.ViewToLinePos(rig.view.SelStart()), (TPoint{5, 22}));
  EXPECT_EQ(rig.view.ViewToLinePos(rig.view.SelEnd()), (TPoint{150, 22}));
}

TEST(ViewerLayout, SettersClampOrIgnore) {
  ViewerRig rig;
  rig.view.SetScrollSense(4);
  rig.view.SetScrollSense(0);
  rig.view.SetScrollSense(11);
  EXPECT_EQ(rig.view.ScrollSense(), 4);
  rig.view.SetPCanLimit(-3);
  EXPECT_EQ(rig.view.PCanLimit(), 0);
  rig.view.SetWrapByte(-1);
  EXPECT_EQ(rig.view.WrapByte(), 0);
  rig.view.SetViewTabStop(-1);
  EXPECT_EQ(rig.view.ViewTabStop(), 8);
  rig.view.SetCaption(std::string(300, 'c'));
  EXPECT_EQ(rig.view.GetCaption().size(), 255u);
  // A double-byte character is not cut in two.
  rig.view.SetCaption(std::string(254, 'c') + kKanji);
  EXPECT_EQ(rig.view.GetCaption(), std::string(254, 'c'));
}

TEST(ViewerLayout, BvStyleEventsMayReplaceTheStyle) {
  ViewerRig rig;
  int changed = 0;
  rig.view.OnBvStyleChanging = [](TObject&, TBvStyle& style) { style |= BvSet({bvVResize}); };
  rig.view.OnBvStyleChanged = [&](TObject&) { ++changed; };
  const int creates = rig.Window().CreateCount();
  rig.view.SetBvStyle(BvSet({bvCaption}));
  EXPECT_EQ(rig.view.BvStyle(), BvSet({bvCaption, bvVResize}));
  EXPECT_EQ(changed, 1);
  EXPECT_EQ(rig.Window().CreateCount(), creates + 1);
  rig.view.SetBvStyle(rig.view.BvStyle());
  EXPECT_EQ(changed, 1);
}

TEST(ViewerLayout, FailedLoadLeavesAnEmptyConsistentView) {
  ViewerRig rig;
  rig.Load({"one", "two", "three"});
  rig.view.SetTopLine(1);
  EXPECT_THROW(rig.view.LoadFromFile("/nonexistent/varlo/missing.txt"), InOutError);
  EXPECT_EQ(rig.view.LineCount(), 0);
  EXPECT_EQ(rig.view.ViewCount(), 0);
  EXPECT_EQ(rig.view.TopLine(), 0);
  // Painting and reading the (empty) view work.
  rig.view.RedrawPage();
  rig.Paint();
  EXPECT_EQ(rig.Pixel(10, 10), testing::kBackground);
}

// A file cut after its first page is indexed, before that page is drawn:
// the drawing meets the cut, and the file is opened again as it is now.
TEST(ViewerLayout, AFileCutBeforeItsFirstPageIsDrawnIsOpenedAgain) {
  std::string text;
  for (int i = 0; i < 100'000; ++i) text += "line " + std::to_string(i) + "\r\n";
  testing::TempDir dir;
  const auto file = dir.Write("cut.txt", text);
  ViewerRig rig;
  rig.view.SetIndexSizes({.Block = size_t{4} << 10, .Chunk = size_t{64} << 10, .InMemory = 0});
  bool cut = false;
  rig.view.OnLoadProgress = [&](int64_t, int64_t) {
    if (!std::exchange(cut, true)) std::filesystem::resize_file(file, 0);
  };
  rig.view.LoadFromFile(file);
  EXPECT_TRUE(cut);
  EXPECT_EQ(rig.view.LineCount(), 0);
  EXPECT_EQ(rig.view.ViewCount(), 0);
}

// A rebuild of more than a million lines is shared out to threads; it must
// give exactly the records a rebuild of the same lines on one thread gives.
TEST(ViewerLayout, SharedOutRebuildMatchesARebuildOnOneThread) {
  testing::ViewerRig rig(600, 480);
  std::string text;
  const int lines = 2'200'000;
  for (int i = 0; i < lines; ++i) {
    const int kind = static_cast<int>((int64_t{i} * 7919) % 13);
    if (kind == 0) {
      text += "\r\n";
    } else {
      text += std::string(static_cast<size_t>(kind), 'a') + "\t" + "\x8a\xbf" +
              std::string(static_cast<size_t>((i * 31) % 90), 'b') +
              "\x93\xfa"
              "x\r\n";
    }
  }
  for (int64_t wrap : {int64_t{7}, int64_t{0}}) {
    rig.view.SetWrapByte(wrap);
    std::istringstream in(text);
    rig.view.LoadFromStream(in);
    ASSERT_EQ(rig.view.LineCount(), lines);
    // From line 1,050,000 on, both parts meet at line 1,100,000.
    const int64_t from = 1'050'000;
    const int64_t firstView = rig.view.ViewIndexOfLine(from);
    std::vector<std::pair<int64_t, int64_t>> shared;
    for (int64_t v = firstView; v < rig.view.ViewCount(); ++v)
      shared.emplace_back(rig.view.LineIndexOfView(v), rig.view.ViewToLinePos({1, v}).X);
    rig.view.BuildViewLines(from);  // fewer lines: one thread
    std::vector<std::pair<int64_t, int64_t>> alone;
    for (int64_t v = firstView; v < rig.view.ViewCount(); ++v)
      alone.emplace_back(rig.view.LineIndexOfView(v), rig.view.ViewToLinePos({1, v}).X);
    EXPECT_TRUE(shared == alone) << "wrap " << wrap;
    EXPECT_GT(shared.size(), 1'000'000u);
  }
}

// The layout as the rules say it, written plainly: each line walked from its
// first byte for the double-byte rule, the window-width fit measuring each
// prefix anew. What the viewer keeps must give the same view lines.
std::vector<Piece> ReferenceLayout(TBigView& view, const std::vector<std::string>& lines) {
  std::vector<Piece> pieces;
  for (size_t l = 0; l < lines.size(); ++l) {
    const std::string& text = lines[l];
    const auto line = static_cast<int64_t>(l);
    const auto len = static_cast<int64_t>(text.size());
    if (len == 0) {
      pieces.push_back({line, 0, 0, 0, true});
      continue;
    }
    if (!view.WordWrap()) {
      pieces.push_back({line, 1, len, 0, true});
      continue;
    }
    int64_t n = view.WrapByte();
    if (n == 0) {
      int64_t w = view.ClientWidth();
      const int64_t wx = view.MeasureText("x");
      int64_t lw = view.MeasureText(text);
      if (lw <= w) {
        n = len;
      } else {
        if (w < wx) w = wx;
        n = w / std::max<int64_t>(1, lw / len);
        bool grew = false, shrank = false;
        while (!(w - 2 * view.CharWidth() < lw && lw < w)) {
          if (w - 2 * view.CharWidth() >= lw) ++n;
          if (lw > w) --n;
          n = std::clamp<int64_t>(n, 1, len);
          const int64_t prev = lw;
          lw = view.MeasureText(text.substr(0, static_cast<size_t>(n)));
          (lw > prev ? grew : shrank) = true;
          if (lw == prev || (grew && shrank)) break;
        }
      }
    }
    // The kind of every byte, by one walk from the first.
    std::vector<int> kinds(text.size() + 1);
    for (int64_t i = 1; i <= len; ++i)
      kinds[static_cast<size_t>(i)] =
          kinds[static_cast<size_t>(i - 1)] == sjis::kLeadByte
              ? sjis::kTrailByte
              : sjis::ByteKind(text.substr(static_cast<size_t>(i - 1), 1), 1);
    for (int64_t start = 1, part = 0; start <= len; ++part) {
      int64_t piece = n;
      if (start + piece <= len && kinds[static_cast<size_t>(start + piece)] == sjis::kTrailByte) {
        --piece;
        if (piece < 1) piece = 2;
      }
      pieces.push_back({line, start, piece, part, false});
      start += piece;
    }
    pieces.back().last = true;
  }
  return pieces;
}

// Lines of bytes that make cuts awkward: runs of lead-range bytes, trail
// bytes that look like ASCII, tabs, half-width katakana; most short, some
// long enough for hundreds of view lines.
std::vector<std::string> AwkwardLines(std::mt19937& random, int count) {
  const std::string alphabet = "ab \t\x81\x9f\xe0\xfc\x40\x7e\x80\xa1\xdf\x8a\xbf\x01";
  std::vector<std::string> lines;
  for (int i = 0; i < count; ++i) {
    const unsigned kind = random() % 200;
    const size_t len = kind < 10 ? 0 : kind == 10 ? 10'200 + random() % 2'000 : random() % 300;
    std::string line;
    for (size_t k = 0; k < len; ++k) line += alphabet[random() % alphabet.size()];
    lines.push_back(line);
  }
  return lines;
}

TEST(ViewerLayout, LayoutGivesTheViewLinesOfTheRulesInEveryMode) {
  std::mt19937 random(15);
  const std::vector<std::string> lines = AwkwardLines(random, 2'000);
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  testing::TempDir dir;
  const auto file = dir.Write("awkward.txt", text);
  struct Mode {
    bool wordWrap;
    int64_t wrap;
    int width;
    int tabs = 4;
  };
  for (const Mode mode :
       {Mode{true, 80, 600}, Mode{true, 1, 600}, Mode{true, 2, 600}, Mode{true, 3, 600},
        Mode{true, 255, 600}, Mode{false, 80, 600}, Mode{true, 0, 600}, Mode{true, 0, 97},
        Mode{true, 0, 8}, Mode{true, 0, 600, 0}, Mode{true, 0, 600, 1}, Mode{true, 0, 600, 16},
        Mode{true, 0, 97, 16}}) {
    ViewerRig rig(mode.width, 480);
    rig.view.SetViewTabStop(mode.tabs);
    rig.view.SetWordWrap(mode.wordWrap);
    rig.view.SetWrapByte(mode.wrap);
    // Left in the file and indexed in small chunks: lines are laid out by
    // the threads that find them, and across chunk edges here.
    rig.view.SetIndexSizes({.Block = 256, .Chunk = 4096, .InMemory = 0});
    const int64_t maxCharBefore = rig.view.MaxChar();
    // Laid out while the file loads, then once more from the first line.
    rig.view.LoadFromFile(file);
    const std::vector<Piece> expected = ReferenceLayout(rig.view, lines);
    for (int rebuilt = 0; rebuilt < 2; ++rebuilt) {
      const std::string what = "wrap " + std::to_string(mode.wrap) + " width " +
                               std::to_string(mode.width) + " tabs " + std::to_string(mode.tabs) +
                               (rebuilt ? " rebuilt" : "");
      ASSERT_EQ(PiecesOf(rig.view), expected) << what;
      int64_t longest = 0;
      for (int64_t v = 0; v < static_cast<int64_t>(expected.size()); ++v) {
        const Piece& p = expected[static_cast<size_t>(v)];
        const int64_t shown =
            p.start == 0
                ? 0
                : std::min(p.len, static_cast<int64_t>(lines[p.line].size()) - p.start + 1);
        longest = std::max(longest, shown);
        ASSERT_EQ(rig.view.LineIndexOfView(v), p.line) << what;
        ASSERT_EQ(rig.view.GetViewLine(v).size(), static_cast<size_t>(shown)) << what;
        ASSERT_EQ(rig.view.ViewToLinePos({3, v}), (TPoint{p.start - 1 + 3, p.line})) << what;
        if (p.part == 0) {
          ASSERT_EQ(rig.view.ViewIndexOfLine(p.line), v) << what;
        }
        if (p.start > 0) {
          ASSERT_EQ(rig.view.LineToViewPos({p.start, p.line}), (TPoint{1, v})) << what;
          ASSERT_EQ(rig.view.LineToViewPos({p.start + p.len - 1, p.line}), (TPoint{p.len, v}))
              << what;
        }
      }
      if (rebuilt == 0) {
        EXPECT_EQ(rig.view.MaxChar(), std::max(maxCharBefore, longest)) << what;
      }
      rig.view.BuildViewLines(0);
    }
  }
}

// A file of many blocks is laid out a block at a time while it loads; the
// result is what one rebuild of all lines gives.
TEST(ViewerLayout, LayoutMadeWhileLoadingMatchesARebuild) {
  std::mt19937 random(7);
  std::string text;
  while (text.size() < (size_t{5} << 20)) {
    for (const std::string& line : AwkwardLines(random, 1'000))
      text += line.substr(0, 400) + (random() % 3 ? "\r\n" : "\r");
  }
  testing::TempDir dir;
  const auto file = dir.Write("blocks.txt", text);
  for (const int64_t wrap : {int64_t{80}, int64_t{0}}) {
    ViewerRig rig(600, 480);
    rig.view.SetWrapByte(wrap);
    rig.view.SetIndexSizes({.Chunk = size_t{512} << 10});
    int blocks = 0;
    rig.view.OnLoadProgress = [&](int64_t, int64_t) { ++blocks; };
    rig.view.LoadFromFile(file);
    EXPECT_GE(blocks, 5);
    const std::vector<Piece> loaded = PiecesOf(rig.view);
    rig.view.BuildViewLines(0);
    EXPECT_TRUE(PiecesOf(rig.view) == loaded) << "wrap " << wrap;
  }
}

// A file that grows while it is shown: each piece appended (ending a line
// or not, a CR whose LF comes next) is laid out with the line it goes on,
// the result is what a rebuild gives, and the top line stays.
TEST(ViewerLayout, AFileThatGrowsIsLaidOutAsARebuildWithTheTopLineKept) {
  std::mt19937 random(11);
  std::string text;
  for (const std::string& line : AwkwardLines(random, 3'000))
    text += line.substr(0, 300) + (random() % 3 ? "\r\n" : "\r");
  testing::TempDir dir;
  for (const int64_t wrap : {int64_t{80}, int64_t{0}}) {
    const auto file = dir.Write("grows.txt", text.substr(0, 20'000));
    ViewerRig rig(600, 480);
    rig.view.SetWrapByte(wrap);
    rig.view.SetIndexSizes({.Block = 1024, .Chunk = 8192, .InMemory = 0});
    rig.view.LoadFromFile(file);
    rig.view.SetTopLine(7);
    for (size_t at = 20'000; at < text.size();) {
      const size_t n = std::min<size_t>(text.size() - at, 1 + random() % 60'000);
      testing::AppendTo(file, text.substr(at, n));
      at += n;
      ASSERT_EQ(rig.view.FileChange(true), TFileChange::Grew);
      ASSERT_TRUE(rig.view.ExtendFromFile());
      rig.view.CompleteIndex();
      EXPECT_EQ(rig.view.TopLine(), 7);
      const std::vector<Piece> grown = PiecesOf(rig.view);
      rig.view.BuildViewLines(0);
      ASSERT_TRUE(PiecesOf(rig.view) == grown) << "wrap " << wrap << ", at " << at;
    }
    ViewerRig whole(600, 480);
    whole.view.SetWrapByte(wrap);
    whole.view.LoadFromFile(file);
    EXPECT_TRUE(PiecesOf(whole.view) == PiecesOf(rig.view)) << "wrap " << wrap;
    EXPECT_EQ(whole.view.LineCount(), rig.view.LineCount());
  }
}

}  // namespace
}  // namespace varlo
