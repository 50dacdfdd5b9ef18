// Hot loops over contiguous bytes, many at a time: the bytes that can end a
// line (CR) or the text (0x1A) when loading, the control bytes (tabs among
// them) when measuring text, and the places a search text may start.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>

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

#if defined(__SSE2__)
namespace detail {

// One byte of a filter as one compare: a set of one byte, or an ASCII
// letter in either case (setting bit 5 makes both the small letter).
struct OneCompare {
  bool possible;
  unsigned char bits, value;
  explicit OneCompare(const std::array<unsigned char, 3>& set) {
    const unsigned char x = set[0];
    const bool one = set[1] == x && set[2] == x;
    const unsigned char small = x | 0x20;
    const bool letter =
        small >= 'a' && small <= 'z' &&
        std::all_of(set.begin(), set.end(), [&](unsigned char c) { return (c | 0x20) == small; });
    possible = one || letter;
    bits = one ? 0 : 0x20;
    value = one ? x : small;
  }
};

struct PairVectors {
  __m128i a0, a1, a2, b0, b1, b2;
  __m128i aBits, aValue, bBits, bValue;
  bool single;  // one compare each
  explicit PairVectors(const BytePairFilter& f)
      : a0(_mm_set1_epi8(static_cast<char>(f.a[0]))),
        a1(_mm_set1_epi8(static_cast<char>(f.a[1]))),
        a2(_mm_set1_epi8(static_cast<char>(f.a[2]))),
        b0(_mm_set1_epi8(static_cast<char>(f.b[0]))),
        b1(_mm_set1_epi8(static_cast<char>(f.b[1]))),
        b2(_mm_set1_epi8(static_cast<char>(f.b[2]))) {
    const OneCompare a(f.a), b(f.b);
    single = a.possible && b.possible;
    aBits = _mm_set1_epi8(static_cast<char>(a.bits));
    aValue = _mm_set1_epi8(static_cast<char>(a.value));
    bBits = _mm_set1_epi8(static_cast<char>(b.bits));
    bValue = _mm_set1_epi8(static_cast<char>(b.value));
  }
};

// Bit i: the place p + i passes the filter, for 32 places.
template <bool kSingle>
inline uint32_t PairMask32(const char* p, const BytePairFilter& f, const PairVectors& v) {
  uint32_t mask = 0;
  for (int k = 0; k < 2; ++k) {
    const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * k + f.first));
    const __m128i y = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * k + f.second));
    __m128i ex, ey;
    if constexpr (kSingle) {
      ex = _mm_cmpeq_epi8(_mm_or_si128(x, v.aBits), v.aValue);
      ey = _mm_cmpeq_epi8(_mm_or_si128(y, v.bBits), v.bValue);
    } else {
      ex = _mm_or_si128(_mm_cmpeq_epi8(x, v.a0),
                        _mm_or_si128(_mm_cmpeq_epi8(x, v.a1), _mm_cmpeq_epi8(x, v.a2)));
      ey = _mm_or_si128(_mm_cmpeq_epi8(y, v.b0),
                        _mm_or_si128(_mm_cmpeq_epi8(y, v.b1), _mm_cmpeq_epi8(y, v.b2)));
    }
    mask |= static_cast<uint32_t>(_mm_movemask_epi8(_mm_and_si128(ex, ey))) << (16 * k);
  }
  return mask;
}

template <bool kSingle, class Hit>
inline void PairForward(const char* from, const char* to, const BytePairFilter& f,
                        const PairVectors& v, Hit& hit) {
  const char* p = from;
  while (p < to) {
    if (to - p >= 32) {
      const uint32_t mask = PairMask32<kSingle>(p, f, v);
      if (mask == 0) {
        p += 32;
        continue;
      }
      p = hit(p + __builtin_ctz(mask));
      continue;
    }
    p = f.Holds(p) ? hit(p) : p + 1;
  }
}

template <bool kSingle, class Hit>
inline void PairBackward(const char* from, const char* to, const BytePairFilter& f,
                         const PairVectors& v, Hit& hit) {
  const char* end = to;
  while (end > from) {
    if (end - from >= 32) {
      const char* p = end - 32;
      const uint32_t mask = PairMask32<kSingle>(p, f, v);
      if (mask == 0) {
        end = p;
        continue;
      }
      end = hit(p + (31 - __builtin_clz(mask)));
      continue;
    }
    end = f.Holds(end - 1) ? hit(end - 1) : end - 1;
  }
}

}  // namespace detail
#endif

// Calls hit(p) for each place p in [from, to) that passes the filter, in
// increasing order, or with kDown false in decreasing order. Going down,
// hit returns where to go on (after p; `to` or beyond stops); going up, the
// new end (at most p; `from` or below stops). Bytes up to
// to - 1 + max(first, second) are read.
template <bool kDown, class Hit>
inline void ForEachPair(const char* from, const char* to, const BytePairFilter& f, Hit&& hit) {
#if defined(__SSE2__)
  const detail::PairVectors v(f);
  const auto run = [&]<bool kSingle>() {
    if constexpr (kDown) {
      detail::PairForward<kSingle>(from, to, f, v, hit);
    } else {
      detail::PairBackward<kSingle>(from, to, f, v, hit);
    }
  };
  if (v.single) {
    run.template operator()<true>();
  } else {
    run.template operator()<false>();
  }
#else
  if constexpr (kDown) {
    for (const char* p = from; p < to;) p = f.Holds(p) ? hit(p) : p + 1;
  } else {
    for (const char* end = to; end > from;) end = f.Holds(end - 1) ? hit(end - 1) : end - 1;
  }
#endif
}

}  // namespace varlo
