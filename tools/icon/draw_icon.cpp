// Draws the program's icon, a page of text with one line marked as a
// search hit marks it, and writes it as a Windows icon file with an image
// for each size Windows asks for. Run by hand when the drawing changes; the
// file it writes is app/varlo.ico, which a test compares with a fresh
// drawing.
//   varlo-draw-icon FILE.ico
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace {

// The sizes of the images: what Windows shows in title bars, lists, tiles
// and at the display scales between.
constexpr int kSizes[] = {16, 20, 24, 32, 40, 48, 64, 256};

struct Color {
  double r, g, b;
};

constexpr Color kPage{1.0, 1.0, 1.0};
constexpr Color kEdge{0x4A / 255.0, 0x5A / 255.0, 0x72 / 255.0};
constexpr Color kFold{0xD5 / 255.0, 0xDE / 255.0, 0xEA / 255.0};
constexpr Color kText{0x44 / 255.0, 0x54 / 255.0, 0x6A / 255.0};
constexpr Color kHit{0xFF / 255.0, 0xB0 / 255.0, 0x00 / 255.0};
constexpr Color kHitText{0x1F / 255.0, 0x2A / 255.0, 0x38 / 255.0};
constexpr Color kBadge{0x1F / 255.0, 0x6F / 255.0, 0xD1 / 255.0};

// A premultiplied RGBA image, drawn shape by shape.
class Image {
 public:
  explicit Image(int size) : FSize(size), FPixels(static_cast<size_t>(size) * size * 4, 0.0) {}
  int Size() const { return FSize; }

  // Paints `color` where `inside` holds, each pixel by the share of its
  // 8 x 8 sample points that lie inside (coordinates in pixels).
  void Fill(const std::function<bool(double x, double y)>& inside, Color color) {
    constexpr int kSamples = 8;
    for (int py = 0; py < FSize; ++py)
      for (int px = 0; px < FSize; ++px) {
        int hits = 0;
        for (int sy = 0; sy < kSamples; ++sy)
          for (int sx = 0; sx < kSamples; ++sx)
            hits += inside(px + (sx + 0.5) / kSamples, py + (sy + 0.5) / kSamples) ? 1 : 0;
        if (hits == 0) continue;
        const double a = hits / double(kSamples * kSamples);
        double* p = &FPixels[(static_cast<size_t>(py) * FSize + px) * 4];
        p[0] = color.r * a + p[0] * (1 - a);
        p[1] = color.g * a + p[1] * (1 - a);
        p[2] = color.b * a + p[2] * (1 - a);
        p[3] = a + p[3] * (1 - a);
      }
  }

  // Blue, green, red and alpha bytes, straight (not premultiplied).
  void Bgra(int x, int y, uint8_t out[4]) const {
    const double* p = &FPixels[(static_cast<size_t>(y) * FSize + x) * 4];
    const auto byte = [](double v) {
      return static_cast<uint8_t>(std::lround(std::clamp(v, 0.0, 1.0) * 255));
    };
    const double a = p[3];
    out[3] = byte(a);
    for (int i = 0; i < 3; ++i) out[2 - i] = a > 0 ? byte(p[i] / a) : 0;
  }

 private:
  int FSize;
  std::vector<double> FPixels;
};

struct Box {
  double left, top, right, bottom;
  bool Holds(double x, double y) const { return x >= left && x < right && y >= top && y < bottom; }
};

// Inside a stroke of this width along the segment from a to b (round ends).
bool OnSegment(double x, double y, double ax, double ay, double bx, double by, double width) {
  const double dx = bx - ax, dy = by - ay;
  const double t = std::clamp(((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy), 0.0, 1.0);
  const double ex = x - (ax + t * dx), ey = y - (ay + t * dy);
  return ex * ex + ey * ey <= width * width / 4;
}

Image Draw(int size) {
  Image image(size);
  const double s = size;
  // Edges fall on whole pixels: the small images stay sharp.
  const auto at = [&](double unit) { return std::round(unit * s); };
  const double stroke = std::max(1.0, std::round(s / 32));
  const Box page{at(0.16), at(0.04), at(0.84), at(0.96)};
  const double fold = at(0.24);
  // The page without its folded corner.
  const auto onPage = [&](double x, double y) {
    return page.Holds(x, y) && (x - (page.right - fold)) - (y - page.top) <= 0;
  };
  image.Fill(onPage, kEdge);
  const Box inner{page.left + stroke, page.top + stroke, page.right - stroke, page.bottom - stroke};
  image.Fill(
      [&](double x, double y) {
        return inner.Holds(x, y) && (x - (page.right - fold)) - (y - page.top) <= -stroke * 1.42;
      },
      kPage);
  // The fold: a triangle turned down over the page.
  image.Fill(
      [&](double x, double y) {
        return x >= page.right - fold && x < page.right && y >= page.top && y < page.top + fold &&
               (x - (page.right - fold)) - (y - page.top) <= 0;
      },
      kEdge);
  image.Fill(
      [&](double x, double y) {
        return x >= page.right - fold + stroke && x < page.right - stroke * 0.42 &&
               y >= page.top + stroke * 1.42 && y < page.top + fold - stroke &&
               (x - (page.right - fold)) - (y - page.top) <= -stroke * 1.42;
      },
      kFold);

  // Lines of text, fewer and thicker in the small images; the third is the
  // hit, on its mark.
  const int lines = size < 24 ? 4 : size < 48 ? 5 : 7;
  static constexpr double kLengths[] = {0.62, 0.82, 0.5, 0.74, 0.58, 0.8, 0.44};
  const double left = inner.left + std::max(1.0, at(0.08));
  const double right = inner.right - std::max(1.0, at(0.08));
  const double first = page.top + fold + std::max(1.0, at(0.06));
  const double last = page.bottom - std::max(2.0, at(0.1));
  const double pitch = std::floor((last - first) / lines);
  const double thickness = std::max(1.0, std::round(pitch * 0.45));
  for (int i = 0; i < lines; ++i) {
    const double top = first + i * pitch;
    const double end = left + std::max(2.0, std::round((right - left) * kLengths[i]));
    const bool hit = i == 2;
    if (hit) {
      const double pad = std::max(1.0, std::round(pitch * 0.22));
      const Box mark{left - pad, top - pad, std::min(right + pad, inner.right),
                     top + thickness + pad};
      image.Fill([&](double x, double y) { return mark.Holds(x, y); }, kHit);
    }
    const Box line{left, top, end, top + thickness};
    image.Fill([&](double x, double y) { return line.Holds(x, y); }, hit ? kHitText : kText);
  }

  // From 32 pixels on, a round badge with an arrow down: the next page.
  if (size >= 32) {
    const double cx = s * 0.74, cy = s * 0.78, r = s * 0.2;
    image.Fill(
        [&](double x, double y) {
          return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= (r + stroke) * (r + stroke);
        },
        kPage);
    image.Fill(
        [&](double x, double y) { return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= r * r; },
        kBadge);
    const double w = r * 0.26, arm = r * 0.5;
    image.Fill(
        [&](double x, double y) {
          return OnSegment(x, y, cx, cy - arm, cx, cy + arm * 0.55, w) ||
                 OnSegment(x, y, cx - arm * 0.8, cy + arm * 0.05, cx, cy + arm * 0.75, w) ||
                 OnSegment(x, y, cx + arm * 0.8, cy + arm * 0.05, cx, cy + arm * 0.75, w);
        },
        kPage);
  }
  return image;
}

void Put16(std::string& out, unsigned v) {
  out += static_cast<char>(v & 0xFF);
  out += static_cast<char>((v >> 8) & 0xFF);
}
void Put32(std::string& out, uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

// One image as the icon file keeps it: a 32-bit bitmap, bottom row first,
// twice as high as wide for its mask, then the mask (set where nothing is
// drawn, for the renderers that know no alpha).
std::string Bitmap(const Image& image) {
  const int n = image.Size();
  const int maskRow = ((n + 31) / 32) * 4;
  std::string out;
  Put32(out, 40);
  Put32(out, static_cast<uint32_t>(n));
  Put32(out, static_cast<uint32_t>(2 * n));
  Put16(out, 1);
  Put16(out, 32);
  Put32(out, 0);  // uncompressed
  Put32(out, static_cast<uint32_t>(n * n * 4 + maskRow * n));
  for (int i = 0; i < 4; ++i) Put32(out, 0);
  for (int y = n - 1; y >= 0; --y)
    for (int x = 0; x < n; ++x) {
      uint8_t bgra[4];
      image.Bgra(x, y, bgra);
      out.append(reinterpret_cast<const char*>(bgra), 4);
    }
  for (int y = n - 1; y >= 0; --y) {
    std::string row(static_cast<size_t>(maskRow), '\0');
    for (int x = 0; x < n; ++x) {
      uint8_t bgra[4];
      image.Bgra(x, y, bgra);
      if (bgra[3] == 0) row[static_cast<size_t>(x / 8)] |= static_cast<char>(0x80 >> (x % 8));
    }
    out += row;
  }
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: varlo-draw-icon FILE.ico\n");
    return 2;
  }
  std::vector<std::string> images;
  for (int size : kSizes) images.push_back(Bitmap(Draw(size)));
  const auto count = static_cast<unsigned>(images.size());
  std::string file;
  Put16(file, 0);
  Put16(file, 1);  // an icon
  Put16(file, count);
  uint32_t offset = 6 + 16 * count;
  for (size_t i = 0; i < images.size(); ++i) {
    const int size = kSizes[i];
    file += static_cast<char>(size >= 256 ? 0 : size);  // 0 stands for 256
    file += static_cast<char>(size >= 256 ? 0 : size);
    file += '\0';  // no palette
    file += '\0';
    Put16(file, 1);   // planes
    Put16(file, 32);  // bits per pixel
    Put32(file, static_cast<uint32_t>(images[i].size()));
    Put32(file, offset);
    offset += static_cast<uint32_t>(images[i].size());
  }
  for (const std::string& image : images) file += image;
  std::ofstream out(argv[1], std::ios::binary);
  out << file;
  return out ? 0 : 1;
}
