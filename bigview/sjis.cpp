#include "bigview/sjis.h"

#include <algorithm>
#include <span>

namespace varlo::sjis {

int ByteKind(std::string_view s, int64_t index) {
  if (index < 1 || index > static_cast<int64_t>(s.size())) return kSingleByte;
  return ByteKindFrom(s, 0, static_cast<size_t>(index - 1));
}

namespace {

struct CaseRange {
  uint16_t upper;  // first upper-case character
  uint16_t lower;  // its lower-case partner
  uint16_t count;
};

// Pairs as the platform converts them through Unicode. Cyrillic lower case
// steps over 0x847F, which is no trail byte; the Roman numerals pair the NEC
// capitals with the IBM small forms, as the code page's round trip does.
constexpr CaseRange kPairs[] = {
    {0x8260, 0x8281, 26},  // Ａ..Ｚ / ａ..ｚ
    {0x839F, 0x83BF, 24},  // Α..Ω / α..ω
    {0x8440, 0x8470, 15},  // А..О / а..о
    {0x844F, 0x8480, 18},  // П..Я / п..я
    {0x8754, 0xFA40, 10},  // Ⅰ..Ⅹ / ⅰ..ⅹ
};
// Duplicates that map one way only: the code page's other copies of the
// numerals turn into the partner of the canonical copy.
constexpr CaseRange kUpperOnly[] = {{0x8754, 0xEEEF, 10}};  // NEC-selected ⅰ..ⅹ
constexpr CaseRange kLowerOnly[] = {{0xFA4A, 0xFA40, 10}};  // IBM Ⅰ..Ⅹ

}  // namespace

uint16_t UpperChar(uint16_t code) {
  if (code < 0x100) return UpperByte(static_cast<unsigned char>(code));
  for (const auto& r : kPairs)
    if (code >= r.lower && code < r.lower + r.count) return r.upper + (code - r.lower);
  for (const auto& r : kUpperOnly)
    if (code >= r.lower && code < r.lower + r.count) return r.upper + (code - r.lower);
  return code;
}

uint16_t LowerChar(uint16_t code) {
  if (code < 0x100) return LowerByte(static_cast<unsigned char>(code));
  for (const auto& r : kPairs)
    if (code >= r.upper && code < r.upper + r.count) return r.lower + (code - r.upper);
  for (const auto& r : kLowerOnly)
    if (code >= r.upper && code < r.upper + r.count) return r.lower + (code - r.upper);
  return code;
}

// Every range that upper-casing maps by.
using CaseTable = std::span<const CaseRange>;
constexpr CaseTable kTables[] = {kPairs, kUpperOnly};

int UpperPreimages(uint16_t upper, uint16_t out[3]) {
  int n = 0;
  if (UpperChar(upper) == upper) out[n++] = upper;
  if (upper < 0x100) {
    if (upper >= 'A' && upper <= 'Z') out[n++] = LowerByte(static_cast<unsigned char>(upper));
    return n;
  }
  for (CaseTable table : kTables)
    for (const auto& r : table)
      if (upper >= r.upper && upper < r.upper + r.count)
        out[n++] = static_cast<uint16_t>(r.lower + (upper - r.upper));
  return n;
}

int UpperLeadPreimages(unsigned char lead, unsigned char out[3]) {
  // Most characters of a lead byte keep it; only some ranges change it.
  int n = 0;
  out[n++] = lead;
  for (CaseTable table : kTables)
    for (const auto& r : table) {
      const auto from = static_cast<unsigned char>(r.lower >> 8);
      if (r.upper >> 8 == lead && from != lead && std::find(out, out + n, from) == out + n)
        out[n++] = from;
    }
  return n;
}

namespace {

template <uint16_t (*Map)(uint16_t), unsigned char (*MapByte)(unsigned char)>
void MapInPlace(std::string& s) {
  const size_t n = s.size();
  for (size_t i = 0; i < n; ++i) {
    const auto b = static_cast<unsigned char>(s[i]);
    if (IsLeadByte(b) && i + 1 < n) {
      const uint16_t code = static_cast<uint16_t>(b << 8 | static_cast<unsigned char>(s[i + 1]));
      // Only lead bytes 0x82..0x87 and 0xEE, 0xFA hold letters.
      if (b <= 0x87 || b == 0xEE || b == 0xFA) {
        const uint16_t m = Map(code);
        s[i] = static_cast<char>(m >> 8);
        s[i + 1] = static_cast<char>(m & 0xFF);
      }
      ++i;
    } else {
      s[i] = static_cast<char>(MapByte(b));
    }
  }
}

}  // namespace

void MakeUpper(std::string& s) { MapInPlace<UpperChar, UpperByte>(s); }
void MakeLower(std::string& s) { MapInPlace<LowerChar, LowerByte>(s); }

std::string Upper(std::string_view s) {
  std::string r(s);
  MakeUpper(r);
  return r;
}

}  // namespace varlo::sjis
