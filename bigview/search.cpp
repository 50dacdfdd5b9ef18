#include "bigview/search.h"

#include "bigview/sjis.h"

namespace varlo {

bool MbsIsLeadPair(const MbsCursor& p) {
  return p.Byte() != '\0' && sjis::IsLeadByte(p.Byte()) && p.Byte(1) != '\0';
}

int MbsStepChar(MbsCursor& p) {
  if (p.Byte() == '\0') return 0;
  const int step = MbsIsLeadPair(p) ? 2 : 1;
  p.at += static_cast<size_t>(step);
  return step;
}

int MbsCompareChar(MbsCursor& t, MbsCursor& s) {
  // Equal characters are equal bytes: what the platform's compare answers
  // for the characters users search for, in any locale.
  const size_t n = MbsIsLeadPair(t) && MbsIsLeadPair(s) ? 2 : 1;
  for (size_t i = 0; i < n; ++i) {
    const auto a = static_cast<unsigned char>(t.Byte(i)), b = static_cast<unsigned char>(s.Byte(i));
    if (a != b) return a < b ? -1 : 1;
  }
  t.at += n;
  s.at += n;
  return 0;
}

bool MbsMatchAt(MbsCursor t, MbsCursor s) {
  if (t.Byte() != s.Byte()) return false;
  int last = 0;
  while (t.Byte() != '\0' && s.Byte() != '\0' && last == 0) last = MbsCompareChar(t, s);
  return s.Byte() == '\0' && last == 0;
}

int MbsPos(std::string_view subStr, std::string_view s) {
  const MbsCursor pattern{subStr, 0};
  MbsCursor text{s, 0};
  if (pattern.Byte() == '\0' || text.Byte() == '\0') return 0;
  int count = 0;
  do {
    ++count;
    if (MbsMatchAt(text, pattern)) return count;
  } while (MbsStepChar(text) != 0 && text.Byte() != '\0');
  return 0;
}

}  // namespace varlo
