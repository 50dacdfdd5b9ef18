// A drawing surface: a window during painting, or a bitmap. Text is Shift-JIS
// bytes; each backend converts it for the platform with code page 932.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "platform/font.h"
#include "platform/types.h"

namespace varlo {

struct TTextMetric {
  int Height = 0;
  int Ascent = 0;
  int Descent = 0;
  int InternalLeading = 0;
  int ExternalLeading = 0;
  int AveCharWidth = 0;
  int MaxCharWidth = 0;
};

enum class TSystemIcon : uint8_t { Warning, Error, Information, Question };

// Raster operations of CopyRect, the platform's numbering.
enum class TCopyMode : uint32_t { SrcCopy = 0x00CC0020, NotSrcCopy = 0x00330008 };

class TCanvas {
 public:
  virtual ~TCanvas() = default;

  TColor BrushColor() const { return FBrushColor; }
  void SetBrushColor(TColor color) { FBrushColor = color; }
  const TFont& Font() const { return FFont; }
  void SetFont(const TFont& font);
  // The text colour, kept apart from the font as the page routines set it
  // again before each line.
  void SetFontColor(TColor color) { FFont.Color = color; }
  TCopyMode CopyMode() const { return FCopyMode; }
  void SetCopyMode(TCopyMode mode) { FCopyMode = mode; }

  // Fills with the brush colour.
  virtual void FillRect(const TRect& rect) = 0;
  // Draws text in the font and its colour on the brush colour, from (x, y)
  // (top left). Tabs are not expanded here.
  virtual void TextOut(int x, int y, std::string_view shiftJis) = 0;
  // Advance width of the text as TextOut draws it.
  virtual int TextWidth(std::string_view shiftJis) = 0;
  // The widths of many texts at once (a backend may measure them in one
  // call); widths[i] belongs to texts[i].
  virtual void TextWidths(std::span<const std::string_view> texts, std::span<int> widths);
  virtual TTextMetric TextMetrics() = 0;
  // Width of the program's own UTF-8 text (captions, messages).
  virtual int TextWidthUtf8(std::string_view utf8) = 0;
  // One of the platform's message icons, `size` pixels square.
  virtual void DrawSystemIcon(int x, int y, int size, TSystemIcon icon) = 0;
  // Copies `src` of `source` onto `dest` of this canvas with the copy mode;
  // source and destination may be the same canvas and overlap.
  virtual void CopyRect(const TRect& dest, TCanvas& source, const TRect& src) = 0;
  // The area that may be drawn: the update area while painting a window.
  virtual TRect ClipRect() = 0;

 protected:
  virtual void FontChanged() {}

 private:
  TColor FBrushColor = clWhite;
  TFont FFont;
  TCopyMode FCopyMode = TCopyMode::SrcCopy;
};

// A canvas with pixels of its own.
class TBitmapCanvas : public TCanvas {
 public:
  // Raises when the platform cannot make a bitmap of that size.
  virtual void SetSize(int width, int height) = 0;
  virtual TSize Size() const = 0;
  // RGB of one pixel (0x00BBGGRR), for checks and screenshots.
  virtual TColor Pixel(int x, int y) = 0;
};

}  // namespace varlo
