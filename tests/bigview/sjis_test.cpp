// Shift-JIS rules: lead bytes, the kind of a byte by its position, and the
// case mapping.
#include <gtest/gtest.h>

#include <string>

#include "bigview/sjis.h"

namespace varlo::sjis {
namespace {

TEST(ShiftJis, LeadBytesAreTheTwoRanges) {
  for (int b = 0; b < 256; ++b) {
    const bool lead = (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
    EXPECT_EQ(IsLeadByte(static_cast<unsigned char>(b)), lead) << "byte " << b;
  }
}

TEST(ShiftJis, ByteKindWalksFromTheStart) {
  // あ (0x82 0xA0), a, then 0x81 0x81 (＝ with a trail in the lead range),
  // half-width ｱ (0xB1), and a lead byte that ends the string.
  const std::string s =
      "\x82\xA0"
      "a"
      "\x81\x81"
      "\xB1"
      "\x88";
  const int expected[] = {1, 2, 0, 1, 2, 0, 1};
  for (int i = 0; i < 7; ++i) EXPECT_EQ(ByteKind(s, i + 1), expected[i]) << "index " << i + 1;
  EXPECT_EQ(ByteKind(s, 0), 0);
  EXPECT_EQ(ByteKind(s, 8), 0);
  EXPECT_EQ(ByteKind("", 1), 0);
}

TEST(ShiftJis, ByteKindFromAKnownStartAgreesWithTheWalk) {
  // Runs of lead-range bytes are where a short look back could go wrong.
  const std::string samples[] = {
      "\x81\x81\x81\x81\x81",
      "\x82\xA0\x82\xA0"
      "a\x93\xFA\x96\x7B",
      "\xE0\x9F\xE0\xE0\x41",
      "a\x81\x40\xFC\xFC\xFC"
      "b",
      "\x83\x41\x83\x81\x83",
      // Runs longer than the sixteen bytes looked at together.
      std::string(37, '\x83') + "\x41" + std::string(20, '\xE0') + "a" + std::string(16, '\x9F'),
      "\x82\xA0" + std::string(33, '\xFC') + std::string(17, '\x81') + "\x82",
  };
  for (const std::string& s : samples) {
    for (size_t from = 0; from < s.size(); ++from) {
      // Only character starts may serve as `from`.
      if (from > 0 && ByteKind(s, static_cast<int64_t>(from) + 1) == kTrailByte) continue;
      const std::string tail = s.substr(from);
      for (size_t pos = from; pos < s.size(); ++pos)
        EXPECT_EQ(ByteKindFrom(s, from, pos), ByteKind(tail, static_cast<int64_t>(pos - from) + 1))
            << "from " << from << " pos " << pos;
    }
  }
}

TEST(ShiftJis, CaseMappingChangesLettersOnly) {
  const struct {
    std::string text, upper, lower;
  } cases[] = {
      {"abcXYZ09_", "ABCXYZ09_", "abcxyz09_"},
      // ａ Ａ, α Α, а А, ё Ё
      {"\x82\x81", "\x82\x60", "\x82\x81"},
      {"\x83\xBF", "\x83\x9F", "\x83\xBF"},
      {"\x84\x70", "\x84\x40", "\x84\x70"},
      {"\x84\x76", "\x84\x46", "\x84\x76"},
      {"\x84\x80\x84\x91", "\x84\x4F\x84\x60", "\x84\x80\x84\x91"},
      // ⅰ (IBM) and Ⅰ (NEC) pair; the NEC-selected ⅰ turns into Ⅰ too.
      {"\xFA\x40", "\x87\x54", "\xFA\x40"},
      {"\xEE\xEF", "\x87\x54", "\xEE\xEF"},
      {"\xFA\x4A", "\xFA\x4A", "\xFA\x40"},
      // Half-width katakana, kanji and trail bytes that look like letters stay.
      {"\xB1\xDF", "\xB1\xDF", "\xB1\xDF"},
      {"\x83\x61", "\x83\x61", "\x83\x61"},
      {"\x93\xFA"
       "a",
       "\x93\xFA"
       "A",
       "\x93\xFA"
       "a"},
      // A lead byte at the end is a single byte.
      {"a\x82", "A\x82", "a\x82"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Upper(c.text), c.upper) << c.text;
    std::string lowered = c.text;
    MakeLower(lowered);
    EXPECT_EQ(lowered, c.lower) << c.text;
  }
}

TEST(ShiftJis, UpperAndLowerArePartners) {
  for (int lead = 0x81; lead <= 0xFC; ++lead) {
    if (!IsLeadByte(static_cast<unsigned char>(lead))) continue;
    for (int trail = 0x40; trail <= 0xFC; ++trail) {
      const auto code = static_cast<uint16_t>(lead << 8 | trail);
      const uint16_t up = UpperChar(code);
      if (up != code) {
        EXPECT_EQ(UpperChar(LowerChar(up)), up) << std::hex << code;
      }
      const uint16_t low = LowerChar(code);
      if (low != code) {
        EXPECT_EQ(LowerChar(UpperChar(low)), low) << std::hex << code;
      }
    }
  }
}

}  // namespace
}  // namespace varlo::sjis
