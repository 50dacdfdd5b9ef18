// Searching Shift-JIS text. MbsPos is the character-aware substring test
// of one line: it walks the text a character (one or two bytes) at a time,
// so a match never starts on a trail byte. Its strings end at their end or
// at a NUL byte, whichever comes first.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace varlo {

// A position in such a string.
struct MbsCursor {
  std::string_view s;
  size_t at = 0;
  char Byte(size_t ahead = 0) const { return at + ahead < s.size() ? s[at + ahead] : '\0'; }
};

// The byte here is a lead byte with a non-zero byte after it.
bool MbsIsLeadPair(const MbsCursor& p);
// Moves past one character; returns the step (0 at the end).
int MbsStepChar(MbsCursor& p);
// Compares one character of the text with one of the pattern (both lead
// pairs: both bytes; else the first byte alone); when they are equal both
// move past it. 0 means equal.
int MbsCompareChar(MbsCursor& t, MbsCursor& s);
// The pattern occurs at this position of the text.
bool MbsMatchAt(MbsCursor t, MbsCursor s);
// 1-based character index of the first occurrence of subStr in s; 0 when
// there is none or either is empty.
int MbsPos(std::string_view subStr, std::string_view s);

// A search text prepared for testing many lines. A line holds it when
// MbsPos finds it there, both upper-cased first when case does not count;
// the reported column is its first byte-wise occurrence in the (upper-cased)
// line. Upper-casing follows the line's own characters, so the tests below
// fold the text as they read it instead of copying it.
class TSearchPattern {
 public:
  TSearchPattern(std::string_view text, bool matchCase);

  // Nothing can hold it (an empty text, or one that starts with a NUL).
  bool Empty() const { return FKey.empty(); }
  // The bytes a hit consists of: upper-cased, up to the first NUL.
  std::string_view Key() const { return FKey; }
  size_t Size() const { return FKey.size(); }

  // Whether the unchanged bytes at p (Size() of them) could be a hit: each
  // is one that upper-cases to the key's byte there.
  bool MayHold(const char* p) const;
  // Two offsets of the key and the bytes each may have in the text, for a
  // fast scan for places where MayHold can be true.
  struct Anchor {
    size_t offset;
    std::array<unsigned char, 3> bytes;  // repeats when fewer
  };
  const Anchor& First() const { return FFirst; }
  const Anchor& Second() const { return FSecond; }

  // A hit starts at offset c of the line, c being a character start before
  // any NUL.
  bool HitAt(std::string_view line, size_t c) const;
  // The line holds the text: the character start of the first hit, or npos.
  size_t Find(std::string_view line) const;
  // 1-based byte column of the first byte-wise occurrence of the upper-cased
  // text in the upper-cased line; 0 when there is none.
  int64_t Column(std::string_view line) const;

 private:
  bool FMatchCase;
  std::string FKey;
  std::string FWhole;                                // the whole text, upper-cased
  std::vector<std::array<unsigned char, 3>> FBytes;  // per key byte
  Anchor FFirst{}, FSecond{};
  std::vector<size_t> FBorder;  // FWhole's longest proper borders, for Column
};

}  // namespace varlo
