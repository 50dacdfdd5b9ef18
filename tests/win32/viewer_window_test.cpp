// The viewer in a real window under Wine: a Shift-JIS file drawn with a
// Japanese font, incremental scrolling against a full redraw, the caret,
// the frame styles, and real keyboard, mouse and scroll-bar messages.
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <string>
#include <vector>

#include "bigview/BigView.h"
#include "platform/win32/backend.h"
#include "platform/win32/canvas.h"
#include "tests/support/bmp.h"
#include "tests/support/temp_dir.h"

namespace varlo {
namespace {

using win32::HandleOf;

struct BackendScope {
  win32::Win32Backend backend;
  BackendScope() { SetCurrentBackend(&backend); }
  ~BackendScope() { SetCurrentBackend(nullptr); }
};

// A sample of Shift-JIS text: Japanese, ASCII, a tab.
const std::string kJapanese =
    "\x93\xfa\x96\x7b\x8c\xea\x82\xcc\x83\x65\x83\x4c\x83\x58\x83\x67";  // 日本語のテキスト

struct WindowRig : BackendScope {
  TWinControl host;
  TBigView view{&host};
  testing::TempDir dir;

  WindowRig() {
    host.SetBounds(20, 20, 720, 560);
    view.SetAlign(alClient);
    view.SetScrollBar(ssVertical);
    TFont font = view.Font();
    font.Name = "IPAGothic";
    font.SetSize(12);
    font.Color = clBlack;
    view.SetFont(font);
    view.HandleNeeded();
    ShowWindow(HandleOf(host), SW_SHOWNORMAL);
    SetForegroundWindow(HandleOf(host));
    Pump();
  }

  void Pump() {
    for (int i = 0; i < 5; ++i) {
      backend.ProcessMessages();
      Sleep(5);
    }
  }

  void LoadLines(int n) {
    std::string text;
    for (int i = 0; i < n; ++i)
      text += std::to_string(i) + "\t" + kJapanese + " line " + std::string(i % 13, 'w') + "\r\n";
    view.LoadFromFile(dir.Write("sample.txt", text));
    Pump();
  }

  // The page bitmap's pixels.
  std::vector<TColor> Page() {
    std::vector<TColor> pixels;
    TBitmapCanvas& c = view.PageBitmap().Canvas();
    for (int y = 0; y < view.PageBitmap().Height(); ++y)
      for (int x = 0; x < view.PageBitmap().Width(); ++x) pixels.push_back(c.Pixel(x, y));
    return pixels;
  }

  // What the window shows, read back from the screen.
  std::vector<TColor> Screen(TSize* size = nullptr) {
    const TSize client = view.ClientSize();
    if (size) *size = client;
    win32::DibCanvas copy;
    copy.SetSize(client.Width, client.Height);
    HDC dc = GetDC(HandleOf(view));
    BitBlt(win32::DcOf(copy), 0, 0, client.Width, client.Height, dc, 0, 0, SRCCOPY);
    ReleaseDC(HandleOf(view), dc);
    std::vector<TColor> pixels;
    for (int y = 0; y < client.Height; ++y)
      for (int x = 0; x < client.Width; ++x) pixels.push_back(copy.Pixel(x, y));
    return pixels;
  }

