// Searching Shift-JIS text: the character-aware substring test, and the
// places a search looks at.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "bigview/byte_scan.h"
#include "bigview/search.h"

namespace varlo {
namespace {

TEST(MbsPos, CountsCharactersNotBytes) {
  const std::string kan = "\x8a\xbf", ji = "\x8e\x9a", hon = "\x96\x7b";
  EXPECT_EQ(MbsPos("B", "AB"), 2);
  EXPECT_EQ(MbsPos(hon, kan + ji + hon), 3);
  EXPECT_EQ(MbsPos("x", kan + "x"), 2);
  EXPECT_EQ(MbsPos(ji + "ab", kan + ji + "ab"), 2);
  EXPECT_EQ(MbsPos("abc", "abcabc"), 1);
  EXPECT_EQ(MbsPos("cab", "abcabc"), 3);
}

TEST(MbsPos, NeverMatchesFromATrailByte) {
  // ア is 0x83 0x41: its trail byte is an "A".
  EXPECT_EQ(MbsPos("A", "\x83\x41"), 0);
  EXPECT_EQ(MbsPos("A",
                   "\x83\x41"
                   "A"),
            2);
  // 0x8A 0xBF 0x8E: a pattern made of the trail of one character and the
  // lead of the next is not inside the text.
  EXPECT_EQ(MbsPos("\xbf\x8e", "\x8a\xbf\x8e\x9a"), 0);
}

TEST(MbsPos, EmptyAndOverlongAreNoMatch) {
  EXPECT_EQ(MbsPos("", "abc"), 0);
  EXPECT_EQ(MbsPos("a", ""), 0);
  EXPECT_EQ(MbsPos("abcd", "abc"), 0);
  // A NUL ends either string.
  EXPECT_EQ(MbsPos("c", std::string("ab\0c", 4)), 0);
  EXPECT_EQ(MbsPos(std::string("b\0z", 3), "ab"), 2);
}

TEST(MbsPos, ALeadByteAtTheEndIsASingleCharacter) {
  EXPECT_EQ(MbsPos("\x8a", "a\x8a"), 2);
  MbsCursor end{"a\x8a", 1};
  EXPECT_FALSE(MbsIsLeadPair(end));
  EXPECT_EQ(MbsStepChar(end), 1);
  EXPECT_EQ(MbsStepChar(end), 0);
}

// The column is the first byte-wise occurrence in the line as a whole
// string upper-cases: a trail byte keeps its case, a pair may change both
// bytes, and the occurrence may start inside a character.
TEST(SearchPattern, ColumnOfTheFirstByteWiseOccurrence) {
  const struct {
    std::string line, pattern;
    bool matchCase;
    int64_t column;
  } rows[] = {
      {"\x83\x61"
       "a",
       "A", false, 3},  // 0x61 is a trail byte there: it stays small
      {"\x83\x61"
       "a",
       "a", true, 2},
      {"x\x82\x81", "\x82\x60", false, 2},  // ａ upper-cases to Ａ
      {"x\x82\x81", "\x82\x60", true, 0},
      {"\x8a\xbf\x8e\x9a\xbf\x8e", "\xbf\x8e", true, 2},
      {"abcabc", "CA", false, 3},
      {std::string("a\0bab", 5), "ab", true, 4},
      {"aab", "ab", false, 2},  // after a partial match
      {"", "a", false, 0},
  };
  for (const auto& row : rows)
    EXPECT_EQ(TSearchPattern(row.pattern, row.matchCase).Column(row.line), row.column)
        << row.line << " / " << row.pattern;
}

TEST(SearchPattern, FindIsMbsPosOverTheUpperCasedLine) {
  const struct {
    std::string line, pattern;
    bool matchCase;
    size_t at;
  } rows[] = {
      {"\x83\x41"
       "A",
       "a", false, 2},
      {"\x83\x41", "a", false, std::string::npos},
      {"\xFA\x40", "\x87\x54", false, 0},  // ⅰ is Ⅰ upper-cased, from another lead byte
      {"\xFA\x40", "\x87", false, 0},
      {"\xFA\x40", "\x87", true, std::string::npos},
      {std::string("x\0ab", 4), "ab", false, std::string::npos},
      {"", "a", false, std::string::npos},
      {"abc", "", false, std::string::npos},
  };
  for (const auto& row : rows)
    EXPECT_EQ(TSearchPattern(row.pattern, row.matchCase).Find(row.line), row.at)
        << row.line << " / " << row.pattern;
}

TEST(PairScan, EveryWayFindsThePlacesThePlainTestTakesInBothDirections) {
  // Places on either side of the groups of bytes compared at once, with
  // one byte a side, a letter in either case, or three bytes a side.
  const std::vector<std::array<unsigned char, 3>> sets = {
      {'a', 'a', 'a'}, {'b', 'B', 'b'}, {'a', 'B', 0x81}, {0x81, 0x81, 0x81}};
  const char kinds[] = {'a', 'A', 'b', 'B', static_cast<char>(0x81), '\0'};
  std::mt19937 random(11);
  for (int round = 0; round < 400; ++round) {
    BytePairFilter f;
    f.first = random() % 4;
    f.second = f.first + 1 + random() % 9;
    f.a = sets[random() % sets.size()];
    f.b = sets[random() % sets.size()];
    std::string text(random() % 300 + f.second, 'x');
    const unsigned spread = round % 3 == 0 ? 32 : 2;
    for (char& c : text) c = random() % spread == 0 ? kinds[random() % 6] : 'x';
    const char* from = text.data() + random() % 8;
    const char* to = text.data() + text.size() - f.second;
    std::vector<const char*> up, down;
    for (const char* p = from; p < to; ++p)
      if (f.Holds(p)) up.push_back(p);
    down.assign(up.rbegin(), up.rend());
    for (const PairWay way : PairWays()) {
      std::vector<const char*> got;
      for (const char* p = NextPairBy(way, from, to, f); p < to; p = NextPairBy(way, p + 1, to, f))
        got.push_back(p);
      ASSERT_EQ(got, up) << "way " << static_cast<int>(way) << " round " << round;
      got.clear();
      for (const char* p = PriorPairBy(way, from, to, f); p != nullptr;
           p = PriorPairBy(way, from, p, f))
        got.push_back(p);
      ASSERT_EQ(got, down) << "way " << static_cast<int>(way) << " round " << round;
    }
  }
}

}  // namespace
}  // namespace varlo
