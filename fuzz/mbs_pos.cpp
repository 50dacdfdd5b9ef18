// MbsPos against the plain reading of its rule: walk the text a character
// at a time (a lead byte takes the next byte with it, unless that is the
// end); at each character start, the pattern's bytes must follow there
// byte for byte. Both strings end at a NUL.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "bigview/search.h"
#include "bigview/sjis.h"
#include "fuzz/store_check.h"

using namespace varlo;
using namespace varlo::fuzz;

namespace {

std::string_view UpToNul(std::string_view s) { return s.substr(0, s.find('\0')); }

int Model(std::string_view pattern, std::string_view text) {
  pattern = UpToNul(pattern);
  text = UpToNul(text);
  if (pattern.empty() || text.empty()) return 0;
  int count = 0;
  for (size_t i = 0; i < text.size();) {
    ++count;
    // Character by character from here: a pattern character matches a text
    // character when their bytes are the same (both pairs, or first bytes).
    size_t t = i, p = 0;
    bool match = text[i] == pattern[0];
    while (match && p < pattern.size() && t < text.size()) {
      const bool tPair = sjis::IsLeadByte(text[t]) && t + 1 < text.size();
      const bool pPair = sjis::IsLeadByte(pattern[p]) && p + 1 < pattern.size();
      const size_t n = tPair && pPair ? 2 : 1;
      match = text.compare(t, n, pattern, p, n) == 0;
      t += n;
      p += n;
    }
    if (match && p >= pattern.size()) return count;
    i += sjis::IsLeadByte(text[i]) && i + 1 < text.size() ? 2 : 1;
  }
  return 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // The first byte says where the pattern ends and the text begins.
  if (size == 0) return 0;
  const std::string_view all(reinterpret_cast<const char*>(data) + 1, size - 1);
  const size_t cut = std::min<size_t>(data[0] % 16, all.size());
  const std::string_view pattern = all.substr(0, cut), text = all.substr(cut);
  Require(MbsPos(pattern, text) == Model(pattern, text), "MbsPos gives the plain reading");
  return 0;
}
