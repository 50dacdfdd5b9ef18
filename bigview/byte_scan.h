// Hot loops over contiguous bytes, many at a time: the bytes that can end a
// line (CR) or the text (0x1A) when loading, the control bytes (tabs among
// them) when measuring text, and the places a search text may start.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace varlo {

// Calls hit(offset) for every CR or 0x1A in data[from, to), in order, until
// hit returns false. Returns false when it was stopped.
template <class Hit>
inline bool ForEachLineEnd(const char* data, size_t from, size_t to, Hit&& hit) {
  size_t i = from;
#if defined(__SSE2__)
  const __m128i cr = _mm_set1_epi8('\r');
  const __m128i sub = _mm_set1_epi8(0x1A);
  for (; i + 64 <= to; i += 64) {
    uint64_t mask = 0;
    for (int k = 0; k < 4; ++k) {
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i + 16 * k));
      const __m128i e = _mm_or_si128(_mm_cmpeq_epi8(v, cr), _mm_cmpeq_epi8(v, sub));
      mask |= static_cast<uint64_t>(static_cast<uint32_t>(_mm_movemask_epi8(e))) << (16 * k);
    }
    while (mask != 0) {
      if (!hit(i + static_cast<size_t>(__builtin_ctzll(mask)))) return false;
      mask &= mask - 1;
    }
  }
#endif
  for (; i < to; ++i)
    if ((data[i] == '\r' || data[i] == 0x1A) && !hit(i)) return false;
  return true;
}

// Calls hit(offset) for every byte below 0x20 in data[from, to), in order.
template <class Hit>
inline void ForEachControlByte(const char* data, size_t from, size_t to, Hit&& hit) {
  size_t i = from;
#if defined(__SSE2__)
  const __m128i limit = _mm_set1_epi8(0x1F);
  for (; i + 64 <= to; i += 64) {
    uint64_t mask = 0;
    for (int k = 0; k < 4; ++k) {
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i + 16 * k));
      // v <= 0x1F exactly when min(v, 0x1F) == v (unsigned).
      const __m128i e = _mm_cmpeq_epi8(_mm_min_epu8(v, limit), v);
      mask |= static_cast<uint64_t>(static_cast<uint32_t>(_mm_movemask_epi8(e))) << (16 * k);
    }
    while (mask != 0) {
      hit(i + static_cast<size_t>(__builtin_ctzll(mask)));
      mask &= mask - 1;
    }
  }
#endif
  for (; i < to; ++i)
    if (static_cast<unsigned char>(data[i]) < 0x20) hit(i);
}

// Calls hit(offset) for every tab in data[from, to), in order: sixteen
// bytes at a time, the last sixteen again for what is left, as lines are
// short.
template <class Hit>
inline void ForEachTab(const char* data, size_t from, size_t to, Hit&& hit) {
  size_t i = from;
#if defined(__SSE2__)
  if (to - from >= 16) {
    const __m128i tab = _mm_set1_epi8('\t');
    const auto block = [&](size_t at, unsigned skip) {
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + at));
      unsigned mask =
          static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, tab))) >> skip << skip;
      for (; mask != 0; mask &= mask - 1) hit(at + static_cast<size_t>(__builtin_ctz(mask)));
    };
    for (; i + 16 <= to; i += 16) block(i, 0);
    if (i < to) block(to - 16, static_cast<unsigned>(16 - (to - i)));
    return;
  }
#endif
  for (; i < to; ++i)
    if (data[i] == '\t') hit(i);
}

// Two bytes at a fixed distance: a byte from `a` at offset `first` of a
// place and one from `b` at offset `second`. Testing two bytes far apart
// rules out nearly every place of real text at the cost of two compares.
struct BytePairFilter {
  size_t first = 0, second = 0;
  std::array<unsigned char, 3> a{}, b{};  // repeat a byte to fill

  bool Holds(const char* p) const {
    const auto x = static_cast<unsigned char>(p[first]), y = static_cast<unsigned char>(p[second]);
    return (x == a[0] || x == a[1] || x == a[2]) && (y == b[0] || y == b[1] || y == b[2]);
  }
};

// The ways to look for places that pass a filter, all with the same
// result: with what every processor of the platform has, and with the wider
// registers where this one has them, the fastest last.
enum class PairWay { kBase, kWide };
std::vector<PairWay> PairWays();

// The first place in [from, to) that passes the filter, or `to`; and the
// last, or null. Bytes up to to - 1 + max(first, second) are read.
const char* NextPairBy(PairWay way, const char* from, const char* to, const BytePairFilter& f);
const char* PriorPairBy(PairWay way, const char* from, const char* to, const BytePairFilter& f);

// The same by the fastest way.
const char* NextPair(const char* from, const char* to, const BytePairFilter& f);
const char* PriorPair(const char* from, const char* to, const BytePairFilter& f);

// Calls hit(p) for each place p in [from, to) that passes the filter, in
// increasing order, or with kDown false in decreasing order. Going down,
// hit returns where to go on (after p; `to` or beyond stops); going up, the
// new end (at most p; `from` or below stops). Bytes up to
// to - 1 + max(first, second) are read.
template <bool kDown, class Hit>
inline void ForEachPair(const char* from, const char* to, const BytePairFilter& f, Hit&& hit) {
  // Places that pass are few in real text: the finders run long between
  // two calls of hit.
  if constexpr (kDown) {
    for (const char* p = from; p < to;) {
      p = NextPair(p, to, f);
      if (p >= to) break;
      p = hit(p);
    }
  } else {
    for (const char* end = to; end > from;) {
      const char* p = PriorPair(from, end, f);
      if (p == nullptr) break;
      end = hit(p);
    }
  }
}

}  // namespace varlo