  LRESULT Send(UINT msg, WPARAM wp, LPARAM lp) { return SendMessageW(HandleOf(view), msg, wp, lp); }
};

int Inked(const std::vector<TColor>& pixels) {
  int n = 0;
  for (TColor c : pixels) n += c == 0 ? 1 : 0;
  return n;
}

TEST(ViewerWindow, DrawsShiftJisTextWithAJapaneseFont) {
  WindowRig rig;
  rig.LoadLines(60);
  EXPECT_EQ(rig.view.LineCount(), 60);
  // A Japanese font: a kanji is twice as wide as a letter, and measured in
  // pixels of this font, not the offscreen 8.
  const int64_t letter = rig.view.MeasureText("a");
  EXPECT_GT(letter, 0);
  EXPECT_EQ(rig.view.MeasureText("\x93\xfa"), 2 * letter);
  EXPECT_EQ(rig.view.LineHeight() > 0, true);
  // Ink where text is, none right of the longest text.
  const std::vector<TColor> page = rig.Page();
  EXPECT_GT(Inked(page), 1000);
  TBitmapCanvas& c = rig.view.PageBitmap().Canvas();
  int beyond = 0;
  for (int y = 0; y < rig.view.PageBitmap().Height(); ++y)
    for (int x = 600; x < 640; ++x) beyond += c.Pixel(x, y) == 0 ? 1 : 0;
  EXPECT_EQ(beyond, 0);
  // The screen shows the page.
  TSize size;
  const std::vector<TColor> screen = rig.Screen(&size);
  int differ = 0;
  for (int y = 0; y < std::min(size.Height, rig.view.PageBitmap().Height()); ++y)
    for (int x = 0; x < size.Width; ++x)
      differ += screen[static_cast<size_t>(y) * size.Width + x] != c.Pixel(x, y);
  EXPECT_EQ(differ, 0);

  // For a person to look at.
  const auto shot = std::filesystem::current_path() / "viewer_window.bmp";
  testing::WriteBmp(shot, size.Width, size.Height,
                    [&](int x, int y) { return screen[static_cast<size_t>(y) * size.Width + x]; });
  EXPECT_TRUE(std::filesystem::exists(shot));
}

TEST(ViewerWindow, IncrementalScrollingMatchesAFullRedraw) {
  WindowRig rig;
  rig.LoadLines(300);
  rig.view.SetSelStart({3, 4});
  rig.view.SetSelEnd({6, 9});
  rig.view.RedrawPage();
  const int64_t half = rig.view.PageLines() / 2;
  for (int64_t step : {int64_t{1}, half, -int64_t{1}, -half, half + 1}) {
    rig.view.SetTopLine(rig.view.TopLine() + step + 10);
    const std::vector<TColor> incremental = rig.Page();
    rig.view.RedrawPage();
    EXPECT_EQ(rig.Page() == incremental, true) << "step " << step;
  }
}

TEST(ViewerWindow, CaretHasTheSizeAndPlaceOfTheCaretPosition) {
  WindowRig rig;
  rig.LoadLines(20);
  rig.view.SetCaret(true);
  rig.view.SetFocus();
  rig.Pump();
  rig.view.SetCaretPos({3, 2});
  POINT p{};
  GetCaretPos(&p);
  EXPECT_EQ(p.x, rig.view.MeasureText(rig.view.GetViewLine(2).substr(0, 2)));
  EXPECT_EQ(p.y, 2 * rig.view.LineHeight());
  EXPECT_TRUE(GetFocus() == HandleOf(rig.view));
}

TEST(ViewerWindow, FrameStylesFollowBvStyle) {
  WindowRig rig;
  const auto style = [&] {
    return static_cast<uint32_t>(GetWindowLongW(HandleOf(rig.view), GWL_STYLE));
  };
  const auto ex = [&] {
    return static_cast<uint32_t>(GetWindowLongW(HandleOf(rig.view), GWL_EXSTYLE));
  };
  rig.view.SetBvStyle(BvSet({bvClientLow}));
  EXPECT_TRUE(ex() & WS_EX_CLIENTEDGE);
  EXPECT_TRUE(style() & WS_VSCROLL);
  EXPECT_TRUE(style() & WS_TABSTOP);
  rig.view.SetBvStyle(BvSet({bvCaption, bvVResize, bvDblFrame}));
  EXPECT_EQ(style() & WS_CAPTION, static_cast<uint32_t>(WS_CAPTION));
  EXPECT_TRUE(style() & WS_THICKFRAME);
  EXPECT_TRUE(ex() & WS_EX_DLGMODALFRAME);
  EXPECT_FALSE(ex() & WS_EX_CLIENTEDGE);
  // Without bvHResize the width cannot be dragged.
  MINMAXINFO mmi{};
  rig.Send(WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&mmi));
  EXPECT_EQ(mmi.ptMaxTrackSize.x, rig.view.Width());
  EXPECT_EQ(mmi.ptMinTrackSize.x, rig.view.Width());
}

TEST(ViewerWindow, KeysAndTheScrollBarMoveTheView) {
  WindowRig rig;
  rig.LoadLines(300);
  const int64_t page = rig.view.PageLines();
  rig.Send(WM_KEYDOWN, VK_NEXT, 0);
  rig.Send(WM_KEYUP, VK_NEXT, 0);
  EXPECT_EQ(rig.view.TopLine(), page - 1);
  EXPECT_EQ(GetScrollPos(HandleOf(rig.view), SB_VERT), page - 1);
  rig.Send(WM_VSCROLL, SB_LINEDOWN, 0);
  EXPECT_EQ(rig.view.TopLine(), page);
  EXPECT_EQ(GetScrollPos(HandleOf(rig.view), SB_VERT), page);
  rig.Send(WM_KEYDOWN, VK_END, 0);
  EXPECT_EQ(rig.view.TopLine(), rig.view.MaxTop());
  EXPECT_EQ(GetScrollPos(HandleOf(rig.view), SB_VERT), rig.view.MaxTop());
  rig.Send(WM_VSCROLL, SB_TOP, 0);
  EXPECT_EQ(rig.view.TopLine(), 0);
  // Shift+Down pages too: the modifier is read from the keyboard state.
  BYTE keys[256];
  GetKeyboardState(keys);
  keys[VK_SHIFT] = 0x80;
  SetKeyboardState(keys);
  rig.Send(WM_KEYDOWN, VK_DOWN, 0);
  keys[VK_SHIFT] = 0;
  SetKeyboardState(keys);
  EXPECT_EQ(rig.view.TopLine(), page - 1);
}

TEST(ViewerWindow, MouseMessagesPlaceTheCaretAndSelect) {
  WindowRig rig;
  rig.LoadLines(50);
  rig.view.SetSelect(true);
  const int h = rig.view.LineHeight();
  // Press on line 3, drag to line 5, release.
  rig.Send(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 3 * h + 2));
  EXPECT_EQ(rig.view.SelStart(), (TPoint{1, 3}));
  rig.Send(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(2, 5 * h + 2));
  rig.Send(WM_LBUTTONUP, 0, MAKELPARAM(2, 5 * h + 2));
  EXPECT_EQ(rig.view.SelEnd(), (TPoint{1, 5}));
  EXPECT_FALSE(rig.view.Extending());
  EXPECT_TRUE(GetCapture() == nullptr);
  // A press and a double click on the first kanji selects that character.
  const int64_t x = rig.view.MeasureText(rig.view.GetViewLine(1).substr(0, 2)) + 2;
  rig.Send(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, h + 2));
  rig.Send(WM_LBUTTONUP, 0, MAKELPARAM(x, h + 2));
  rig.Send(WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(x, h + 2));
  rig.Send(WM_LBUTTONUP, 0, MAKELPARAM(x, h + 2));
  EXPECT_EQ(rig.view.SelStart(), (TPoint{3, 1}));
  EXPECT_EQ(rig.view.SelEnd(), (TPoint{5, 1}));
}

TEST(ViewerWindow, LostCaptureEndsADrag) {
  WindowRig rig;
  rig.LoadLines(50);
  rig.view.SetSelect(true);
  rig.Send(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
  EXPECT_TRUE(rig.view.Extending());
  // Another window takes the mouse: no release will come.
  ReleaseCapture();
  EXPECT_FALSE(rig.view.Extending());
}

}  // namespace
}  // namespace varlo
