// The mouse: clicks place the caret, drags and double clicks select, and a
// drag beyond the window scrolls it.
#include <algorithm>

#include "bigview/big_view.h"
#include "bigview/sjis.h"
#include "platform/application.h"
#include "platform/backend.h"
#include "platform/checked.h"
#include "platform/menu.h"

namespace varlo {
namespace {

// How often a drag held outside the window scrolls (one line a cycle).
constexpr int kAutoScrollPaceMs = 20;

bool IsWordByte(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
}

}  // namespace

TPoint TBigView::Clamped(TPoint p) const {
  if (p.Y >= ViewCount()) p.Y = ViewCount() - 1;
  if (p.Y < 0) return {0, 0};
  p.X = std::clamp<int64_t>(p.X, 0, ViewLineSize(p.Y) + 1);
  return p;
}

void TBigView::SetSelStart(TPoint p) { FSelStart = Clamped(p); }

void TBigView::SetSelEnd(TPoint p) {
  FSelEnd = Clamped(p);
  SetCaretPos(FSelEnd);
}

TPoint TBigView::HitTest(int x, int y, bool everyByte) {
  if (ViewCount() <= 0) return {0, 0};
  int edge = 0;
  const int64_t pageHeight = CheckedMul<int64_t>(FPageLines, FLineHeight);
  int64_t py = y;
  if (py > pageHeight) py = pageHeight;
  if (py < 0) {
    py = 0;
    edge = -1;
  }
  // x from the start of the line, within the drawable width.
  const int64_t width = CheckedMul<int64_t>(CheckedAdd<int64_t>(FMaxChar, 1), FCharWidth);
  const int64_t xb =
      std::clamp<int64_t>(x + CheckedMul<int64_t>(FCharWidth, FHScrollPos), 0, width);
  int64_t line = py / FLineHeight + FTopLine;
  if (line >= ViewCount()) {
    line = ViewCount() - 1;
    edge = 1;
  }
  if (line < 0) return {0, 0};
  const std::string text = GetViewLine(line);
  const std::string_view t = text;
  const auto length = static_cast<int64_t>(t.size());
  if (edge == 1) return {length + 1, line};
  if (edge == -1) return {1, line};

  // The column of the character under the pointer: the width tested at
  // byte i is that of the first i bytes, which for a double-byte character
  // end with its lead byte.
  EnsureMeasure();
  int64_t cx = 0;  // width of the whole characters before i
  for (int64_t i = 0; i < length;) {
    const char b = t[static_cast<size_t>(i)];
    const bool pair = sjis::IsLeadByte(b) && i + 1 < length;
    const int64_t single = b == '\t' ? FMeasure.TabEnd(cx)
                                     : cx + FMeasure.CharWidth(t.substr(static_cast<size_t>(i), 1));
    if (xb <= single) return {i + 1, line};
    if (!pair) {
      cx = single;
      ++i;
      continue;
    }
    const int64_t whole = cx + FMeasure.CharWidth(t.substr(static_cast<size_t>(i), 2));
    if (everyByte && xb <= whole) return {i + 2, line};
    cx = whole;
    i += 2;
  }
  return {length + 1, line};
}

TPoint TBigView::PointToViewPos(int x, int y) { return HitTest(x, y, false); }

TPoint TBigView::PointToViewPosByByte(int x, int y) { return HitTest(x, y, true); }

void TBigView::SelectWordAt(int x, int y) {
  const TPoint p = PointToViewPosByByte(x, y);
  TPoint s = p, e = p;
  if (!FSelect || ViewCount() <= 0 || s.X <= 0) return;
  const std::string text = GetViewLine(s.Y);
  const std::string_view t = text;
  const auto length = static_cast<int64_t>(t.size());
  // Kind of the 1-based byte i; a lead byte's partner never counts as a letter.
  const auto kind = [&](int64_t i) {
    return i < 1 || i > length ? sjis::kSingleByte
                               : sjis::ByteKindFrom(t, 0, static_cast<size_t>(i - 1));
  };
  const auto at = [&](int64_t i) { return t[static_cast<size_t>(i - 1)]; };
  const int k = kind(s.X);
  if (k == sjis::kLeadByte) {
    e.X = s.X + 2;
  } else if (k == sjis::kTrailByte) {
    --s.X;
    e.X = s.X + 2;
  } else if (s.X <= length && IsWordByte(at(s.X))) {
    while (s.X > 1 && IsWordByte(at(s.X - 1)) && kind(s.X - 1) == sjis::kSingleByte) --s.X;
    while (e.X < length && IsWordByte(at(e.X + 1)) && kind(e.X + 1) == sjis::kSingleByte) ++e.X;
    ++e.X;
  } else {
    e.X = s.X + 1;
  }
  SetSelStart(s);
  SetSelEnd(e);
  RedrawPage();
}

void TBigView::Click() {
  SetFocus();
  FClickKind = ckSingle;
  TCustomControl::Click();
}

void TBigView::DblClick() {
  FClickKind = ckDouble;
  TCustomControl::DblClick();
}

void TBigView::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  TCustomControl::MouseDown(button, shift, x, y);
  if (button == mbLeft) {
    if (FClickKind == ckSingle) {
      FExtending = FSelect;
      SetSelStart(PointToViewPos(x, y));
      SetSelEnd(FSelStart);
      RedrawPage();
    } else if (FClickKind == ckDouble && FSelect) {
      SelectWordAt(x, y);
    }
  } else if (button == mbRight && FPopupMenu != nullptr) {
    const TPoint at = CurrentBackend().CursorPos();
    FPopupMenu->Popup(static_cast<int>(at.X), static_cast<int>(at.Y));
  }
  FClickKind = ckSingle;
}

