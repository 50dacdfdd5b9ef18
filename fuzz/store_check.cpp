#include "fuzz/store_check.h"

#include <cstdio>
#include <cstdlib>

namespace varlo::fuzz {

volatile unsigned char gSink;

void Require(bool ok, const char* what) {
  if (ok) return;
  std::fprintf(stderr, "check failed: %s\n", what);
  std::abort();
}

Lines LinesOf(const TBvStrings& store) {
  Lines lines;
  for (int64_t i = 0; i < store.Count(); ++i) lines.emplace_back(store.Get(i));
  return lines;
}

void CheckInvariants(const TBvStrings& store) {
  Require(store.Count() >= 0, "count not negative");
  Require(store.Count() <= store.Capacity(), "count within capacity");
  Require(store.Capacity() <= kMaxListSize, "capacity within the limit");
  // Reading both ends of every line lets the address sanitizer see bytes
  // read from where there are none.
  unsigned char sum = 0;
  for (int64_t i = 0; i < store.Count(); ++i) {
    const std::string line = store.Get(i);
    if (!line.empty()) sum ^= static_cast<unsigned char>(line.front() ^ line.back());
  }
  gSink = sum;
}

Lines SplitText(std::string_view text) {
  Lines lines;
  if (text.empty()) return lines;
  size_t pos = 0;
  for (;;) {
    std::string line;
    while (pos < text.size() && text[pos] != '\0' && text[pos] != '\n' && text[pos] != '\r')
      line += text[pos++];
    lines.push_back(line);
    if (pos < text.size() && text[pos] == '\r') ++pos;
    if (pos < text.size() && text[pos] == '\n') ++pos;
    if (pos >= text.size() || text[pos] == '\0') break;
  }
  return lines;
}

Lines SplitFile(std::string_view bytes) {
  Lines lines;
  size_t pos = 0;
  for (;;) {
    if (pos >= bytes.size() || bytes[pos] == 0x1A) break;
    size_t end = pos;
    while (end < bytes.size() && bytes[end] != '\r' && bytes[end] != 0x1A) ++end;
    lines.emplace_back(bytes.substr(pos, end - pos));
    pos = end;
    if (pos < bytes.size() && bytes[pos] == '\r') {
      ++pos;
      if (pos < bytes.size() && bytes[pos] == '\n') ++pos;
    }
  }
  return lines;
}

}  // namespace varlo::fuzz
