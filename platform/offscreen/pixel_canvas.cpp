#include <algorithm>
#include <stdexcept>

#include "platform/offscreen/backend.h"

namespace varlo::offscreen {
namespace {

// Bitmaps larger than this are refused, as a platform refuses them.
constexpr int64_t kMaxPixels = int64_t{1} << 28;

TRect Intersect(const TRect& a, const TRect& b) {
  return {std::max(a.Left, b.Left), std::max(a.Top, b.Top), std::min(a.Right, b.Right),
          std::min(a.Bottom, b.Bottom)};
}

// The platform's own lead-byte test for code page 932 (IsDBCSLeadByteEx).
bool IsLeadByte(char c) {
  const auto b = static_cast<unsigned char>(c);
  return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

bool IsBlank(std::string_view ch) {
  return ch == " " || ch == "\t" || ch == "\x81\x40";
}

}  // namespace

void PixelCanvas::SetSize(int width, int height) {
  if (width < 0 || height < 0 || int64_t{width} * height > kMaxPixels)
    throw std::runtime_error("ビットマップを作成できません");
  FWidth = width;
  FHeight = height;
  FPixels.assign(static_cast<size_t>(width) * static_cast<size_t>(height), 0);
  FClip = {0, 0, width, height};
}

TColor PixelCanvas::Pixel(int x, int y) {
  if (x < 0 || y < 0 || x >= FWidth || y >= FHeight) return clNone;
  return FPixels[static_cast<size_t>(y) * FWidth + x];
}

void PixelCanvas::Fill(const TRect& rect, TColor rgb) {
  const TRect r = Intersect(Intersect(rect, FClip), {0, 0, FWidth, FHeight});
  for (int y = r.Top; y < r.Bottom; ++y)
    std::fill_n(FPixels.begin() + static_cast<ptrdiff_t>(y) * FWidth + r.Left, std::max(0, r.Width()),
                rgb);
}

void PixelCanvas::FillRect(const TRect& rect) {
  Fill(rect, CurrentBackend().ColorToRGB(BrushColor()));
}

void PixelCanvas::TextOut(int x, int y, std::string_view text) {
  ++FTextOutCalls;
  const TColor back = CurrentBackend().ColorToRGB(BrushColor());
  const TColor fore = CurrentBackend().ColorToRGB(Font().Color);
  for (size_t i = 0; i < text.size();) {
    const size_t n = IsLeadByte(text[i]) && i + 1 < text.size() ? 2 : 1;
    const int w = n == 2 ? kWideCharWidth : kCharWidth;
    Fill({x, y, x + w, y + kLineHeight}, back);
    if (!IsBlank(text.substr(i, n))) Fill({x + 1, y + 3, x + w - 1, y + kLineHeight - 3}, fore);
    x += w;
    i += n;
  }
}

int PixelCanvas::TextWidth(std::string_view text) {
  int width = 0;
  for (size_t i = 0; i < text.size();) {
    const bool wide = IsLeadByte(text[i]) && i + 1 < text.size();
    width += wide ? kWideCharWidth : kCharWidth;
    i += wide ? 2 : 1;
  }
  return width;
}

TTextMetric PixelCanvas::TextMetrics() {
  TTextMetric tm;
  tm.Height = kLineHeight;
  tm.Ascent = 13;
  tm.Descent = 3;
  tm.AveCharWidth = kCharWidth;
  tm.MaxCharWidth = kCharWidth;
  return tm;
}

void PixelCanvas::CopyRect(const TRect& dest, TCanvas& source, const TRect& src) {
  auto* from = dynamic_cast<PixelCanvas*>(&source);
  if (from == nullptr) throw std::logic_error("offscreen canvases copy only from each other");
  const int w = std::min(dest.Width(), src.Width());
  const int h = std::min(dest.Height(), src.Height());
  if (w <= 0 || h <= 0) return;
  // Read everything first: source and destination may overlap.
  std::vector<TColor> block(static_cast<size_t>(w) * h, clNone);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) block[static_cast<size_t>(y) * w + x] = from->Pixel(src.Left + x, src.Top + y);
  const TRect target = Intersect(Intersect({dest.Left, dest.Top, dest.Left + w, dest.Top + h}, FClip),
                                 {0, 0, FWidth, FHeight});
  const bool invert = CopyMode() == TCopyMode::NotSrcCopy;
  for (int y = target.Top; y < target.Bottom; ++y) {
    for (int x = target.Left; x < target.Right; ++x) {
      const TColor c = block[static_cast<size_t>(y - dest.Top) * w + (x - dest.Left)];
      if (c == clNone) continue;  // outside the source bitmap: nothing to copy
      FPixels[static_cast<size_t>(y) * FWidth + x] = invert ? (~c & 0xFFFFFF) : c;
    }
  }
}

}  // namespace varlo::offscreen