void TBigView::MouseMove(TShiftState shift, int x, int y) {
  if (FExtending) {
    FDragPoint = {x, y};
    WMUser();
  }
  TCustomControl::MouseMove(shift, x, y);
}

void TBigView::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  TCustomControl::MouseUp(button, shift, x, y);
  if (FExtending) {
    FExtending = false;
    const TPoint p = PointToViewPos(x, y);
    if (p.X == 0) return;
    SetSelEnd(p);
    RedrawPage();
  }
  SetFocus();
}

void TBigView::MouseCaptureLost() { FExtending = false; }

void TBigView::WMUser() {
  if (!FExtending) return;
  // Pointer moves handled while the cycles run only move FDragPoint; the
  // running loop picks it up, so the stack never deepens.
  if (FInUserLoop) return;
  FInUserLoop = true;
  struct Reset {
    bool& flag;
    ~Reset() { flag = false; }
  } reset{FInUserLoop};

  while (FExtending) {
    bool moved = false;
    if (FDragPoint.Y < 0) {
      SetTopLine(FTopLine - 1);
      moved = true;
    }
    if (FDragPoint.Y > ClientHeight() && ViewCount() - 1 > FBottomLine) {
      SetTopLine(FTopLine + 1);
      moved = true;
    }
    if (FDragPoint.X < 0) {
      DoHScroll(sb::LineUp, FHScrollPos, 200);
      moved = true;
    } else if (FDragPoint.X > ClientWidth()) {
      DoHScroll(sb::LineDown, FHScrollPos, 200);
      moved = true;
    }
    const TPoint p = PointToViewPos(static_cast<int>(FDragPoint.X), static_cast<int>(FDragPoint.Y));
    if (p.X == 0) return;
    SetSelEnd(p);
    RedrawPage();
    if (!moved) return;
    // Let the pointer moves and the release in, at a steady pace.
    CurrentBackend().WaitForInput(kAutoScrollPaceMs);
    Application().ProcessMessages();
  }
}

}  // namespace varlo
