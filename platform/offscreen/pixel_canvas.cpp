#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "platform/cp932.h"
#include "platform/offscreen/backend.h"

namespace varlo::offscreen {
namespace {

// Bitmaps larger than this are refused, as a platform refuses them.
constexpr int64_t kMaxPixels = int64_t{1} << 28;

TRect Intersect(const TRect& a, const TRect& b) {
  return {std::max(a.Left, b.Left), std::max(a.Top, b.Top), std::min(a.Right, b.Right),
          std::min(a.Bottom, b.Bottom)};
}

bool IsLeadByte(char c) { return IsLeadByte932(static_cast<unsigned char>(c)); }

bool IsBlank(std::string_view ch) { return ch == " " || ch == "\t" || ch == "\x81\x40"; }

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
    std::fill_n(FPixels.begin() + static_cast<ptrdiff_t>(y) * FWidth + r.Left,
                std::max(0, r.Width()), rgb);
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

int PixelCanvas::TextWidthUtf8(std::string_view text) {
  // Like the code page text: ASCII and half-width katakana one cell,
  // everything else two.
  int width = 0;
  for (size_t i = 0; i < text.size();) {
    const auto b = static_cast<unsigned char>(text[i]);
    const size_t n = b < 0x80 ? 1 : b < 0xE0 ? 2 : b < 0xF0 ? 3 : 4;
    const bool halfKana = n == 3 && b == 0xEF && i + 1 < text.size() &&
                          (static_cast<unsigned char>(text[i + 1]) == 0xBD ||
                           static_cast<unsigned char>(text[i + 1]) == 0xBE);
    width += n == 1 || halfKana ? kCharWidth : kWideCharWidth;
    i += n;
  }
  return width;
}

void PixelCanvas::DrawSystemIcon(int x, int y, int size, TSystemIcon icon) {
  // A square in a colour of its own per icon.
  static constexpr TColor kColors[] = {clYellow, clRed, clBlue, clGreen};
  Fill({x, y, x + size, y + size}, kColors[static_cast<int>(icon)]);
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
  // Pixels outside the source bitmap are not copied; the rest lands inside
  // this canvas's clip.
  const int dx = dest.Left - src.Left, dy = dest.Top - src.Top;
  TRect s = Intersect(src, {0, 0, from->FWidth, from->FHeight});
  s = Intersect(s, {src.Left, src.Top, src.Left + dest.Width(), src.Top + dest.Height()});
  TRect d = Intersect({s.Left + dx, s.Top + dy, s.Right + dx, s.Bottom + dy},
                      Intersect(FClip, {0, 0, FWidth, FHeight}));
  if (d.Empty()) return;
  const bool invert = CopyMode() == TCopyMode::NotSrcCopy;
  const auto row = [&](int y) {
    const TColor* in =
        from->FPixels.data() + static_cast<size_t>(y - dy) * from->FWidth + (d.Left - dx);
    TColor* out = FPixels.data() + static_cast<size_t>(y) * FWidth + d.Left;
    std::memmove(out, in, static_cast<size_t>(d.Width()) * sizeof(TColor));
    if (invert)
      for (int x = 0; x < d.Width(); ++x) out[x] = ~out[x] & 0xFFFFFF;
  };
  // Overlapping copies within one canvas behave as a move.
  if (dy > 0) {
    for (int y = d.Bottom - 1; y >= d.Top; --y) row(y);
  } else {
    for (int y = d.Top; y < d.Bottom; ++y) row(y);
  }
}

}  // namespace varlo::offscreen
