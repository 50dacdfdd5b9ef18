// Searching Shift-JIS text. MbsPos is the character-aware substring test
// of one line: it walks the text a character (one or two bytes) at a time,
// so a match never starts on a trail byte. Its strings end at their end or
// at a NUL byte, whichever comes first.
#pragma once

#include <cstddef>
#include <string_view>

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

}  // namespace varlo
