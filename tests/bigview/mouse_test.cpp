// The mouse on the offscreen backend: clicks to positions, double clicks on
// letters, blanks and double-byte characters, drags and auto-scrolling.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/menu.h"
#include "tests/support/viewer_rig.h"

namespace varlo {
namespace {

using testing::ViewerRig;

constexpr int kW = offscreen::kCharWidth;
constexpr int kH = offscreen::kLineHeight;

struct MouseRig : ViewerRig {
  MouseRig() : ViewerRig(600, 488) { view.SetSelect(true); }
  void Click(int x, int y) {
    Window().MouseDown(mbLeft, x, y);
    Window().MouseUp(mbLeft, x, y);
  }
  void DoubleClick(int x, int y) {
    Click(x, y);
    Window().DoubleClick(mbLeft, x, y);
    Window().MouseUp(mbLeft, x, y);
  }
  // The selected text of a single-line selection.
  std::string Selected() {
    TPoint s = view.SelStart(), e = view.SelEnd();
    if (s.Y != e.Y) return "<lines>";
    if (e.X < s.X) std::swap(s, e);
    return std::string(
        view.GetViewLine(s.Y).substr(static_cast<size_t>(s.X - 1), static_cast<size_t>(e.X - s.X)));
  }
};

TEST(ViewerMouse, ClickPutsTheCaretBeforeTheCharacterUnderThePointer) {
  MouseRig rig;
  rig.Load({"abcdef",
            "\x8a\xbf\x8e\x9a"
            "x"});
  rig.Click(2 * kW + 1, 3);  // left half of 'c'
  EXPECT_EQ(rig.view.CaretPos(), (TPoint{3, 0}));
  rig.Click(2 * kW + 7, 3);  // right half of 'c'
  EXPECT_EQ(rig.view.CaretPos(), (TPoint{3, 0}));
  rig.Click(2 * kW + 8, 3);  // the first pixel of 'd' is still 'c''s edge
  EXPECT_EQ(rig.view.CaretPos(), (TPoint{3, 0}));
  // On a double-byte character the width tested ends with its lead byte:
  // the caret goes before it up to that width, after it beyond.
  rig.Click(2 * kW + 4, kH + 3);
  EXPECT_EQ(rig.view.CaretPos(), (TPoint{3, 1}));
  rig.Click(3 * kW + 4, kH + 3);
  EXPECT_EQ(rig.view.CaretPos(), (TPoint{5, 1}));
  EXPECT_TRUE(rig.view.Focused());
}

TEST(ViewerMouse, ClicksBelowTheTextAndInThePartialStrip) {
  MouseRig rig;
  rig.Load({"short", "text"});
  rig.Click(3, 10 * kH);
  EXPECT_EQ(rig.view.CaretPos(), (TPoint{5, 1}));

  MouseRig full;
  full.Load(std::vector<std::string>(50, "line"));
  // 488 pixels: 30 whole lines and a strip; the strip is line 30.
  full.Click(3, 484);
  EXPECT_EQ(full.view.CaretPos(), (TPoint{1, 30}));
}

TEST(ViewerMouse, WithSelectOffAClickOnlyMovesTheCaret) {
  MouseRig rig;
  rig.view.SetSelect(false);
  rig.Load({"word and more", "second"});
  rig.view.SetSelStart({1, 0});
  rig.view.SetSelEnd({5, 0});
  rig.Window().MouseDown(mbLeft, 6 * kW + 2, 3);
  EXPECT_FALSE(rig.view.Extending());
  rig.Window().MouseMove(10 * kW, kH + 4);
  rig.Window().MouseUp(mbLeft, 10 * kW, kH + 4);
  EXPECT_EQ(rig.view.SelStart(), (TPoint{7, 0}));
  EXPECT_EQ(rig.view.SelEnd(), (TPoint{7, 0}));
  rig.DoubleClick(1, 3);
  EXPECT_EQ(rig.view.SelStart(), rig.view.SelEnd());
}

TEST(ViewerMouse, DragSelectsFromThePressToThePointer) {
  MouseRig rig;
  rig.Load({"0123456789", "abcdefghij"});
  rig.Window().MouseDown(mbLeft, 2 * kW + 1, 3);
  EXPECT_TRUE(rig.view.Extending());
  rig.Window().MouseMove(5 * kW + 1, 3);
  EXPECT_EQ(rig.Selected(), "234");
  rig.Window().MouseMove(4 * kW + 1, kH + 3);
  rig.Window().MouseUp(mbLeft, 4 * kW + 1, kH + 3);
  EXPECT_FALSE(rig.view.Extending());
  EXPECT_EQ(rig.view.SelStart(), (TPoint{3, 0}));
  EXPECT_EQ(rig.view.SelEnd(), (TPoint{5, 1}));
}

TEST(ViewerMouse, DoubleClickSelectsWordsAndCharacters) {
  MouseRig rig;
  // Line 0: a word run, blanks; line 1: 漢字, then ア (0x83 0x41, whose trail
  // is an 'A') directly followed by a word.
  rig.Load({"call foo_bar2 now",
            "\x8a\xbf\x8e\x9a\x83\x41"
            "Bc d"});
  rig.DoubleClick(7 * kW + 3, 3);  // on 'o' of foo_bar2
  EXPECT_EQ(rig.Selected(), "foo_bar2");
  rig.DoubleClick(4 * kW + 3, 3);  // the blank after call
  EXPECT_EQ(rig.Selected(), " ");
  rig.DoubleClick(3 * kW + 3, kH + 3);  // second byte of 字
  EXPECT_EQ(rig.Selected(), "\x8e\x9a");
  rig.DoubleClick(0 * kW + 3, kH + 3);  // first byte of 漢
  EXPECT_EQ(rig.Selected(), "\x8a\xbf");
  rig.DoubleClick(6 * kW + 3, kH + 3);  // 'B': the word starts after ア
  EXPECT_EQ(rig.Selected(), "Bc");
  // Past the end of the line: an empty selection.
  rig.DoubleClick(40 * kW, kH + 3);
  EXPECT_EQ(rig.view.SelStart(), rig.view.SelEnd());
}

TEST(ViewerMouse, DraggingAboveTheTopKeepsTheEndAtTheFirstColumn) {
  MouseRig rig;
  rig.Load({"first line", "second line", "third"});
  int cycles = 0;
  rig.backend.OnProcessMessages = [&] {
    EXPECT_EQ(rig.view.SelEnd(), (TPoint{1, 0}));
    if (++cycles == 50) rig.Window().MouseUp(mbLeft, 4 * kW, -30);
  };
  rig.Window().MouseDown(mbLeft, 4 * kW + 1, kH + 3);
  rig.Window().MouseMove(4 * kW, -30);
  EXPECT_EQ(cycles, 50);
  EXPECT_FALSE(rig.view.Extending());
  EXPECT_EQ(rig.view.SelStart(), (TPoint{5, 1}));
  EXPECT_EQ(rig.view.SelEnd(), (TPoint{1, 0}));
}

TEST(ViewerMouse, ALongDragOutsideKeepsAFlatStackAndSeesTheRelease) {
  MouseRig rig;
  rig.Load(std::vector<std::string>(100'000, "row of text"));
  int cycles = 0;
  const char* firstFrame = nullptr;
  bool flat = true;
  rig.backend.OnProcessMessages = [&] {
    char here;
    if (firstFrame == nullptr) firstFrame = &here;
    flat = flat && &here == firstFrame;
    ++cycles;
    // The pointer moves about below the window now and then.
    if (cycles % 500 == 0) rig.Window().MouseMove(5 * kW, 600 + cycles % 7);
    if (cycles == 5000)
      rig.Window().MouseUp(mbLeft, 5 * kW, 600);  // 100 s at the pace of a real drag
  };
  rig.Window().MouseDown(mbLeft, 5 * kW, 10);
  rig.Window().MouseMove(5 * kW, 600);
  EXPECT_TRUE(flat);
  EXPECT_EQ(cycles, 5000);
  EXPECT_FALSE(rig.view.Extending());
  // One line a cycle.
  EXPECT_EQ(rig.view.TopLine(), 5000);
  EXPECT_EQ(rig.view.SelEnd().Y, 5000 + 30);
}

TEST(ViewerMouse, DragBelowStopsAtTheEndOfTheText) {
  MouseRig rig;
  rig.Load(std::vector<std::string>(40, "row"));
  int cycles = 0;
  rig.backend.OnProcessMessages = [&] { ++cycles; };
  rig.Window().MouseDown(mbLeft, 5, 10);
  rig.Window().MouseMove(5, 600);
  // Without ScOver the last line stops at the bottom: ten moves, and the
  // loop ends by itself once nothing moves.
  EXPECT_EQ(rig.view.TopLine(), 10);
  EXPECT_EQ(cycles, 10);
  EXPECT_TRUE(rig.view.Extending());
  rig.Window().MouseUp(mbLeft, 5, 600);
  EXPECT_EQ(rig.view.SelEnd(), (TPoint{4, 39}));
}

TEST(ViewerMouse, RightPressShowsTheControlsOwnMenu) {
  MouseRig rig;
  rig.Load({"text"});
  rig.Window().MouseDown(mbRight, 10, 10);
  EXPECT_TRUE(rig.backend.Popups().empty());
  TPopupMenu menu;
  bool chosen = false;
  menu.Items.Add("Open", "開く", [&](TObject&) { chosen = true; });
  rig.view.SetPopupMenu(&menu);
  rig.backend.PopupChoice = "Open";
  rig.Window().MouseDown(mbRight, 10, 10);
  ASSERT_EQ(rig.backend.Popups().size(), 1u);
  EXPECT_EQ(rig.backend.Popups()[0].at, rig.Window().ClientToScreen({10, 10}));
  EXPECT_TRUE(chosen);
}

TEST(ViewerMouse, EmptyViewHitTestsNothing) {
  MouseRig rig;
  EXPECT_EQ(rig.view.PointToViewPos(10, 10), (TPoint{0, 0}));
  rig.Click(10, 10);
  EXPECT_EQ(rig.view.SelStart(), (TPoint{0, 0}));
  EXPECT_EQ(rig.view.SelEnd(), (TPoint{0, 0}));
}

}  // namespace
}  // namespace varlo
