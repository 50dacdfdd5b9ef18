#include "platform/font.h"

#include <cmath>
#include <cstdlib>

namespace varlo {
namespace {

// MulDiv: a * b / c rounded to the nearest integer, halves away from zero.
int MulDiv(int a, int b, int c) {
  const double v = static_cast<double>(a) * b / c;
  return static_cast<int>(v < 0 ? std::ceil(v - 0.5) : std::floor(v + 0.5));
}

}  // namespace

int TFont::Size() const { return -MulDiv(Height, 72, kPixelsPerInch); }

void TFont::SetSize(int points) { Height = -MulDiv(points, kPixelsPerInch, 72); }

}  // namespace varlo
