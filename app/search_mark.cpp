#include "app/search_mark.h"

#include "bigview/big_view.h"

namespace varlo {

namespace {

constexpr unsigned kWatchEvery = 100;  // milliseconds

}  // namespace

TSearchMark::TSearchMark(TBigView& view) : FView(view) {
  Timer1.OnTimer = [this](TObject&) { Tick(); };
}

void TSearchMark::Show(int64_t hit, int64_t column) {
  FoundLine = hit;
  TopLine = FView.TopLine();
  FView.SetCaretPos({column, hit - 1});
  Shown = true;
  Timer1.SetInterval(kWatchEvery);
  FView.SetCaret(true);
}

void TSearchMark::Clear() {
  Hide();
  Shown = false;
}

void TSearchMark::Hide() {
  TopLine = FView.TopLine();
  FView.SetCaret(false);
  Timer1.SetInterval(0);
}

void TSearchMark::Tick() {
  if (!Shown || FView.TopLine() == TopLine) return;
  Clear();
  FView.RedrawPage();
}

}  // namespace varlo
