// The search mark: the caret at the last hit. It stays while the view
// stays; a timer watches the top line and takes the mark away once the view
// has moved, and so do the keys that move the view.
#pragma once

#include <cstdint>

#include "platform/timer.h"

namespace varlo {

class TBigView;

class TSearchMark {
 public:
  explicit TSearchMark(TBigView& view);

  // Marks the hit in view line `hit` (1-based) at byte column `column`,
  // with the view placed where it is to stay.
  void Show(int64_t hit, int64_t column);
  // Takes the mark away.
  void Clear();
  // Hides the caret and stops watching while a repeated search runs; the
  // hit stays the place the next one starts from.
  void Hide();
  // The timer: the mark goes once the top line has moved.
  void Tick();

  // 1-based view line of the last hit.
  int64_t FoundLine = 0;
  // The top line when the mark was set (or taken away).
  int64_t TopLine = 0;
  // The caret marks the hit, and the view has not moved since.
  bool Shown = false;
  // Runs every 100 ms while the mark is shown.
  TTimer Timer1;

 private:
  TBigView& FView;
};

}  // namespace varlo
