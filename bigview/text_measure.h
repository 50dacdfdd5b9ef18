// Pixel widths of view text, with tab expansion, and drawing of a line
// through the same rule, so that drawing, measuring, hit testing and
// wrapping always agree.
//
// Widths come from a per-character cache filled from the platform's own
// measurement. When the font advances every byte by the same width (a
// double-byte character twice as far, as fixed-pitch Japanese fonts do), a
// run of text without tabs is its byte count times that width, and
// measuring a line costs one pass over its tabs instead of its characters.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "platform/canvas.h"

namespace varlo {

class TextMeasure {
 public:
  // Measures every character of the canvas's font once. Call when the font
  // changes; until then widths are 0.
  void Reset(TCanvas& measuring);
  bool Ready() const { return FReady; }

  // Tab distance in pixels; 0 means tabs are not expanded (a tab is then as
  // wide as a blank).
  void SetTabDistance(int64_t pixels) { FTab = pixels; }
  int64_t TabDistance() const { return FTab; }

  // Width of the text as drawn from x = 0 (tab origin 0).
  int64_t Width(std::string_view text) const;
  // Width of a single character (one or two bytes, no tab).
  int CharWidth(std::string_view ch) const;
  // Where a tab at x ends.
  int64_t TabEnd(int64_t x) const;

  // Draws the text as if its first byte stood at line pixel 0, on `canvas`
  // at y, shifted left by `originX` pixels; only what falls inside
  // [0, clipWidth) is drawn.
  void Draw(TCanvas& canvas, int y, std::string_view text, int64_t originX, int clipWidth) const;

  // The byte-uniform shortcut is in use (for tests and benchmarks).
  bool Uniform() const { return FUniform; }
  void DisableUniformForTesting() { FUniform = false; }

 private:
  int64_t UniformWidth(std::string_view text) const;
  int64_t WalkWidth(std::string_view text) const;

  bool FReady = false;
  bool FUniform = false;
  int FByteWidth = 0;         // width per byte when uniform
  bool FOddSingle[256] = {};  // single bytes whose width is not FByteWidth
  bool FOddControlsOnly = true;
  int16_t FSingle[256] = {};
  std::vector<int16_t> FDouble;  // lead << 8 | trail
  int64_t FTab = 0;
};

}  // namespace varlo
