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

#include <algorithm>
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
  void SetTabDistance(int64_t pixels);
  int64_t TabDistance() const { return FTab; }

  // Width of the text as drawn from x = 0 (tab origin 0).
  int64_t Width(std::string_view text) const;
  // Width of a single character (one or two bytes, no tab).
  int CharWidth(std::string_view ch) const;
  // The most a byte other than a tab adds to a width (half of the widest
  // double-byte character, or the widest single byte), and the most a tab
  // does: a text of n bytes, t of them tabs, is never wider than
  // (n - t) * WidestByte() + t * WidestTab().
  int WidestByte() const { return FWidestByte; }
  int64_t WidestTab() const {
    return std::max<int64_t>(FWidestByte,
                             FTab > 0 ? FTab : FSingle[static_cast<unsigned char>(' ')]);
  }
  // Where a tab at x ends: the next multiple of the tab distance.
  int64_t TabEnd(int64_t x) const {
    if (FTab <= 0) return x + FSingle[static_cast<unsigned char>(' ')];
    // x / FTab by multiplying with a reciprocal (exact for x < 2^64 / FTab),
    // a division per tab being the cost of measuring tabbed lines.
    auto q = static_cast<int64_t>((static_cast<unsigned __int128>(x) * FTabMagic) >> 64);
    if ((q + 1) * FTab <= x) ++q;
    return (q + 1) * FTab;
  }

  // Measures one text once, then answers the widths of its prefixes
  // without measuring again: what the window-width fit asks for.
  class Meter {
   public:
    // The width of the whole text.
    int64_t Measure(const TextMeasure& m, std::string_view text);
    // The width of its first n bytes.
    int64_t Prefix(size_t n) const;
    // Whether every byte widens a prefix: then the longest prefix no wider
    // than a limit is found at once (FitIn).
    bool Widening() const { return FMeasure->FUniform && FMeasure->FOnlyTabs; }
    // The most bytes of the text that are at most `limit` wide (>= 0);
    // only when Widening.
    size_t FitIn(int64_t limit) const;

   private:
    struct Mark {
      size_t end;  // bytes up to here are counted
      int64_t x;   // width of them
    };
    const TextMeasure* FMeasure = nullptr;
    std::string_view FText;
    std::vector<Mark> FMarks;  // after each special byte, in order
  };

  // Draws the text as if its first byte stood at line pixel 0, on `canvas`
  // at y, shifted left by `originX` pixels; only what falls inside
  // [0, clipWidth) is drawn.
  void Draw(TCanvas& canvas, int y, std::string_view text, int64_t originX, int clipWidth) const;

  // The byte-uniform shortcut is in use (for tests and benchmarks).
  bool Uniform() const { return FUniform; }
  void DisableUniformForTesting() { FUniform = false; }

 private:
  int64_t UniformWidth(std::string_view text) const;
  // Calls special(p) for each tab or control byte of the text that is no
  // second half of a double-byte character; uniform fonts only.
  template <class F>
  void ForEachSpecial(std::string_view text, F&& special) const;
  int64_t WalkWidth(std::string_view text) const;

  bool FReady = false;
  bool FUniform = false;
  int FByteWidth = 0;      // width per byte when uniform
  bool FOnlyTabs = false;  // uniform, and only tabs differ
  uint64_t FTabMagic = 0;  // 2^64 / FTab, rounded up
  int16_t FSingle[256] = {};
  std::vector<int16_t> FDouble;  // lead << 8 | trail
  int64_t FTab = 0;
  int FWidestByte = 0;
};

}  // namespace varlo
