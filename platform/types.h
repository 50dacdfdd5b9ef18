// Small value types of the toolkit: points, rectangles, colours, key and
// mouse states, virtual-key codes.
#pragma once

#include <cstdint>

namespace varlo {

// A point: client pixels, or a view/line position (X = 1-based byte column,
// Y = line index; (0, 0) is no position). 64-bit so that byte columns of
// very long lines fit.
struct TPoint {
  int64_t X = 0;
  int64_t Y = 0;
  friend bool operator==(const TPoint&, const TPoint&) = default;
};

struct TSize {
  int Width = 0;
  int Height = 0;
  friend bool operator==(const TSize&, const TSize&) = default;
};

// Pixel rectangle, right and bottom exclusive.
struct TRect {
  int Left = 0;
  int Top = 0;
  int Right = 0;
  int Bottom = 0;
  int Width() const { return Right - Left; }
  int Height() const { return Bottom - Top; }
  bool Empty() const { return Right <= Left || Bottom <= Top; }
  friend bool operator==(const TRect&, const TRect&) = default;
};

// 0x00BBGGRR for a plain colour; 0x80000000 | index for a system colour.
using TColor = uint32_t;

inline constexpr TColor clBlack = 0x000000;
inline constexpr TColor clMaroon = 0x000080;
inline constexpr TColor clGreen = 0x008000;
inline constexpr TColor clOlive = 0x008080;
inline constexpr TColor clNavy = 0x800000;
inline constexpr TColor clPurple = 0x800080;
inline constexpr TColor clTeal = 0x808000;
inline constexpr TColor clGray = 0x808080;
inline constexpr TColor clSilver = 0xC0C0C0;
inline constexpr TColor clRed = 0x0000FF;
inline constexpr TColor clLime = 0x00FF00;
inline constexpr TColor clYellow = 0x00FFFF;
inline constexpr TColor clBlue = 0xFF0000;
inline constexpr TColor clFuchsia = 0xFF00FF;
inline constexpr TColor clAqua = 0xFFFF00;
inline constexpr TColor clWhite = 0xFFFFFF;
inline constexpr TColor kSystemColorFlag = 0x80000000;
inline constexpr TColor clBtnFace = kSystemColorFlag | 15;
inline constexpr TColor clWindow = kSystemColorFlag | 5;
inline constexpr TColor clWindowText = kSystemColorFlag | 8;
inline constexpr TColor clNone = 0x1FFFFFFF;

// Modifier keys and mouse buttons held during an input event.
using TShiftState = uint8_t;
enum : TShiftState {
  ssShift = 1 << 0,
  ssAlt = 1 << 1,
  ssCtrl = 1 << 2,
  ssLeft = 1 << 3,
  ssRight = 1 << 4,
  ssMiddle = 1 << 5,
  ssDouble = 1 << 6,
};
// Only the keyboard modifiers, for matching key tables exactly.
inline constexpr TShiftState kModifierMask = ssShift | ssAlt | ssCtrl;

enum TMouseButton : uint8_t { mbLeft, mbRight, mbMiddle };

// Virtual-key codes, the platform's numbering.
namespace vk {
inline constexpr uint16_t Back = 0x08, Tab = 0x09, Return = 0x0D, Shift = 0x10, Control = 0x11,
                          Menu = 0x12, Escape = 0x1B, Space = 0x20, Prior = 0x21, Next = 0x22,
                          End = 0x23, Home = 0x24, Left = 0x25, Up = 0x26, Right = 0x27,
                          Down = 0x28, Insert = 0x2D, Delete = 0x2E, F1 = 0x70, F4 = 0x73,
                          F5 = 0x74, OemOpenBracket = 0xDB;
// Letters and digits are their ASCII codes.
constexpr uint16_t Key(char c) { return static_cast<uint16_t>(c); }
}  // namespace vk

}  // namespace varlo
