// A font description: what a control draws its text with. A value type;
// a control notices a change when it is given a new one.
#pragma once

#include <cstdint>
#include <string>

#include "platform/types.h"

namespace varlo {

// Screen resolution the point sizes are converted with.
inline constexpr int kPixelsPerInch = 96;

enum TFontStyle : uint8_t { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };

struct TFont {
  std::string Name = "System";  // UTF-8 face name
  int Height = -19;             // pixels; negative: the character height
  TColor Color = clBlack;
  uint8_t Style = 0;  // TFontStyle bits

  // Points, as the settings and the font dialog give them.
  int Size() const;
  void SetSize(int points);

  friend bool operator==(const TFont&, const TFont&) = default;
};

}  // namespace varlo
