// The portable case table against the platform's own case mapping of code
// page 932, over every double-byte character.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <string>

#include "bigview/sjis.h"

namespace varlo {
namespace {

// The character's Unicode value under code page 932, or 0 when the code
// page does not define it.
wchar_t ToUnicode(uint16_t code) {
  const char bytes[2] = {static_cast<char>(code >> 8), static_cast<char>(code & 0xFF)};
  wchar_t w[2] = {};
  const int n = MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, bytes, 2, w, 2);
  return n == 1 ? w[0] : 0;
}

bool RoundTrips(uint16_t code, wchar_t w) {
  char back[4] = {};
  const int n = WideCharToMultiByte(932, 0, &w, 1, back, 4, nullptr, nullptr);
  return n == 2 && static_cast<unsigned char>(back[0]) == code >> 8 &&
         static_cast<unsigned char>(back[1]) == (code & 0xFF);
}

template <class Each>
void ForEachDoubleByteCharacter(Each each) {
  for (int lead = 0x81; lead <= 0xFC; ++lead) {
    if (!sjis::IsLeadByte(static_cast<unsigned char>(lead))) continue;
    for (int trail = 0x40; trail <= 0xFC; ++trail) {
      if (trail == 0x7F) continue;
      const auto code = static_cast<uint16_t>(lead << 8 | trail);
      if (const wchar_t w = ToUnicode(code)) each(code, w);
    }
  }
}

std::string Hex(uint16_t code) {
  char s[8];
  std::snprintf(s, sizeof s, "%04X", code);
  return s;
}

// In Unicode: the table's result must be the platform's case of the
// character (for copies the code page keeps twice, any copy will do).
TEST(CaseMapping, TableAgreesWithThePlatformInUnicode) {
  int changed = 0;
  ForEachDoubleByteCharacter([&](uint16_t code, wchar_t w) {
    wchar_t up = w, low = w;
    CharUpperBuffW(&up, 1);
    CharLowerBuffW(&low, 1);
    const wchar_t tableUp = ToUnicode(sjis::UpperChar(code));
    const wchar_t tableLow = ToUnicode(sjis::LowerChar(code));
    // A case the code page cannot write stays as it is.
    char probe[4];
    BOOL lost = FALSE;
    if (WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS, &up, 1, probe, 4, nullptr, &lost) == 0 ||
        lost)
      up = w;
    lost = FALSE;
    if (WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS, &low, 1, probe, 4, nullptr, &lost) == 0 ||
        lost)
      low = w;
    EXPECT_EQ(tableUp, up) << "upper of " << Hex(code);
    EXPECT_EQ(tableLow, low) << "lower of " << Hex(code);
    changed += (up != w) + (low != w);
  });
  // 26 + 24 + 33 letters and 10 numerals each way, plus the numeral copies.
  EXPECT_EQ(changed, 2 * (26 + 24 + 33 + 10) + 20);
}

// Byte for byte with CharUpperBuffA/CharLowerBuffA, which use the system's
// ANSI code page: only meaningful when that is 932.
TEST(CaseMapping, TableAgreesWithCharUpperBuffA) {
  if (GetACP() != 932) GTEST_SKIP() << "ANSI code page " << GetACP();
  ForEachDoubleByteCharacter([&](uint16_t code, wchar_t w) {
    // Copies the code page keeps twice come back as the canonical copy from
    // the platform's round trip through Unicode; the table keeps the bytes.
    if (!RoundTrips(code, w)) return;
    char up[3] = {static_cast<char>(code >> 8), static_cast<char>(code & 0xFF), 0};
    char low[3] = {up[0], up[1], 0};
    CharUpperBuffA(up, 2);
    CharLowerBuffA(low, 2);
    const auto platformUp = static_cast<uint16_t>(static_cast<unsigned char>(up[0]) << 8 |
                                                  static_cast<unsigned char>(up[1]));
    const auto platformLow = static_cast<uint16_t>(static_cast<unsigned char>(low[0]) << 8 |
                                                   static_cast<unsigned char>(low[1]));
    EXPECT_EQ(Hex(sjis::UpperChar(code)), Hex(platformUp)) << "upper of " << Hex(code);
    EXPECT_EQ(Hex(sjis::LowerChar(code)), Hex(platformLow)) << "lower of " << Hex(code);
  });
  for (int b = 0; b < 256; ++b) {
    if (sjis::IsLeadByte(static_cast<unsigned char>(b))) continue;
    char one[2] = {static_cast<char>(b), 0};
    CharUpperBuffA(one, 1);
    EXPECT_EQ(static_cast<unsigned char>(one[0]), sjis::UpperByte(static_cast<unsigned char>(b)))
        << "byte " << b;
  }
}

}  // namespace
}  // namespace varlo
