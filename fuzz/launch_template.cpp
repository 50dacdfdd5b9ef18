// A launcher template expanded with any file name and any line number, held
// equal to the plain reading of the rule: scan for the first "%f" and put
// the file name there, then scan the result for the first "%l" and put the
// number there. The input is the line (8 bytes), then the template and the
// file name, split at the first NUL.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "app/launch_template.h"
#include "fuzz/store_check.h"

using namespace varlo;
using namespace varlo::fuzz;

namespace {

// Replaces the first occurrence of '%' followed by `letter`, going byte by
// byte.
std::string ReplaceFirst(std::string_view text, char letter, std::string_view with) {
  std::string out;
  bool done = false;
  for (size_t i = 0; i < text.size(); ++i) {
    if (!done && text[i] == '%' && i + 1 < text.size() && text[i + 1] == letter) {
      out += with;
      ++i;
      done = true;
    } else {
      out += text[i];
    }
  }
  return out;
}

std::string Decimal(int64_t value) {
  uint64_t magnitude = value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
  std::string digits;
  do {
    digits.insert(digits.begin(), static_cast<char>('0' + magnitude % 10));
    magnitude /= 10;
  } while (magnitude != 0);
  return value < 0 ? "-" + digits : digits;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  int64_t line = 0;
  if (size >= sizeof line) {
    std::memcpy(&line, data, sizeof line);
    data += sizeof line;
    size -= sizeof line;
  }
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const size_t cut = input.find('\0');
  const std::string_view text = input.substr(0, cut);
  const std::string_view file = cut == std::string_view::npos ? "" : input.substr(cut + 1);

  const std::string got = ExpandLaunchTemplate(text, file, line);
  const std::string want = ReplaceFirst(ReplaceFirst(text, 'f', file), 'l', Decimal(line));
  Require(got == want, "expansion equals the byte-by-byte model");
  return 0;
}
