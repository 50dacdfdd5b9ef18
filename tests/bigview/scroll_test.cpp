// Scrolling and the viewer's keys on the offscreen backend with a scripted
// clock: scroll mode and caret mode, the key tables, acceleration, the
// scroll bars and the two view-line events.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/temp_dir.h"
#include "tests/support/viewer_rig.h"

namespace varlo {
namespace {

using testing::ViewerRig;

std::vector<std::string> Numbered(int n, const std::string& text = "line") {
  std::vector<std::string> lines;
  for (int i = 0; i < n; ++i) lines.push_back(text + std::to_string(i));
  return lines;
}

struct ScrollRig : ViewerRig {
  // 30 lines a page.
  explicit ScrollRig(int lines = 100, TScrollStyle bar = ssVertical) : ViewerRig(600, 480, bar) {
    Load(Numbered(lines));
  }
  void Key(uint16_t key, TShiftState shift = 0) {
    backend.AdvanceTicks(50);
    Window().KeyDown(key, shift);
    Window().KeyUp(key, shift);
  }
};

TEST(ViewerScroll, EndGoesToTheLastTopLineWithAndWithoutScOver) {
  ScrollRig rig;
  rig.view.SetScOver(true);
  rig.Key(vk::End);
  EXPECT_EQ(rig.view.TopLine(), 99);
  EXPECT_EQ(rig.view.BottomLine(), 99);
  rig.Key(vk::Home);
  EXPECT_EQ(rig.view.TopLine(), 0);
  rig.view.SetScOver(false);
  rig.Key(vk::End);
  EXPECT_EQ(rig.view.TopLine(), 70);
  EXPECT_EQ(rig.view.BottomLine(), 99);
  EXPECT_EQ(rig.view.VScrollPos(), 70);
  rig.Key(vk::Key('T'));
  EXPECT_EQ(rig.view.TopLine(), 0);
  rig.Key(vk::Key('B'));
  EXPECT_EQ(rig.view.TopLine(), 70);
  rig.Key(vk::Up, ssCtrl);
  EXPECT_EQ(rig.view.TopLine(), 0);
}

TEST(ViewerScroll, PageDownKeepsOneLineInScrollModeAndNoneInCaretMode) {
  ScrollRig rig;
  rig.Key(vk::Next);
  EXPECT_EQ(rig.view.TopLine(), 29);
  rig.Key(vk::Space);
  EXPECT_EQ(rig.view.TopLine(), 58);
  rig.Key(vk::Space, ssShift);
  EXPECT_EQ(rig.view.TopLine(), 29);
  rig.Key(vk::Key('D'), ssCtrl);
  EXPECT_EQ(rig.view.TopLine(), 58);
  rig.Key(vk::Key('S'), ssCtrl);
  EXPECT_EQ(rig.view.TopLine(), 29);

  ScrollRig caret;
  caret.view.SetCaret(true);
  caret.view.SetCaretPos({1, 3});
  caret.Key(vk::Next);
  EXPECT_EQ(caret.view.CaretPos(), (TPoint{1, 33}));
  EXPECT_EQ(caret.view.TopLine(), 30);
  caret.Key(vk::Prior);
  EXPECT_EQ(caret.view.CaretPos(), (TPoint{1, 3}));
  EXPECT_EQ(caret.view.TopLine(), 0);
}

TEST(ViewerScroll, TheWheelMovesByTheSystemsSettingAndStopsWhereTheBarDoes) {
  ScrollRig rig;
  rig.view.SetScOver(false);
  // Three lines a notch; a part of a notch waits for the rest.
  EXPECT_TRUE(rig.Window().Wheel(-120));
  EXPECT_EQ(rig.view.TopLine(), 3);
  rig.Window().Wheel(-60);
  EXPECT_EQ(rig.view.TopLine(), 3);
  rig.Window().Wheel(-60);
  EXPECT_EQ(rig.view.TopLine(), 6);
  EXPECT_EQ(rig.view.VScrollPos(), 6);
  rig.Window().Wheel(2 * 120);
  EXPECT_EQ(rig.view.TopLine(), 0);
  // A page a notch, and no further than the bar's end (70).
  rig.backend.SetWheelScrollLines(Backend::kWheelPage);
  rig.Window().Wheel(-120);
  EXPECT_EQ(rig.view.TopLine(), 29);
  rig.Window().Wheel(-3 * 120);
  EXPECT_EQ(rig.view.TopLine(), 70);
  EXPECT_EQ(rig.view.VScrollPos(), 70);
}

TEST(ViewerScroll, AShortFileStaysAtTheTop) {
  ScrollRig rig(10);
  rig.view.SetScOver(false);
  for (uint16_t key : {vk::Down, vk::Next, vk::End, vk::Space}) rig.Key(key);
  EXPECT_EQ(rig.view.TopLine(), 0);
  rig.Window().Scroll(sbVertical, sb::ThumbTrack, 1);
  EXPECT_EQ(rig.view.TopLine(), 0);
}

TEST(ViewerScroll, LeftAndRightPageWithAVerticalBarAndStepWithAHorizontalOne) {
  ScrollRig vertical;
  vertical.Key(vk::Right);
  EXPECT_EQ(vertical.view.TopLine(), 29);
  vertical.Key(vk::Left);
  EXPECT_EQ(vertical.view.TopLine(), 0);
  EXPECT_EQ(vertical.view.HScrollPos(), 0);

  ViewerRig horizontal(600, 480, ssHorizontal);
  horizontal.view.SetWordWrap(false);
  horizontal.Load({std::string(300, 'h'), "b"});
  horizontal.Window().KeyDown(vk::Right);
  EXPECT_EQ(horizontal.view.HScrollPos(), 1);
  EXPECT_EQ(horizontal.view.TopLine(), 0);
  horizontal.backend.AdvanceTicks(500);
  horizontal.Window().KeyDown(vk::Right, ssCtrl);
  EXPECT_EQ(horizontal.view.HScrollPos(), 76);
  horizontal.Window().KeyDown(vk::End);
  // MaxChar 300 less the 75 visible columns.
  EXPECT_EQ(horizontal.view.HScrollPos(), 225);
  horizontal.Window().KeyDown(vk::Home);
  EXPECT_EQ(horizontal.view.HScrollPos(), 0);
}

TEST(ViewerScroll, BothBarsMoveBothAxesOnTheSharedKeys) {
  ScrollRig rig(100, ssBoth);
  rig.view.SetWordWrap(false);
  rig.view.Add(std::string(400, 'w'));
  rig.Key(vk::Right);
  EXPECT_EQ(rig.view.TopLine(), 29);
  EXPECT_EQ(rig.view.HScrollPos(), 1);
}

TEST(ViewerScroll, ShiftDownPagesInScrollModeAndExtendsInCaretMode) {
  ScrollRig scroll;
  scroll.Key(vk::Down, ssShift);
  EXPECT_EQ(scroll.view.TopLine(), 29);

  ScrollRig caret;
  caret.view.SetCaret(true);
  caret.view.SetSelect(true);
  caret.view.SetCaretPos({2, 4});
  caret.Window().KeyDown(vk::Down, ssShift);
  EXPECT_TRUE(caret.view.Extending());
  EXPECT_EQ(caret.view.SelStart(), (TPoint{0, 0}));
  EXPECT_EQ(caret.view.SelEnd(), (TPoint{2, 5}));
  caret.Window().KeyUp(vk::Down, ssShift);
  EXPECT_FALSE(caret.view.Extending());
  // An unshifted key collapses the selection at the caret.
  caret.Key(vk::Down);
  EXPECT_EQ(caret.view.SelStart(), (TPoint{2, 6}));
  EXPECT_EQ(caret.view.SelEnd(), (TPoint{2, 6}));

  ScrollRig noSelect;
  noSelect.view.SetCaret(true);
  noSelect.view.SetSelect(false);
  noSelect.Key(vk::Down, ssShift);
  EXPECT_EQ(noSelect.view.TopLine(), 29);
}

TEST(ViewerScroll, CaretStepsOverDoubleByteCharacters) {
  ViewerRig rig;
  // 漢 spans columns 2-3 of line 0; line 1 has a pair at columns 1-2.
  rig.Load(
      {"a\x8a\xbf"
       "b",
       "\x8a\xbf"
       "cd",
       "xyz"});
  rig.view.SetCaret(true);
  rig.view.SetCaretPos({2, 0});
  rig.Window().KeyDown(vk::Right);
  EXPECT_EQ(rig.view.CaretPos(), (TPoint{4, 0}));
  rig.Window().KeyDown(vk::Left);
  EXPECT_EQ(rig.view.CaretPos(), (TPoint{2, 0}));
  // Column 2 of line 1 is a trail byte: Down lands after the character,
  // Up from column 2 of line 2 before it.
  rig.Window().KeyDown(vk::Down);
  EXPECT_EQ(rig.view.CaretPos(), (TPoint{3, 1}));
  rig.view.SetCaretPos({2, 2});
  rig.Window().KeyDown(vk::Up);
  EXPECT_EQ(rig.view.CaretPos(), (TPoint{1, 1}));
  rig.Window().KeyDown(vk::End);
  EXPECT_EQ(rig.view.CaretPos(), (TPoint{5, 1}));
  rig.Window().KeyDown(vk::Right);
  EXPECT_EQ(rig.view.CaretPos(), (TPoint{5, 1}));
  rig.Window().KeyDown(vk::End, ssCtrl);
  EXPECT_EQ(rig.view.CaretPos(), (TPoint{4, 2}));
  rig.Window().KeyDown(vk::Home, ssCtrl);
  EXPECT_EQ(rig.view.CaretPos(), (TPoint{1, 0}));
}

TEST(ViewerScroll, CaretMovesScrollTheCaretIntoView) {
  ScrollRig rig;
  rig.view.SetCaret(true);
  rig.view.SetCaretPos({1, 29});
  rig.Window().KeyDown(vk::Down);
  EXPECT_EQ(rig.view.CaretPos(), (TPoint{1, 30}));
  EXPECT_EQ(rig.view.TopLine(), 1);
  rig.Window().KeyDown(vk::End, ssCtrl);
  EXPECT_EQ(rig.view.BottomLine(), 99);
}

TEST(ViewerScroll, AConsumedKeyLeavesTheViewUnmoved) {
  ScrollRig rig;
  rig.view.OnKeyDown = [](TObject&, uint16_t& key, TShiftState) { key = 0; };
  rig.Key(vk::Next);
  rig.Key(vk::End);
  EXPECT_EQ(rig.view.TopLine(), 0);
}

TEST(ViewerScroll, KeysMatchTheModifierSetExactly) {
  ScrollRig rig;
  rig.Key(vk::Next, ssAlt);
  rig.Key(vk::Down, ssCtrl | ssShift);
  rig.Key(vk::Key('X'));
  EXPECT_EQ(rig.view.TopLine(), 0);
  rig.Key(vk::Key('X'), ssCtrl);
  EXPECT_EQ(rig.view.TopLine(), 1);
  rig.Key(vk::Key('E'), ssCtrl);
  EXPECT_EQ(rig.view.TopLine(), 0);
}

TEST(ViewerScroll, SetTopLineFiresBothEventsOnEveryCall) {
  ScrollRig rig;
  std::vector<std::string> events;
  rig.view.OnViewLineChanging = [&](TObject&, int64_t& v) {
    events.push_back("changing " + std::to_string(v));
  };
  rig.view.OnViewLineChanged = [&](TObject&) { events.push_back("changed"); };
  const int paints = rig.Window().PaintCount();
  rig.view.SetTopLine(0);
  EXPECT_EQ(events, (std::vector<std::string>{"changing 0", "changed"}));
  EXPECT_GT(rig.Window().PaintCount(), paints);
  // The changing handler may move the new top line.
  rig.view.OnViewLineChanging = [](TObject&, int64_t& v) { v = v + 3; };
  rig.view.SetTopLine(10);
  EXPECT_EQ(rig.view.TopLine(), 13);
  EXPECT_EQ(rig.view.VScrollPos(), 13);
}

TEST(ViewerScroll, SetTopLinePullsAnEmptySelectionIntoView) {
  ScrollRig rig;
  rig.view.SetSelStart({4, 2});
  rig.view.SetSelEnd({4, 2});
  rig.view.SetTopLine(50);
  EXPECT_EQ(rig.view.SelEnd(), (TPoint{4, 50}));
  EXPECT_EQ(rig.view.SelStart(), (TPoint{4, 50}));
  // A real selection stays where it is.
  rig.view.SetSelStart({1, 55});
  rig.view.SetSelEnd({3, 56});
  rig.view.SetTopLine(0);
  EXPECT_EQ(rig.view.SelStart(), (TPoint{1, 55}));
}

// Lines moved by each of n Down key-downs that are 50 ms apart.
std::vector<int64_t> Steps(ScrollRig& rig, int n, uint16_t key = vk::Down) {
  std::vector<int64_t> moves;
  for (int i = 0; i < n; ++i) {
    const int64_t before = rig.view.TopLine();
    rig.backend.AdvanceTicks(50);
    rig.Window().KeyDown(key);
    moves.push_back(std::abs(rig.view.TopLine() - before));
  }
  return moves;
}

TEST(ViewerScroll, RepeatedLineScrollingAccelerates) {
  ScrollRig rig(2000);
  rig.view.SetScrollSense(3);
  rig.backend.AdvanceTicks(1000);  // at rest
  const std::vector<int64_t> moves = Steps(rig, 30);
  for (int i = 0; i < 30; ++i) {
    const int64_t want = i < 11 ? 1 : i < 21 ? 2 : 3;
    EXPECT_EQ(moves[static_cast<size_t>(i)], want) << "key-down " << i + 1;
  }
  // A pause of more than 200 ms brings the step back to 1.
  rig.backend.AdvanceTicks(250);
  rig.Window().KeyDown(vk::Down);
  EXPECT_EQ(rig.view.ScrollStep(), 1);
  // So does a change of direction, once the history shows it: the step is
  // measured before each command moves, so the first key up still moves
  // by the step of the way down.
  Steps(rig, 15);
  EXPECT_EQ(rig.view.ScrollStep(), 2);
  EXPECT_EQ(Steps(rig, 2, vk::Up), (std::vector<int64_t>{2, 1}));
  EXPECT_EQ(rig.view.ScrollStep(), 1);
}

TEST(ViewerScroll, ScrollSenseOneNeverAccelerates) {
  ScrollRig rig(2000);
  for (int64_t m : Steps(rig, 40)) EXPECT_EQ(m, 1);
}

TEST(ViewerScroll, ATickCounterWrapCountsAsAPause) {
  ScrollRig rig(2000);
  rig.view.SetScrollSense(3);
  rig.backend.SetTickCount(0xFFFFFFFFu - 2000);
  Steps(rig, 25);
  EXPECT_EQ(rig.view.ScrollStep(), 3);
  rig.backend.SetTickCount(5);  // wrapped
  rig.Window().KeyDown(vk::Down);
  EXPECT_EQ(rig.view.ScrollStep(), 1);
  EXPECT_TRUE(rig.backend.Errors().empty());
}

TEST(ViewerScroll, ThumbDraggingReachesEveryLineOfALongDocument) {
  ViewerRig rig(600, 480);
  rig.view.SetScOver(true);
  rig.Load(std::vector<std::string>(200'000, "x"));
  EXPECT_EQ(rig.Window().ScrollState(sbVertical).Max, 199'999);
  for (int pos : {1, 65'535, 65'536, 131'071, 150'001, 199'998, 199'999}) {
    rig.Window().Scroll(sbVertical, sb::ThumbTrack, pos);
    EXPECT_EQ(rig.view.TopLine(), pos);
  }
  rig.Window().Scroll(sbVertical, sb::Top);
  EXPECT_EQ(rig.view.TopLine(), 0);
  rig.Window().Scroll(sbVertical, sb::Bottom);
  EXPECT_EQ(rig.view.TopLine(), 199'999);
  rig.Window().Scroll(sbVertical, 9, 0);  // not a request: ignored
  EXPECT_EQ(rig.view.TopLine(), 199'999);
}

// While a file's lines come in, each redraw of the bar costs the threads
// that index (under Wine, calls to the system): the bar follows a few times
// a second, and takes every line once the text is all in.
TEST(ViewerScroll, WhileLinesComeInTheBarFollowsAFewTimesASecond) {
  std::string text;
  for (int i = 0; i < 20'000; ++i) text += "line " + std::to_string(i) + "\r\n";
  testing::TempDir dir;
  ViewerRig rig(600, 480);
  rig.view.SetIndexSizes({.Block = size_t{4} << 10, .Chunk = size_t{4} << 10, .InMemory = 0});
  rig.view.BeginLoadFromFile(dir.Write("long.txt", text));
  int bar = rig.Window().ScrollState(sbVertical).Max, changes = 0;
  uint32_t changedAt = rig.backend.TickCount();
  while (rig.view.Indexing()) {
    rig.backend.AdvanceTicks(10);
    rig.view.PumpIndex(1000, 0);  // one chunk
    const int now = rig.Window().ScrollState(sbVertical).Max;
    if (rig.view.Indexing() && now != bar) {
      EXPECT_GE(rig.backend.TickCount() - changedAt, TBigView::kProgressMs);
      changedAt = rig.backend.TickCount();
      bar = now;
      ++changes;
    }
  }
  EXPECT_GE(changes, 3);
  EXPECT_EQ(rig.Window().ScrollState(sbVertical).Max, 20'000 - rig.view.PageLines());
}

TEST(ViewerScroll, ArrowKeysAreTheControlsOwn) {
  ViewerRig rig;
  for (uint16_t key : {vk::Left, vk::Up, vk::Right, vk::Down})
    EXPECT_TRUE(rig.Window().WantsKey(key));
  EXPECT_FALSE(rig.Window().WantsKey(vk::Tab));
  EXPECT_FALSE(rig.Window().WantsKey(vk::Next));
}

TEST(ViewerScroll, EmptyViewIgnoresKeys) {
  ViewerRig rig;
  rig.view.SetCaret(true);
  rig.Window().KeyDown(vk::Down);
  rig.Window().KeyDown(vk::End, ssCtrl);
  EXPECT_EQ(rig.view.TopLine(), 0);
  EXPECT_EQ(rig.view.CaretPos(), (TPoint{0, 0}));
  EXPECT_TRUE(rig.backend.Errors().empty());
}

}  // namespace
}  // namespace varlo
