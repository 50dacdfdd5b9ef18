#include "platform/font.h"

#include <cmath>
#include <cstdlib>

namespace varlo {

int MulDivRounded(int a, int b, int c) {
  const double v = static_cast<double>(a) * b / c;
  return static_cast<int>(v < 0 ? std::ceil(v - 0.5) : std::floor(v + 0.5));
}

int TFont::Size() const { return -MulDivRounded(Height, 72, PixelsPerInch); }

void TFont::SetSize(int points) { Height = -MulDivRounded(points, PixelsPerInch, 72); }

TFont TFont::At(int pixelsPerInch) const {
  TFont font = *this;
  if (pixelsPerInch > 0 && pixelsPerInch != PixelsPerInch) {
    font.Height = MulDivRounded(Height, pixelsPerInch, PixelsPerInch);
    font.PixelsPerInch = pixelsPerInch;
  }
  return font;
}

}  // namespace varlo
