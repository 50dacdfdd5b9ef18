// Painting through the off-screen page, selection inversion, the caret, the
// window styles and the reactions to focus, size, move and font.
#include <algorithm>
#include <limits>

#include "bigview/big_view.h"
#include "platform/application.h"
#include "platform/backend.h"
#include "platform/checked.h"

namespace varlo {
namespace {

int ClampToInt(int64_t v) {
  return static_cast<int>(std::clamp<int64_t>(v, std::numeric_limits<int>::min() / 2,
                                              std::numeric_limits<int>::max() / 2));
}

// The earlier of two view positions first (by line, then column).
void Order(TPoint& s, TPoint& e) {
  if (e.Y < s.Y || (e.Y == s.Y && e.X < s.X)) std::swap(s, e);
}

}  // namespace

void TBigView::CreateParams(TCreateParams& params) {
  TCustomControl::CreateParams(params);
  params.Style |= ws::TabStop;
  if (FScrollBar == ssVertical || FScrollBar == ssBoth) params.Style |= ws::VScroll;
  if (FScrollBar == ssHorizontal || FScrollBar == ssBoth) params.Style |= ws::HScroll;
  if (BvIn(bvCaption, FBvStyle)) params.Style |= ws::Caption;
  if (BvIn(bvVResize, FBvStyle) || BvIn(bvHResize, FBvStyle)) params.Style |= ws::ThickFrame;
  if (BvIn(bvClientLow, FBvStyle)) params.ExStyle |= ws::ExClientEdge;
  if (BvIn(bvDblFrame, FBvStyle)) params.ExStyle |= ws::ExDlgModalFrame;
  params.Caption = GetCaption();
  params.CaptionIsShiftJis = true;
}

void TBigView::EnsureMeasure() {
  // The measuring canvas takes the page canvas's font, which is the
  // control's; the widths are measured again only when it changed.
  FBitmap.Canvas().SetFont(Font());
  if (!FMeasure.Ready() || !(FMeasuredFont == Font())) {
    FMeasureBitmap.Canvas().SetFont(FBitmap.Canvas().Font());
    FMeasure.Reset(FMeasureBitmap.Canvas());
    FMeasuredFont = Font();
  }
  FMeasure.SetTabDistance(CheckedMul<int64_t>(FCharWidth, FViewTabStop));
}

int64_t TBigView::MeasureText(std::string_view s) {
  EnsureMeasure();
  return FMeasure.Width(s);
}

void TBigView::Present() {
  if (FPaintCount < FPCanLimit) {
    ++FPaintCount;
    Invalidate();
  } else if (HandleAllocated()) {
    Peer().PaintNow();
  }
}

void TBigView::Paint(TCanvas& canvas) {
  TBitmapCanvas& page = FBitmap.Canvas();
  if (page.BrushColor() != Color() || FPageOriginX != WantedOrigin()) {
    // The background changed, or the page covers other columns: render it
    // anew (which paints).
    page.SetBrushColor(Color());
    if (!FUpdating) {
      RedrawPage();
      return;
    }
  }
  const TRect c = canvas.ClipRect();
  const int64_t left = c.Left + CheckedMul<int64_t>(FCharWidth, FHScrollPos) - FPageOriginX;
  canvas.CopyRect(c, page, {ClampToInt(left), c.Top, ClampToInt(left + c.Width()), c.Bottom});
  canvas.SetBrushColor(Color());
  canvas.FillRect({c.Left, FBitmap.Height(), c.Right, std::max(Height(), FBitmap.Height())});
  FPaintCount = 0;
}

void TBigView::ClearPage() {
  TBitmapCanvas& page = FBitmap.Canvas();
  page.SetBrushColor(Color());
  page.FillRect({0, 0, FBitmap.Width(), FBitmap.Height()});
  Invalidate();
}

std::vector<std::string> TBigView::PageTexts(int64_t first, int64_t n) const {
  std::vector<std::string> texts;
  for (int64_t i = std::max<int64_t>(first, 0); i < first + n && i < ViewCount(); ++i)
    texts.push_back(GetViewLine(i));
  return texts;
}

void TBigView::DrawViewText(std::string_view text, int y) {
  TBitmapCanvas& page = FBitmap.Canvas();
  page.SetFontColor(Font().Color);
  EnsureMeasure();
  FMeasure.Draw(page, y, text, FPageOriginX, FBitmap.Width());
}

void TBigView::RedrawPage() {
  if (FUpdating) return;
  const std::vector<std::string> texts = PageTexts(FTopLine, FPageLines);
  FPageOriginX = WantedOrigin();
  ClearPage();
  for (size_t k = 0; k < texts.size(); ++k)
    DrawViewText(texts[k], ClampToInt(static_cast<int64_t>(k) * FLineHeight));
  DrawSelection(FSelStart, FSelEnd);
  Present();
}

bool TBigView::ShiftPage(int64_t n, bool down) {
  if (FUpdating) return false;
  if (n > FPageLines || FPageOriginX != WantedOrigin()) {
    RedrawPage();
    return false;
  }
  // The lines that stay move inside the bitmap; the strip they leave is
  // cleared for the new ones.
  TBitmapCanvas& page = FBitmap.Canvas();
  const int h = ClampToInt(n * FLineHeight), w = FBitmap.Width(), bh = FBitmap.Height();
  page.SetBrushColor(Color());
  page.SetFontColor(Font().Color);
  if (down) {
    page.CopyRect({0, h, w, bh}, page, {0, 0, w, bh - h});
    page.FillRect({0, 0, w, h});
  } else {
    page.CopyRect({0, 0, w, bh - h}, page, {0, h, w, bh});
    page.FillRect({0, bh - h, w, bh});
  }
  return true;
}

void TBigView::ScrollPageUp(int64_t n) {
  if (FUpdating) return;
  const std::vector<std::string> texts = PageTexts(FTopLine, std::min(n, FPageLines));
  if (!ShiftPage(n, true)) return;
  for (size_t k = 0; k < texts.size(); ++k) {
    const int64_t i = FTopLine + static_cast<int64_t>(k);
    DrawViewText(texts[k], ClampToInt((i - FTopLine) * FLineHeight));
    DrawSelectionLine(i);
  }
  Present();
}

void TBigView::ScrollPageDown(int64_t n) {
  if (FUpdating) return;
  const int64_t first = FTopLine + FPageLines - n;
  std::vector<std::string> texts;
  if (n <= FPageLines && first >= 0 && first <= FBottomLine)
    texts = PageTexts(first, std::min(n, FBottomLine - first + 1));
  if (!ShiftPage(n, false)) return;
  const int h = ClampToInt(n * FLineHeight), bh = FBitmap.Height();
  for (size_t k = 0; k < texts.size(); ++k) {
    const int64_t i = first + static_cast<int64_t>(k);
    DrawViewText(texts[k], ClampToInt((i - first) * FLineHeight + bh - h));
    DrawSelectionLine(i);
  }
  Present();
}

void TBigView::DrawSelection(TPoint a, TPoint b) {
  if (a == b || ViewCount() <= 0) return;
  TPoint s = a, e = b;
  Order(s, e);
  // The bottom line may still name a line past a layout that shrank.
  const int64_t bottom = std::min(FBottomLine, ViewCount() - 1);
  if (s.Y > bottom || e.Y < FTopLine) return;
  if (s.Y < FTopLine) s = {1, FTopLine};
  if (e.Y > bottom) e = {ViewLineSize(bottom) + 1, bottom};
  if (s.X < 1) s.X = 1;
  if (e.X < 1) e.X = 1;
  TBitmapCanvas& page = FBitmap.Canvas();
  for (int64_t line = s.Y; line <= e.Y; ++line) {
    const int64_t c = line == s.Y ? s.X : 1;
    const std::string text = GetViewLine(line);
    const std::string_view t = text;
    if (static_cast<int64_t>(t.size()) < c) continue;
    const int64_t left = MeasureText(t.substr(0, static_cast<size_t>(c - 1)));
    const int64_t right =
        line == e.Y ? MeasureText(t.substr(0, static_cast<size_t>(std::min<int64_t>(
                                                  e.X - 1, static_cast<int64_t>(t.size())))))
                    : MeasureText(t);
    const int top = ClampToInt((line - FTopLine) * FLineHeight);
    // In page coordinates, within the page.
    const TRect r{ClampToInt(std::clamp<int64_t>(left - FPageOriginX, 0, FBitmap.Width())), top,
                  ClampToInt(std::clamp<int64_t>(right - FPageOriginX, 0, FBitmap.Width())),
                  top + FLineHeight};
    if (r.Empty()) continue;
    page.SetCopyMode(TCopyMode::NotSrcCopy);
    page.CopyRect(r, page, r);
    page.SetCopyMode(TCopyMode::SrcCopy);
  }
}

void TBigView::DrawSelectionLine(int64_t viewIndex) {
  TPoint s = FSelStart, e = FSelEnd;
  Order(s, e);
  if (viewIndex < s.Y || viewIndex > e.Y || s == e) return;
  const int64_t end = ViewLineSize(viewIndex) + 1;
  if (s.Y == e.Y) {
    DrawSelection(s, e);
  } else if (viewIndex == s.Y) {
    DrawSelection(s, {end, viewIndex});
  } else if (viewIndex == e.Y) {
    DrawSelection({1, viewIndex}, e);
  } else {
    DrawSelection({1, viewIndex}, {end, viewIndex});
  }
}

void TBigView::SetCaretPos(TPoint pos) {
  const TPoint p = Clamped(pos);
  FCaretPos = p;
  int64_t x = 0;
  if (p.Y < ViewCount() && ViewCount() > 0)
    x = MeasureText(std::string_view(GetViewLine(p.Y))
                        .substr(0, static_cast<size_t>(std::max<int64_t>(p.X, 1) - 1)));
  x -= CheckedMul<int64_t>(FCharWidth, FHScrollPos);
  const int64_t y = (p.Y - FTopLine) * FLineHeight;
  if (HandleAllocated()) Peer().SetCaretPos(ClampToInt(x), ClampToInt(y));
}

void TBigView::SetCaret(bool value) {
  FCaret = value;
  if (!HandleAllocated()) return;
  if (value) {
    // Undoes hides that piled up, within bounds.
    for (int i = 0; i < 101; ++i)
      if (Peer().ShowCaret()) break;
  } else {
    Peer().HideCaret();
  }
}

void TBigView::MakeCaret() {
  // 10 pixels wide at 96 per inch, a row high.
  Peer().CreateCaret(Scaled(10), FLineHeight);
  if (FCaret) SetCaret(true);
}

void TBigView::WMSetFocus() {
  TCustomControl::WMSetFocus();
  MakeCaret();
  if (BvIn(bvMove, FBvStyle)) {
    Peer().BringToFront();
    Application().ProcessMessages();
  }
}

void TBigView::WMKillFocus() {
  TCustomControl::WMKillFocus();
  Peer().DestroyCaret();
}

int TBigView::WMNCHitTest(int code) {
  if (!BvIn(bvVResize, FBvStyle) && code >= ht::Top && code <= ht::BottomRight) code = ht::Nowhere;
  if (!BvIn(bvHResize, FBvStyle) &&
      (code == ht::Left || code == ht::Right || code == ht::TopLeft || code == ht::TopRight ||
       code == ht::BottomLeft || code == ht::BottomRight))
    code = ht::Nowhere;
  if (BvIn(bvCaption, FBvStyle)) {
    if (code == ht::Caption && !BvIn(bvMove, FBvStyle)) code = ht::Nowhere;
  } else if (BvIn(bvMove, FBvStyle) && CurrentBackend().KeyPressed(vk::Control) &&
             code == ht::Client) {
    // Ctrl+drag anywhere in the text moves the control.
    code = ht::Caption;
  }
  return code;
}

void TBigView::WMGetMinMaxInfo(TMinMaxInfo& info) {
  Backend& b = CurrentBackend();
  info.MinTrackSize = {b.SystemMetric(TSystemMetric::CxMin), b.SystemMetric(TSystemMetric::CyMin)};
  if (!BvIn(bvVResize, FBvStyle))
    info.MaxSize.Height = info.MaxTrackSize.Height = info.MinTrackSize.Height = Height();
  if (!BvIn(bvHResize, FBvStyle))
    info.MaxSize.Width = info.MaxTrackSize.Width = info.MinTrackSize.Width = Width();
}

void TBigView::WMNCLButtonDown() { SetFocus(); }

void TBigView::WMSize() {
  TCustomControl::WMSize();
  ResizeView();
}

void TBigView::WMMove() { RedrawPage(); }

void TBigView::WMSetFont() {
  FBitmap.Canvas().SetFont(Font());
  ResizeView();
  // The caret is a row high: a new font (or resolution) gives it a new size.
  if (Focused()) {
    MakeCaret();
    SetCaretPos(FCaretPos);
  }
}

}  // namespace varlo
