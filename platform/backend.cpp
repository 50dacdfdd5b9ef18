#include "platform/backend.h"

#include <cstdio>
#include <cstdlib>

#include "platform/bitmap.h"

namespace varlo {
namespace {

Backend* gBackend = nullptr;

}  // namespace

Backend& CurrentBackend() {
  if (gBackend == nullptr) {
    // A program that forgot to install its backend cannot go on.
    std::fputs("varlo: no platform backend installed\n", stderr);
    std::abort();
  }
  return *gBackend;
}

Backend* CurrentBackendOrNull() { return gBackend; }

void SetCurrentBackend(Backend* backend) { gBackend = backend; }

TShiftState KeyboardShiftState() {
  Backend& b = CurrentBackend();
  TShiftState s = 0;
  if (b.KeyPressed(vk::Shift)) s |= ssShift;
  if (b.KeyPressed(vk::Control)) s |= ssCtrl;
  if (b.KeyPressed(vk::Menu)) s |= ssAlt;
  return s;
}

TBitmap::TBitmap() : FCanvas(CurrentBackend().CreateBitmapCanvas()) {}
TBitmap::~TBitmap() = default;

}  // namespace varlo
