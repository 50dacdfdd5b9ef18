// A font description: what a control draws its text with. A value type;
// a control notices a change when it is given a new one.
#pragma once

#include <cstdint>
#include <string>

#include "platform/types.h"

namespace varlo {

// The resolution the forms are written for: their positions, sizes and
// font heights are pixels at 96 per inch, and a control scales them to the
// resolution of the display its window is on.
inline constexpr int kPixelsPerInch = 96;

// a * b / c rounded to the nearest integer, halves away from zero,
// as the platform's own does.
int MulDivRounded(int a, int b, int c);

enum TFontStyle : uint8_t { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };

struct TFont {
  std::string Name = "System";  // UTF-8 face name
  int Height = -19;             // pixels; negative: the character height
  TColor Color = clBlack;
  uint8_t Style = 0;  // TFontStyle bits
  // The resolution Height is in pixels of.
  int PixelsPerInch = kPixelsPerInch;

  // Points, as the settings and the font dialog give them.
  int Size() const;
  void SetSize(int points);
  // The same font in pixels at another resolution.
  TFont At(int pixelsPerInch) const;

  friend bool operator==(const TFont&, const TFont&) = default;
};

}  // namespace varlo
