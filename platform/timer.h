// A timer: OnTimer every Interval milliseconds while the interval is not 0.
#pragma once

#include "platform/control.h"

namespace varlo {

class TTimer : public TObject {
 public:
  TTimer() = default;
  ~TTimer() override;
  TTimer(const TTimer&) = delete;
  TTimer& operator=(const TTimer&) = delete;

  unsigned Interval() const { return FInterval; }
  // 0 stops the timer.
  void SetInterval(unsigned milliseconds);
  TNotifyEvent OnTimer;

  // The backend's tick: runs OnTimer at the dispatch boundary.
  void Fire();

 private:
  unsigned FInterval = 0;
};

}  // namespace varlo
