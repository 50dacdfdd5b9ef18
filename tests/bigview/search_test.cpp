// Searching Shift-JIS text: the character-aware substring test.
#include <gtest/gtest.h>

#include <string>

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

}  // namespace
}  // namespace varlo
