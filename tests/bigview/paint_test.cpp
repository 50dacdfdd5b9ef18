// The viewer's painting, checked as pixels of the offscreen window: rows,
// tabs, selection, background, incremental scrolling, very long lines,
// the caret, and the window styles.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/viewer_rig.h"

namespace varlo {
namespace {

using testing::kBackground;
using testing::kInk;
using testing::ViewerRig;

constexpr int kW = offscreen::kCharWidth;
constexpr int kH = offscreen::kLineHeight;

// The middle of a character cell: ink for a letter, background for a blank.
TColor Glyph(ViewerRig& rig, int column, int row) {
  return rig.Pixel(column * kW + kW / 2, row * kH + kH / 2);
}
// The cell's corner: always background unless the cell is selected.
TColor Corner(ViewerRig& rig, int column, int row) { return rig.Pixel(column * kW, row * kH); }

std::vector<TColor> ScreenOf(ViewerRig& rig) {
  std::vector<TColor> pixels;
  const TSize size = rig.Window().Screen().Size();
  for (int y = 0; y < size.Height; ++y)
    for (int x = 0; x < size.Width; ++x) pixels.push_back(rig.Pixel(x, y));
  return pixels;
}

TEST(ViewerPaint, LinesAppearAtTheirRows) {
  ViewerRig rig;
  rig.Load({"ab", " c", "",
            "\x8a\xbf"
            "d"});
  EXPECT_EQ(Glyph(rig, 0, 0), kInk);
  EXPECT_EQ(Glyph(rig, 1, 0), kInk);
  EXPECT_EQ(Glyph(rig, 2, 0), kBackground);
  EXPECT_EQ(Glyph(rig, 0, 1), kBackground);  // the blank
  EXPECT_EQ(Glyph(rig, 1, 1), kInk);
  EXPECT_EQ(Glyph(rig, 0, 2), kBackground);
  // A double-byte character takes two columns.
  EXPECT_EQ(rig.Pixel(8, 3 * kH + 8), kInk);
  EXPECT_EQ(Glyph(rig, 2, 3), kInk);
  EXPECT_EQ(Glyph(rig, 3, 3), kBackground);
}

TEST(ViewerPaint, TabsExpandToMultiplesOfTheTabDistance) {
  ViewerRig rig;
  rig.view.SetViewTabStop(4);
  rig.Load({"\tX", "a\tY", "abcd\tZ"});
  // 4 columns of 8 px: text after a tab at column 1 starts at x = 32.
  EXPECT_EQ(rig.Pixel(31, 8), kBackground);
  EXPECT_EQ(Glyph(rig, 4, 0), kInk);
  EXPECT_EQ(Glyph(rig, 4, 1), kInk);
  EXPECT_EQ(Glyph(rig, 3, 1), kBackground);
  // A tab right at a stop goes to the next one.
  EXPECT_EQ(Glyph(rig, 8, 2), kInk);
  EXPECT_EQ(Glyph(rig, 4, 2), kBackground);
  EXPECT_EQ(rig.view.MeasureText("a\t"), 32);
  EXPECT_EQ(rig.view.MeasureText("abcd\t"), 64);
  // A tab stop of 0 shows a tab as one blank.
  rig.view.SetViewTabStop(0);
  rig.Paint();
  EXPECT_EQ(Glyph(rig, 1, 0), kInk);
  EXPECT_EQ(rig.view.MeasureText("a\tb"), 24);
}

TEST(ViewerPaint, SelectionInvertsTextOnly) {
  ViewerRig rig;
  rig.Load({"line zero", "0123456789", "", "abc", "short"});
  rig.view.SetSelStart({3, 1});
  rig.view.SetSelEnd({2, 4});
  rig.view.RedrawPage();
  // Line 1 from column 3 to its end, not beyond.
  EXPECT_EQ(Corner(rig, 1, 1), kBackground);
  EXPECT_EQ(Corner(rig, 2, 1), kInk);
  EXPECT_EQ(Glyph(rig, 2, 1), kBackground);  // inverted letter
  EXPECT_EQ(Corner(rig, 9, 1), kInk);
  EXPECT_EQ(Corner(rig, 10, 1), kBackground);
  // An empty line inside the selection stays plain; a whole line inverts.
  EXPECT_EQ(Corner(rig, 0, 2), kBackground);
  EXPECT_EQ(Corner(rig, 2, 3), kInk);
  EXPECT_EQ(Corner(rig, 3, 3), kBackground);
  // The last line up to, not including, column 2.
  EXPECT_EQ(Corner(rig, 0, 4), kInk);
  EXPECT_EQ(Corner(rig, 1, 4), kBackground);
  EXPECT_EQ(Corner(rig, 0, 0), kBackground);
}

TEST(ViewerPaint, SelectionEndingAtColumnOneLeavesItsLinePlain) {
  ViewerRig rig;
  std::vector<std::string> lines(10, "abcdef");
  rig.Load(lines);
  rig.view.SetSelStart({3, 5});
  rig.view.SetSelEnd({1, 6});
  rig.view.RedrawPage();
  EXPECT_EQ(Corner(rig, 1, 5), kBackground);
  EXPECT_EQ(Corner(rig, 2, 5), kInk);
  EXPECT_EQ(Corner(rig, 5, 5), kInk);
  EXPECT_EQ(Corner(rig, 6, 5), kBackground);
  EXPECT_EQ(Corner(rig, 0, 6), kBackground);
}

TEST(ViewerPaint, SelectionStaysOnLinesScrolledIntoView) {
  ViewerRig rig(600, 160);  // 10 lines a page
  std::vector<std::string> lines(40, "abc");
  rig.Load(lines);
  // Same column, different lines: still a selection.
  rig.view.SetSelStart({1, 5});
  rig.view.SetSelEnd({1, 14});
  rig.view.RedrawPage();
  rig.view.SetTopLine(8);
  // View lines 8..13 are wholly selected, 14 not at all.
  EXPECT_EQ(Corner(rig, 0, 0), kInk);
  EXPECT_EQ(Corner(rig, 0, 5), kInk);
  EXPECT_EQ(Corner(rig, 0, 6), kBackground);
  const std::vector<TColor> scrolled = ScreenOf(rig);
  rig.view.RedrawPage();
  EXPECT_EQ(ScreenOf(rig), scrolled);
}

TEST(ViewerPaint, StripBelowTheLastWholeLineTakesTheColour) {
  ViewerRig rig(600, 488);  // 30 whole lines and 8 pixels more
  std::vector<std::string> lines(50, "xxxxxxxx");
  rig.Load(lines);
  EXPECT_EQ(rig.view.PageLines(), 30);
  EXPECT_EQ(Glyph(rig, 0, 29), kInk);
  EXPECT_EQ(rig.Pixel(4, 484), kBackground);
  rig.view.SetColor(clYellow);
  rig.Paint();
  // The colour change renders the page again, strip included.
  EXPECT_EQ(rig.Pixel(4, 484), clYellow);
  EXPECT_EQ(Corner(rig, 0, 0), clYellow);
  EXPECT_EQ(Glyph(rig, 0, 0), kInk);
}

TEST(ViewerPaint, IncrementalScrollingEqualsAFullRedraw) {
  ViewerRig rig(600, 480);
  std::vector<std::string> lines;
  for (int i = 0; i < 200; ++i)
    lines.push_back(std::string(i % 23, 'a') + " " + std::string(i % 7, 'b'));
  rig.Load(lines);
  rig.view.SetSelStart({4, 20});
  rig.view.SetSelEnd({2, 33});
  rig.view.RedrawPage();
  for (int64_t top : {1, 16, 15, 14, 44, 40, 0, 29, 59, 58}) {
    rig.view.SetTopLine(top);
    const std::vector<TColor> incremental = ScreenOf(rig);
    rig.view.RedrawPage();
    EXPECT_EQ(ScreenOf(rig), incremental) << "top line " << top;
  }
}

TEST(ViewerPaint, ScrollingByALineDrawsOneLine) {
  ViewerRig rig(600, 480);
  std::vector<std::string> lines(100, "plain text");
  rig.Load(lines);
  auto& page = static_cast<offscreen::PixelCanvas&>(rig.view.PageBitmap().Canvas());
  const int64_t before = page.TextOutCalls();
  rig.view.SetTopLine(1);
  EXPECT_EQ(page.TextOutCalls() - before, 1);
  rig.view.SetTopLine(5);
  EXPECT_EQ(page.TextOutCalls() - before, 5);
  rig.view.SetTopLine(80);  // more than a page: the whole page
  EXPECT_EQ(page.TextOutCalls() - before, 5 + 20);
}

TEST(ViewerPaint, PageUpdatesMayOnlyInvalidateUpToPCanLimit) {
  ViewerRig rig;
  rig.Load({"a"});
  rig.view.SetPCanLimit(2);
  const int paints = rig.Window().PaintCount();
  rig.view.RedrawPage();
  rig.view.RedrawPage();
  EXPECT_EQ(rig.Window().PaintCount(), paints);
  EXPECT_TRUE(rig.Window().Invalid());
  rig.view.RedrawPage();
  EXPECT_EQ(rig.Window().PaintCount(), paints + 1);
}

TEST(ViewerPaint, WideLinesMeasureBeyondSixteenBits) {
  ViewerRig rig(600, 480);
  std::string wide;
  for (int i = 0; i < 10'000; ++i) wide += "\x8a\xbf";  // 160,000 px
  EXPECT_EQ(rig.view.MeasureText(wide), 160'000);
  rig.view.SetWrapByte(0);
  rig.Load({wide});
  // 37 characters (592 px) a piece, all of them.
  EXPECT_EQ(rig.view.ViewCount(), (10'000 + 36) / 37);
  EXPECT_EQ(rig.view.GetViewLine(1).size(), 74u);
}

TEST(ViewerPaint, AMillionByteLineShowsEveryColumnWithABoundedPage) {
  ViewerRig rig(600, 160, ssBoth);
  rig.view.SetWordWrap(false);
  std::string line;
  for (int i = 0; i < 1'000'000; ++i) line += i % 10 == 0 ? ' ' : 'x';
  rig.Load({line});
  EXPECT_EQ(rig.view.MaxChar(), 1'000'000);
  EXPECT_LE(rig.view.PageBitmap().Width(), 16384);
  for (int64_t h : {int64_t{0}, int64_t{3}, int64_t{500'000}, int64_t{999'925}, int64_t{999'999}}) {
    rig.view.SetHScrollPos(h);
    const int64_t first = rig.view.HScrollPos();
    for (int c = 0; c < 75; ++c) {
      const int64_t column = first + c;  // 0-based byte of the line
      const TColor want = column >= 1'000'000 ? kBackground : column % 10 == 0 ? kBackground : kInk;
      ASSERT_EQ(Glyph(rig, c, 0), want) << "scrolled to " << h << ", column " << column;
    }
  }
  // The caret and hit tests work in line pixels far beyond the bitmap.
  rig.view.SetHScrollPos(999'000);
  EXPECT_EQ(rig.view.PointToViewPos(3 * kW + 1, 4), (TPoint{999'004, 0}));
  rig.view.SetCaretPos({999'010, 0});
  EXPECT_EQ(rig.Window().CaretState().x, 9 * kW);
}

TEST(ViewerPaint, CaretPositionIsClampedIntoTheText) {
  ViewerRig rig;
  rig.Load({"first", "second", "0123456789"});
  rig.view.SetCaretPos({500, 2});
  EXPECT_EQ(rig.view.CaretPos(), (TPoint{11, 2}));
  EXPECT_EQ(rig.Window().CaretState().x, 10 * kW);
  EXPECT_EQ(rig.Window().CaretState().y, 2 * kH);
  rig.view.SetCaretPos({3, -1});
  EXPECT_EQ(rig.view.CaretPos(), (TPoint{0, 0}));
  rig.view.SetCaretPos({2, 9});
  EXPECT_EQ(rig.view.CaretPos(), (TPoint{2, 2}));
  rig.view.Clear();
  rig.view.SetCaretPos({2, 0});
  EXPECT_EQ(rig.view.CaretPos(), (TPoint{0, 0}));
}

TEST(ViewerPaint, CaretShowsOnlyWithTheFocusInCaretMode) {
  ViewerRig rig;
  rig.Load({"text"});
  rig.view.SetCaret(true);
  EXPECT_FALSE(rig.Window().CaretState().exists);
  rig.view.SetFocus();
  const auto& caret = rig.Window().CaretState();
  EXPECT_TRUE(caret.Visible());
  EXPECT_EQ(caret.width, 10);
  EXPECT_EQ(caret.height, kH);
  rig.view.SetCaret(false);
  EXPECT_FALSE(rig.Window().CaretState().Visible());
  rig.view.SetCaret(true);
  EXPECT_TRUE(rig.Window().CaretState().Visible());
  rig.host.SetFocus();
  EXPECT_FALSE(rig.Window().CaretState().exists);
  // Gaining the focus outside caret mode creates a hidden caret.
  rig.view.SetCaret(false);
  rig.view.SetFocus();
  EXPECT_TRUE(rig.Window().CaretState().exists);
  EXPECT_FALSE(rig.Window().CaretState().Visible());
}

TEST(ViewerPaint, FrameStylesFollowBvStyleAndScrollBar) {
  ViewerRig rig;
  const auto params = [&] { return rig.Window().Params(); };
  rig.view.SetBvStyle(BvSet({bvClientLow}));
  EXPECT_EQ(params().ExStyle & (ws::ExClientEdge | ws::ExDlgModalFrame), ws::ExClientEdge);
  EXPECT_TRUE(params().Style & ws::TabStop);
  EXPECT_TRUE(params().Style & ws::VScroll);
  EXPECT_FALSE(params().Style & ws::HScroll);
  rig.view.SetBvStyle(BvSet({bvCaption, bvVResize, bvDblFrame}));
  EXPECT_EQ(params().Style & ws::Caption, ws::Caption);
  EXPECT_TRUE(params().Style & ws::ThickFrame);
  EXPECT_EQ(params().ExStyle & (ws::ExClientEdge | ws::ExDlgModalFrame), ws::ExDlgModalFrame);
  rig.view.SetScrollBar(ssBoth);
  EXPECT_TRUE(params().Style & ws::HScroll);
  rig.view.SetCaption("\x83\x72\x83\x85\x81\x5B");  // ビュー
  EXPECT_EQ(rig.Window().Text(), "\x83\x72\x83\x85\x81\x5B");
}

TEST(ViewerPaint, SizingEdgesAndMovingFollowBvStyle) {
  ViewerRig rig(300, 200);
  rig.view.SetBounds(10, 10, 300, 200);
  rig.view.SetBvStyle(BvSet({bvVResize}));
  auto& w = rig.Window();
  // Top and bottom edges size; left and right and the corners do not.
  EXPECT_EQ(w.HitTest(150, 11), ht::Top);
  EXPECT_EQ(w.HitTest(150, 208), ht::Bottom);
  EXPECT_EQ(w.HitTest(11, 100), ht::Nowhere);
  EXPECT_EQ(w.HitTest(11, 11), ht::Nowhere);
  rig.view.SetBvStyle(BvSet({bvVResize, bvHResize}));
  EXPECT_EQ(w.HitTest(11, 11), ht::TopLeft);
  EXPECT_EQ(w.HitTest(308, 100), ht::Right);
  // Without bvVResize the height cannot change by dragging.
  rig.view.SetBvStyle(BvSet({bvHResize}));
  w.UserResize(400, 300);
  EXPECT_EQ(rig.view.Width(), 400);
  EXPECT_EQ(rig.view.Height(), 200);
  // With bvMove and no caption, Ctrl+drag in the text moves the control.
  rig.view.SetBvStyle(BvSet({bvMove}));
  EXPECT_EQ(w.HitTest(150, 100), ht::Client);
  rig.backend.SetKeyPressed(vk::Control, true);
  EXPECT_EQ(w.HitTest(150, 100), ht::Caption);
  rig.backend.SetKeyPressed(vk::Control, false);
  // A caption moves the control only with bvMove.
  rig.view.SetBvStyle(BvSet({bvCaption}));
  EXPECT_EQ(w.HitTest(150, 15), ht::Nowhere);
  rig.view.SetBvStyle(BvSet({bvCaption, bvMove}));
  EXPECT_EQ(w.HitTest(150, 15), ht::Caption);
}

TEST(ViewerPaint, FocusWithBvMoveBringsTheControlToTheFront) {
  ViewerRig rig;
  rig.view.SetBvStyle(BvSet({bvMove}));
  const int calls = rig.backend.ProcessMessagesCalls();
  rig.view.SetFocus();
  EXPECT_EQ(rig.Window().BroughtToFront(), 1);
  EXPECT_EQ(rig.backend.ProcessMessagesCalls(), calls + 1);
}

}  // namespace
}  // namespace varlo
