#include "bigview/search.h"

#include <cstring>

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

namespace {

uint16_t Pair(unsigned char lead, unsigned char trail) {
  return static_cast<uint16_t>(lead << 8 | trail);
}

}  // namespace

TSearchPattern::TSearchPattern(std::string_view text, bool matchCase) : FMatchCase(matchCase) {
  FWhole = matchCase ? std::string(text) : sjis::Upper(text);
  FKey = FWhole.substr(0, FWhole.find('\0'));
  const size_t m = FKey.size();
  FBytes.resize(m);
  const auto at = [&](size_t j) { return static_cast<unsigned char>(FKey[j]); };
  for (size_t j = 0; j < m;) {
    auto& set = FBytes[j];
    set.fill(at(j));
    if (matchCase) {
      ++j;
      continue;
    }
    if (sjis::IsLeadByte(at(j)) && j + 1 < m) {
      // The text's character here is a pair that upper-cases to this one.
      uint16_t from[3];
      const int n = sjis::UpperPreimages(Pair(at(j), at(j + 1)), from);
      auto& trail = FBytes[j + 1];
      trail.fill(at(j + 1));
      for (int k = 0; k < n; ++k) {
        set[static_cast<size_t>(k)] = static_cast<unsigned char>(from[k] >> 8);
        trail[static_cast<size_t>(k)] = static_cast<unsigned char>(from[k] & 0xFF);
      }
      j += 2;
    } else if (sjis::IsLeadByte(at(j))) {
      // A lead byte that ends the key meets the lead of any pair in the
      // text, which upper-casing may have changed.
      unsigned char from[3];
      const int n = sjis::UpperLeadPreimages(at(j), from);
      for (int k = 0; k < n; ++k) set[static_cast<size_t>(k)] = from[k];
      ++j;
    } else {
      set[1] = set[2] = sjis::LowerByte(at(j));
      ++j;
    }
  }
  if (m > 0) {
    FFirst = {0, FBytes[0]};
    FSecond = {m - 1, FBytes[m - 1]};
  }
  // Failure links of the whole text for a single pass over a line.
  FBorder.assign(FWhole.size() + 1, 0);
  for (size_t i = 1, k = 0; i < FWhole.size(); ++i) {
    while (k > 0 && FWhole[i] != FWhole[k]) k = FBorder[k];
    if (FWhole[i] == FWhole[k]) ++k;
    FBorder[i + 1] = k;
  }
}

bool TSearchPattern::MayHold(const char* p) const {
  if (FMatchCase) return std::memcmp(p, FKey.data(), FKey.size()) == 0;
  for (size_t j = 0; j < FBytes.size(); ++j) {
    const auto b = static_cast<unsigned char>(p[j]);
    const auto& set = FBytes[j];
    if (b != set[0] && b != set[1] && b != set[2]) return false;
  }
  return true;
}

bool TSearchPattern::HitAt(std::string_view line, size_t c) const {
  const size_t m = FKey.size(), n = line.size();
  if (FMatchCase) return c + m <= n && line.compare(c, m, FKey) == 0;
  // Characters are read as MbsPos reads them: a lead byte pairs with a
  // following byte that is not NUL.
  size_t j = 0, k = c;
  while (j < m) {
    if (k >= n) return false;
    const auto b = static_cast<unsigned char>(line[k]);
    if (sjis::IsLeadByte(b) && k + 1 < n && line[k + 1] != '\0') {
      const uint16_t u = sjis::UpperChar(Pair(b, static_cast<unsigned char>(line[k + 1])));
      if (static_cast<unsigned char>(FKey[j]) != u >> 8) return false;
      // A key that ends in a lead byte matches the lead byte alone.
      if (j + 1 < m && static_cast<unsigned char>(FKey[j + 1]) != (u & 0xFF)) return false;
      j += 2;
      k += 2;
    } else {
      if (static_cast<unsigned char>(FKey[j]) != sjis::UpperByte(b)) return false;
      ++j;
      ++k;
    }
  }
  return true;
}

size_t TSearchPattern::Find(std::string_view line) const {
  if (FKey.empty()) return std::string_view::npos;
  const size_t n = line.size();
  for (size_t k = 0; k < n && line[k] != '\0';) {
    const auto b = static_cast<unsigned char>(line[k]);
    const auto& first = FBytes[0];
    if ((b == first[0] || b == first[1] || b == first[2]) && HitAt(line, k)) return k;
    k += sjis::IsLeadByte(b) && k + 1 < n && line[k + 1] != '\0' ? 2 : 1;
  }
  return std::string_view::npos;
}

int64_t TSearchPattern::Column(std::string_view line) const {
  const size_t m = FWhole.size();
  if (m == 0) return 0;
  if (FMatchCase) {
    const size_t at = line.find(FWhole);
    return at == std::string_view::npos ? 0 : static_cast<int64_t>(at) + 1;
  }
  // The line upper-cased as a whole string is, a character at a time, fed
  // through the failure links: one pass, no copy.
  size_t k = 0, fed = 0;
  const auto feed = [&](char c) {
    ++fed;
    while (k > 0 && c != FWhole[k]) k = FBorder[k];
    if (c == FWhole[k]) ++k;
    if (k < m) return false;
    return true;
  };
  const size_t n = line.size();
  for (size_t i = 0; i < n;) {
    const auto b = static_cast<unsigned char>(line[i]);
    if (sjis::IsLeadByte(b) && i + 1 < n) {
      const uint16_t u = sjis::UpperChar(Pair(b, static_cast<unsigned char>(line[i + 1])));
      if (feed(static_cast<char>(u >> 8))) break;
      if (feed(static_cast<char>(u & 0xFF))) break;
      i += 2;
    } else {
      if (feed(static_cast<char>(sjis::UpperByte(b)))) break;
      ++i;
    }
  }
  return k == m ? static_cast<int64_t>(fed - m) + 1 : 0;
}

}  // namespace varlo
