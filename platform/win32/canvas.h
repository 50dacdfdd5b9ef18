// GDI canvases: over a window's device context while it paints, and over a
// 32-bit DIB section for bitmaps. Text is converted from code page 932 and
// drawn with the wide calls, whatever the system's ANSI code page is.
#pragma once

#include <windows.h>

#include <string_view>

#include "platform/canvas.h"
#include "platform/win32/handles.h"

namespace varlo::win32 {

// The font handle of a font description; created once, kept for the run.
HFONT FontHandle(const TFont& font);
COLORREF ToColorRef(TColor color);

class GdiCanvas {
 public:
  explicit GdiCanvas(HDC dc) : FDc(dc) {}
  HDC Dc() const { return FDc; }

 protected:
  void Fill(const TRect& rect, TColor color);
  void Text(int x, int y, std::string_view shiftJis, const TFont& font, TColor background);
  int Width(std::string_view shiftJis, const TFont& font);
  void Widths(std::span<const std::string_view> texts, std::span<int> widths, const TFont& font);
  TTextMetric Metrics(const TFont& font);
  int WidthUtf8(std::string_view utf8, const TFont& font);
  void Icon(int x, int y, int size, TSystemIcon icon);
  void Copy(const TRect& dest, HDC source, const TRect& src, TCopyMode mode);
  void SetDc(HDC dc) { FDc = dc; }

 private:
  HDC FDc;
};

// The drawing calls every GDI canvas answers the same way, over TCanvas or
// TBitmapCanvas.
template <class Base>
class GdiCanvasOf : public Base, public GdiCanvas {
 public:
  using GdiCanvas::GdiCanvas;
  void FillRect(const TRect& rect) override { Fill(rect, this->BrushColor()); }
  void TextOut(int x, int y, std::string_view text) override {
    Text(x, y, text, this->Font(), this->BrushColor());
  }
  int TextWidth(std::string_view text) override { return Width(text, this->Font()); }
  void TextWidths(std::span<const std::string_view> texts, std::span<int> widths) override {
    Widths(texts, widths, this->Font());
  }
  TTextMetric TextMetrics() override { return Metrics(this->Font()); }
  int TextWidthUtf8(std::string_view text) override { return WidthUtf8(text, this->Font()); }
  void DrawSystemIcon(int x, int y, int size, TSystemIcon icon) override { Icon(x, y, size, icon); }
};

// A window's client area while it paints (or at once, from GetDC).
class DcCanvas : public GdiCanvasOf<TCanvas> {
 public:
  DcCanvas(HDC dc, const TRect& clip) : GdiCanvasOf(dc), FClip(clip) {}
  void CopyRect(const TRect& dest, TCanvas& source, const TRect& src) override;
  TRect ClipRect() override { return FClip; }

 private:
  TRect FClip;
};

class DibCanvas : public GdiCanvasOf<TBitmapCanvas> {
 public:
  DibCanvas();
  ~DibCanvas() override;
  void SetSize(int width, int height) override;
  TSize Size() const override { return {FWidth, FHeight}; }
  TColor Pixel(int x, int y) override;

  void CopyRect(const TRect& dest, TCanvas& source, const TRect& src) override;
  TRect ClipRect() override { return {0, 0, FWidth, FHeight}; }

 private:
  UniqueMemoryDc FMemoryDc;
  UniqueBitmap FBitmap;
  HGDIOBJ FOriginal = nullptr;
  uint32_t* FBits = nullptr;
  int FWidth = 0;
  int FHeight = 0;
};

// The GDI device context behind a canvas of this backend.
HDC DcOf(TCanvas& canvas);

}  // namespace varlo::win32
