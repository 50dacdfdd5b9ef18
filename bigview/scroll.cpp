// Scrolling: the top line and the left column, the scroll bars, the
// acceleration of repeated line scrolling, and the viewer's own keys.
#include <algorithm>

#include "bigview/big_view.h"
#include "bigview/sjis.h"
#include "platform/application.h"
#include "platform/backend.h"
#include "platform/checked.h"

namespace varlo {

// Scroll-mode vertical commands.
const std::array<TBigView::TKeyRow, 22> TBigView::VScrollKeys = {{
    {vk::Up, 0, sb::LineUp},
    {vk::Down, 0, sb::LineDown},
    {vk::Key('E'), ssCtrl, sb::LineUp},
    {vk::Key('X'), ssCtrl, sb::LineDown},
    {vk::Left, 0, sb::PageUp},
    {vk::Right, 0, sb::PageDown},
    {vk::Prior, 0, sb::PageUp},
    {vk::Next, 0, sb::PageDown},
    {vk::Up, ssShift, sb::PageUp},
    {vk::Down, ssShift, sb::PageDown},
    {vk::Key('S'), ssCtrl, sb::PageUp},
    {vk::Key('D'), ssCtrl, sb::PageDown},
    {vk::Space, ssShift, sb::PageUp},
    {vk::Space, 0, sb::PageDown},
    {vk::Up, ssCtrl, sb::Top},
    {vk::Down, ssCtrl, sb::Bottom},
    {vk::Key('T'), 0, sb::Top},
    {vk::Key('B'), 0, sb::Bottom},
    {vk::Home, 0, sb::Top},
    {vk::End, 0, sb::Bottom},
    {vk::Home, ssCtrl, sb::Top},
    {vk::End, ssCtrl, sb::Bottom},
}};

// Scroll-mode horizontal commands.
const std::array<TBigView::TKeyRow, 6> TBigView::HScrollKeys = {{
    {vk::Left, 0, sb::LineUp},
    {vk::Right, 0, sb::LineDown},
    {vk::Left, ssCtrl, sb::PageUp},
    {vk::Right, ssCtrl, sb::PageDown},
    {vk::Home, 0, sb::Top},
    {vk::End, 0, sb::Bottom},
}};

// Caret-mode commands; with Shift the same moves extend the selection.
const std::array<TBigView::TCaretKeyRow, 20> TBigView::CaretKeys = {{
    {vk::Up, 0, cmLineUp, false},
    {vk::Down, 0, cmLineDown, false},
    {vk::Left, 0, cmCharLeft, false},
    {vk::Right, 0, cmCharRight, false},
    {vk::Prior, 0, cmPageUp, false},
    {vk::Next, 0, cmPageDown, false},
    {vk::Home, 0, cmLineStart, false},
    {vk::End, 0, cmLineEnd, false},
    {vk::Home, ssCtrl, cmTextStart, false},
    {vk::End, ssCtrl, cmTextEnd, false},
    {vk::Up, ssShift, cmLineUp, true},
    {vk::Down, ssShift, cmLineDown, true},
    {vk::Left, ssShift, cmCharLeft, true},
    {vk::Right, ssShift, cmCharRight, true},
    {vk::Prior, ssShift, cmPageUp, true},
    {vk::Next, ssShift, cmPageDown, true},
    {vk::Home, ssShift, cmLineStart, true},
    {vk::End, ssShift, cmLineEnd, true},
    {vk::Home, ssShift | ssCtrl, cmTextStart, true},
    {vk::End, ssShift | ssCtrl, cmTextEnd, true},
}};

namespace {

template <class Row>
bool Matches(const Row& row, uint16_t key, TShiftState shift) {
  return row.Key == key && row.Shift == (shift & kModifierMask);
}

}  // namespace

int64_t TBigView::MaxTop() const { return FScOver ? ViewCount() - 1 : ViewCount() - FPageLines; }

void TBigView::SetTopLine(int64_t value) {
  int64_t t = value;
  if (t >= ViewCount()) t = ViewCount() - 1;
  if (t < 0) t = 0;
  if (OnViewLineChanging) {
    OnViewLineChanging(*this, t);
    // The handler is to leave a line of the text; hold it to that.
    t = std::clamp<int64_t>(t, 0, std::max<int64_t>(0, ViewCount() - 1));
  }
  const int64_t d = t - FTopLine;
  // The new page is read before anything moves: a file that cannot be read
  // leaves the view where it is.
  if (!FUpdating && d != 0) PageTexts(t, FPageLines);
  FTopLine = t;
  FBottomLine = std::max<int64_t>(0, std::min(t + FPageLines - 1, ViewCount() - 1));
  if (FSelStart == FSelEnd) {
    // The caret is pulled into the visible lines.
    TPoint p = FSelEnd;
    if (p.Y < FTopLine) {
      p.Y = FTopLine;
    } else if (p.Y > FBottomLine) {
      p.Y = FBottomLine;
    }
    SetSelEnd(p);
    SetSelStart(p);
  } else {
    SetCaretPos(FSelEnd);
  }
  if (d == 0) {
    RedrawPage();
  } else {
    DoVScroll(sb::ThumbPosition, -1, 0);
    if (d > 0) {
      ScrollPageDown(d);
    } else {
      ScrollPageUp(-d);
    }
  }
  if (OnViewLineChanged) OnViewLineChanged(*this);
}

void TBigView::SetBottomLine(int64_t value) {
  int64_t b = value;
  if (b > ViewCount() - 1) b = ViewCount() - 1;
  if (b < 0) b = 0;
  FBottomLine = b;
  int64_t t = b - (FPageLines - 1);
  // A line already on screen does not pull the view back past the end.
  if (FScOver && t < FTopLine && FTopLine <= b) t = FTopLine;
  SetTopLine(std::max<int64_t>(t, 0));
}

void TBigView::SetVScrollPos(int64_t value) {
  int64_t p = value;
  if (MaxTop() < 0) p = 0;
  if (p != FVScrollPos) {
    FVScrollPrev2 = FVScrollPrev;
    FVScrollPrev = FVScrollPos;
    FVScrollPos = p;
  }
  Peer().SetScrollPos(sbVertical, static_cast<int>(std::clamp<int64_t>(FVScrollPos, 0, INT32_MAX)),
                      true);
}

void TBigView::SetHScrollPos(int64_t value) {
  if (LineCount() <= 0) return;
  int64_t p = value;
  if (p > FMaxChar - 1) p = FMaxChar - 1;
  if (p < 0) p = 0;
  if (p != FHScrollPos) {
    FHScrollPrev2 = FHScrollPrev;
    FHScrollPrev = FHScrollPos;
    FHScrollPos = p;
  }
  Peer().SetScrollPos(sbHorizontal,
                      static_cast<int>(std::clamp<int64_t>(FHScrollPos, 0, INT32_MAX)), true);
  // The caret follows the shifted text.
  SetCaretPos(FSelStart != FSelEnd ? FSelEnd : FCaretPos);
  RedrawPage();
}

void TBigView::DoVScroll(int code, int64_t pos, int interval) {
  if (FScrollBar != ssVertical && FScrollBar != ssBoth) return;
  // The last row is known once every line is.
  if (code == sb::Bottom && Indexing()) {
    if (!OnWaitForIndex) {
      CompleteIndex();
    } else if (!OnWaitForIndex()) {
      return;
    }
  }
  int min = 0, max = 0;
  Peer().GetScrollRange(sbVertical, min, max);
  int64_t p = FTopLine;
  const int64_t page = std::max<int64_t>(1, FPageLines - 1);
  if (!(code == sb::ThumbPosition && pos == -1)) {
    UpdateScrollStep(interval);
    p = Scrolled(code, p, pos, page, min, max);
  }
  if (p > max) p = max;
  if (p < 0) p = 0;
  if (p != FVScrollPos) SetVScrollPos(p);
}

int64_t TBigView::Scrolled(int code, int64_t p, int64_t pos, int64_t page, int min, int max) const {
  switch (code) {
    case sb::LineUp: return p - FScrollStep;
    case sb::LineDown: return p + FScrollStep;
    case sb::PageUp: return p - page;
    case sb::PageDown: return p + page;
    case sb::ThumbPosition:
    case sb::ThumbTrack: return pos;
    case sb::Top: return min;
    case sb::Bottom: return max;
    default: return p;
  }
}

void TBigView::DoHScroll(int code, int64_t pos, int interval) {
  if (FScrollBar != ssHorizontal && FScrollBar != ssBoth) return;
  int min = 0, max = 0;
  Peer().GetScrollRange(sbHorizontal, min, max);
  int64_t p = FHScrollPos;
  const int64_t page = std::max<int64_t>(1, ClientColumns());
  UpdateScrollStep(interval);
  p = Scrolled(code, p, pos, page, min, max);
  if (p > max) p = max;
  if (p < 0) p = 0;
  if (p != FHScrollPos) SetHScrollPos(p);
}

void TBigView::UpdateScrollStep(int interval) {
  const uint32_t now = CurrentBackend().TickCount();
  // A reading below the last one means the counter wrapped: a long pause.
  const bool pause =
      now < FLastScrollTick || now - FLastScrollTick > static_cast<uint32_t>(interval);
  if (pause) {
    FScrollStep = 1;
    FScrollRun = 0;
  } else if (FScrollStep < FScrollSense) {
    const bool v = (FVScrollPos > FVScrollPrev && FVScrollPrev > FVScrollPrev2) ||
                   (FVScrollPos < FVScrollPrev && FVScrollPrev < FVScrollPrev2);
    const bool h = (FHScrollPos > FHScrollPrev && FHScrollPrev > FHScrollPrev2) ||
                   (FHScrollPos < FHScrollPrev && FHScrollPrev < FHScrollPrev2);
    if (v || h) {
      if (++FScrollRun > 9) {
        int64_t limit = FPageLines - 1;
        if (h && ClientColumns() < limit) limit = ClientColumns();
        if (FScrollStep < limit) ++FScrollStep;
        FScrollRun = 0;
      }
    } else {
      FScrollStep = 1;
      FScrollRun = 0;
    }
  }
  FLastScrollTick = now;
}

void TBigView::WMVScroll(int code) {
  if (MaxTop() <= 0) {
    if (FTopLine != 0) SetTopLine(0);
    return;
  }
  if (code > sb::EndScroll) return;
  // The 32-bit track position: thumb dragging reaches every line.
  const TScrollInfo info = Peer().GetScrollInfo(sbVertical);
  DoVScroll(code, info.TrackPos, 300);
  const int64_t t = TopFromBar();
  if (t != FTopLine) SetTopLine(t);
}

int64_t TBigView::TopFromBar() {
  // With the ranges UpdateScrollRanges sets, Max = MaxTop and this is the
  // bar position itself.
  int min = 0, max = 0;
  Peer().GetScrollRange(sbVertical, min, max);
  if (max <= 0) return FVScrollPos;
  return RoundHalfEven(static_cast<double>(FVScrollPos) / max * static_cast<double>(MaxTop()));
}

void TBigView::WMHScroll(int code) {
  if (code > sb::EndScroll) return;
  const TScrollInfo info = Peer().GetScrollInfo(sbHorizontal);
  DoHScroll(code, info.TrackPos, 300);
}

bool TBigView::MouseWheel(int delta, TShiftState) {
  // Fine-grained wheels send parts of a notch: they add up.
  constexpr int kNotch = 120;
  FWheelRest += delta;
  const int notches = FWheelRest / kNotch;
  FWheelRest -= notches * kNotch;
  const unsigned setting = CurrentBackend().WheelScrollLines();
  if (notches == 0 || setting == 0 || ViewCount() == 0) return true;
  const int64_t page = std::max<int64_t>(1, FPageLines - 1);
  const int64_t per = setting == Backend::kWheelPage ? page : std::min<int64_t>(setting, page);
  // Moves as the scroll bar would: not past its end, and never back from a
  // top line the keys put beyond it.
  const int64_t wanted = FTopLine - static_cast<int64_t>(notches) * per;
  const int64_t top =
      notches < 0 ? std::min(wanted, std::max(FTopLine, MaxTop())) : std::max<int64_t>(wanted, 0);
  if (top != FTopLine) SetTopLine(top);
  return true;
}

bool TBigView::CMWantSpecialKey(uint16_t key) { return key >= vk::Left && key <= vk::Down; }

void TBigView::WMKeyUp(uint16_t& key, TShiftState shift) {
  TCustomControl::WMKeyUp(key, shift);
  FExtending = false;
}

void TBigView::CaretMove(TCaretMove move, bool extend) {
  FExtending = extend;
  TPoint p = FCaretPos;
  const auto line = [&] { return GetViewLine(p.Y); };
  const auto stepBack = [&] {
    if (ByteKind(line(), p.X) == sjis::kTrailByte) --p.X;
  };
  const auto stepOn = [&] {
    if (ByteKind(line(), p.X) == sjis::kTrailByte) ++p.X;
  };
  const int64_t last = std::max<int64_t>(0, ViewCount() - 1);
  switch (move) {
    case cmLineUp:
      if (p.Y > 0) --p.Y;
      stepBack();
      break;
    case cmLineDown:
      if (p.Y < ViewCount() - 1) ++p.Y;
      stepOn();
      break;
    case cmCharLeft:
      if (p.X > 1) --p.X;
      stepBack();
      break;
    case cmCharRight:
      ++p.X;
      stepOn();
      break;
    case cmPageUp: {
      const int64_t y0 = p.Y;
      p.Y = std::max<int64_t>(0, p.Y - FPageLines);
      stepBack();
      if (p.Y != y0) SetTopLine(FTopLine + (p.Y - y0));
      break;
    }
    case cmPageDown: {
      const int64_t y0 = p.Y;
      p.Y = std::max<int64_t>(0, std::min(p.Y + FPageLines, ViewCount() - 1));
      stepOn();
      if (p.Y != y0) SetTopLine(FTopLine + (p.Y - y0));
      break;
    }
    case cmLineStart:
      p.X = 1;
      stepBack();
      break;
    case cmLineEnd:
      p.X = static_cast<int64_t>(line().size()) + 1;
      stepOn();
      break;
    case cmTextStart:
      p = {1, 0};
      stepBack();
      break;
    case cmTextEnd:
      p.Y = last;
      p.X = static_cast<int64_t>(line().size()) + 1;
      stepOn();
      break;
  }
  SetSelEnd(p);
  if (!extend) SetSelStart(FSelEnd);
}

void TBigView::ScrollModeKeys(uint16_t key, TShiftState shift) {
  if (FScrollBar == ssVertical || FScrollBar == ssBoth) {
    for (const TKeyRow& row : VScrollKeys) {
      if (!Matches(row, key, shift)) continue;
      DoVScroll(row.Code, FVScrollPos, 200);
      if (MaxTop() > 0) {
        const int64_t t = TopFromBar();
        if (t != FTopLine) SetTopLine(t);
      } else if (FTopLine != 0) {
        SetTopLine(0);
      }
    }
  }
  if (FScrollBar == ssHorizontal || FScrollBar == ssBoth) {
    for (const TKeyRow& row : HScrollKeys)
      if (Matches(row, key, shift)) DoHScroll(row.Code, FHScrollPos, 200);
  }
}

void TBigView::KeyDown(uint16_t& key, TShiftState shift) {
  // The main window's key map runs first and may consume the key.
  TCustomControl::KeyDown(key, shift);
  if (LineCount() <= 0) return;
  const TCaretKeyRow* caretRow = nullptr;
  if (FCaret) {
    for (const TCaretKeyRow& row : CaretKeys) {
      if (!FSelect && row.Extend) continue;
      if (Matches(row, key, shift)) {
        caretRow = &row;
        break;
      }
    }
  }
  if (caretRow == nullptr) {
    ScrollModeKeys(key, shift);
    return;
  }
  CaretMove(caretRow->Move, caretRow->Extend);
  if (!MakeVisible(FCaretPos)) {
    Application().ProcessMessages();
    RedrawPage();
  }
}

bool TBigView::MakeVisible(TPoint pos) {
  FUpdating = true;
  const int64_t left = CheckedMul<int64_t>(FCharWidth, FHScrollPos);
  const int64_t w = ClientWidth();
  const int64_t x =
      pos.X <= 1 || pos.Y < 0 || pos.Y >= ViewCount()
          ? 0
          : MeasureText(
                std::string_view(GetViewLine(pos.Y)).substr(0, static_cast<size_t>(pos.X - 1)));
  bool acted = false;
  if (pos.Y < FTopLine) {
    SetTopLine(pos.Y);
    acted = true;
  }
  if (pos.Y > FBottomLine) {
    SetBottomLine(pos.Y);
    acted = true;
  }
  if (x < left) {
    SetHScrollPos(x / FCharWidth);
    acted = true;
  }
  if (x > left + w) {
    SetHScrollPos((x - w) / FCharWidth);
    SetHScrollPos(FHScrollPos + 1);
    acted = true;
  }
  FUpdating = false;
  if (acted) RedrawPage();
  return acted;
}

}  // namespace varlo
