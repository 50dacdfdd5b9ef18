#include "tests/support/bmp.h"

#include <cstdint>
#include <fstream>
#include <vector>

namespace varlo::testing {
namespace {

void Put16(std::vector<uint8_t>& b, uint16_t v) {
  b.push_back(v & 0xFF);
  b.push_back(v >> 8);
}
void Put32(std::vector<uint8_t>& b, uint32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back((v >> (8 * i)) & 0xFF);
}

}  // namespace

void WriteBmp(const std::filesystem::path& path, int width, int height,
              const std::function<TColor(int x, int y)>& pixel) {
  const uint32_t rowBytes = (static_cast<uint32_t>(width) * 3 + 3) & ~3u;
  const uint32_t imageBytes = rowBytes * static_cast<uint32_t>(height);
  std::vector<uint8_t> b;
  b.push_back('B');
  b.push_back('M');
  Put32(b, 54 + imageBytes);
  Put32(b, 0);
  Put32(b, 54);
  Put32(b, 40);
  Put32(b, static_cast<uint32_t>(width));
  Put32(b, static_cast<uint32_t>(height));
  Put16(b, 1);
  Put16(b, 24);
  Put32(b, 0);
  Put32(b, imageBytes);
  Put32(b, 2835);
  Put32(b, 2835);
  Put32(b, 0);
  Put32(b, 0);
  for (int y = height - 1; y >= 0; --y) {  // bottom-up rows
    for (int x = 0; x < width; ++x) {
      const TColor c = pixel(x, y);
      b.push_back((c >> 16) & 0xFF);  // blue
      b.push_back((c >> 8) & 0xFF);
      b.push_back(c & 0xFF);
    }
    for (uint32_t pad = static_cast<uint32_t>(width) * 3; pad < rowBytes; ++pad) b.push_back(0);
  }
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
}

}  // namespace varlo::testing
