#include "platform/timer.h"

#include "platform/backend.h"

namespace varlo {

TTimer::~TTimer() {
  if (FInterval != 0) CurrentBackend().StopTimer(*this);
}

void TTimer::SetInterval(unsigned milliseconds) {
  if (milliseconds == FInterval) return;
  if (FInterval != 0) CurrentBackend().StopTimer(*this);
  FInterval = milliseconds;
  if (FInterval != 0) CurrentBackend().StartTimer(*this, FInterval);
}

void TTimer::Fire() {
  if (FInterval != 0 && OnTimer) ControlEvents::Run([&] { OnTimer(*this); });
}

}  // namespace varlo
