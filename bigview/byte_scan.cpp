// The places a search may start at, found 32 or 64 at a time: the loop a
// search with no hit spends its time in, beside the reads.
#include "bigview/byte_scan.h"

#if defined(__SSE2__)
#include <immintrin.h>
#endif

namespace varlo {
namespace {

// A place at a time: the places after the last group of bytes compared at
// once, or all of them where there are no vectors.
const char* NextPlain(const char* p, const char* to, const BytePairFilter& f) {
  for (; p < to; ++p)
    if (f.Holds(p)) return p;
  return to;
}
const char* PriorPlain(const char* from, const char* end, const BytePairFilter& f) {
  for (; end > from; --end)
    if (f.Holds(end - 1)) return end - 1;
  return nullptr;
}

#if defined(__SSE2__)
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

bool Single(const BytePairFilter& f) {
  return OneCompare(f.a).possible && OneCompare(f.b).possible;
}

// What a place's two bytes are compared with: a set of up to three bytes
// each, or, for one compare each, bits to set and the value they make.
struct PairBytes {
  size_t first, second;
  unsigned char a[3], b[3];
  explicit PairBytes(const BytePairFilter& f, bool single) : first(f.first), second(f.second) {
    if (single) {
      const OneCompare x(f.a), y(f.b);
      a[0] = x.bits, a[1] = a[2] = x.value;
      b[0] = y.bits, b[1] = b[2] = y.value;
    } else {
      std::copy(f.a.begin(), f.a.end(), a);
      std::copy(f.b.begin(), f.b.end(), b);
    }
  }
};

// Bit i of Mask: the place p + i passes, for kStep places; 16 or 32 bytes
// a compare. No vector crosses a call: the Windows compiler does not align
// its stack for the wide ones.
struct Bytes16 {
  static constexpr size_t kStep = 32;
  template <bool kSingle>
  [[gnu::always_inline]] static uint64_t Mask(const char* p, const PairBytes& c) {
    uint64_t mask = 0;
    for (size_t k = 0; k < 2; ++k) {
      const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * k + c.first));
      const __m128i y = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * k + c.second));
      const auto set = [](unsigned char v) { return _mm_set1_epi8(static_cast<char>(v)); };
      __m128i ex, ey;
      if constexpr (kSingle) {
        ex = _mm_cmpeq_epi8(_mm_or_si128(x, set(c.a[0])), set(c.a[1]));
        ey = _mm_cmpeq_epi8(_mm_or_si128(y, set(c.b[0])), set(c.b[1]));
      } else {
        ex = _mm_or_si128(
            _mm_cmpeq_epi8(x, set(c.a[0])),
            _mm_or_si128(_mm_cmpeq_epi8(x, set(c.a[1])), _mm_cmpeq_epi8(x, set(c.a[2]))));
        ey = _mm_or_si128(
            _mm_cmpeq_epi8(y, set(c.b[0])),
            _mm_or_si128(_mm_cmpeq_epi8(y, set(c.b[1])), _mm_cmpeq_epi8(y, set(c.b[2]))));
      }
      mask |= static_cast<uint64_t>(static_cast<uint32_t>(_mm_movemask_epi8(_mm_and_si128(ex, ey))))
              << (16 * k);
    }
    return mask;
  }
};

struct Bytes32 {
  static constexpr size_t kStep = 64;
  template <bool kSingle>
  [[gnu::target("avx2")]] static uint64_t Mask(const char* p, const PairBytes& c) {
    uint64_t mask = 0;
    for (size_t k = 0; k < 2; ++k) {
      const __m256i x = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 32 * k + c.first));
      const __m256i y = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 32 * k + c.second));
      __m256i ex, ey;
      if constexpr (kSingle) {
        ex = _mm256_cmpeq_epi8(_mm256_or_si256(x, _mm256_set1_epi8(static_cast<char>(c.a[0]))),
                               _mm256_set1_epi8(static_cast<char>(c.a[1])));
        ey = _mm256_cmpeq_epi8(_mm256_or_si256(y, _mm256_set1_epi8(static_cast<char>(c.b[0]))),
                               _mm256_set1_epi8(static_cast<char>(c.b[1])));
      } else {
        ex = _mm256_or_si256(
            _mm256_cmpeq_epi8(x, _mm256_set1_epi8(static_cast<char>(c.a[0]))),
            _mm256_or_si256(_mm256_cmpeq_epi8(x, _mm256_set1_epi8(static_cast<char>(c.a[1]))),
                            _mm256_cmpeq_epi8(x, _mm256_set1_epi8(static_cast<char>(c.a[2])))));
        ey = _mm256_or_si256(
            _mm256_cmpeq_epi8(y, _mm256_set1_epi8(static_cast<char>(c.b[0]))),
            _mm256_or_si256(_mm256_cmpeq_epi8(y, _mm256_set1_epi8(static_cast<char>(c.b[1]))),
                            _mm256_cmpeq_epi8(y, _mm256_set1_epi8(static_cast<char>(c.b[2])))));
      }
      mask |= static_cast<uint64_t>(
                  static_cast<uint32_t>(_mm256_movemask_epi8(_mm256_and_si256(ex, ey))))
              << (32 * k);
    }
    return mask;
  }
};

template <class B, bool kSingle>
[[gnu::always_inline]] inline const char* Next(const char* p, const char* to,
                                               const BytePairFilter& f) {
  const PairBytes c(f, kSingle);
  for (; to - p >= static_cast<ptrdiff_t>(B::kStep); p += B::kStep)
    if (const uint64_t m = B::template Mask<kSingle>(p, c)) return p + __builtin_ctzll(m);
  return NextPlain(p, to, f);
}

template <class B, bool kSingle>
[[gnu::always_inline]] inline const char* Prior(const char* from, const char* end,
                                                const BytePairFilter& f) {
  const PairBytes c(f, kSingle);
  for (; end - from >= static_cast<ptrdiff_t>(B::kStep); end -= B::kStep)
    if (const uint64_t m = B::template Mask<kSingle>(end - B::kStep, c))
      return end - B::kStep + (63 - __builtin_clzll(m));
  return PriorPlain(from, end, f);
}

const char* NextBase(const char* from, const char* to, const BytePairFilter& f) {
  return Single(f) ? Next<Bytes16, true>(from, to, f) : Next<Bytes16, false>(from, to, f);
}
const char* PriorBase(const char* from, const char* to, const BytePairFilter& f) {
  return Single(f) ? Prior<Bytes16, true>(from, to, f) : Prior<Bytes16, false>(from, to, f);
}
[[gnu::target("avx2"), gnu::flatten]] const char* NextWide(const char* from, const char* to,
                                                           const BytePairFilter& f) {
  return Single(f) ? Next<Bytes32, true>(from, to, f) : Next<Bytes32, false>(from, to, f);
}
[[gnu::target("avx2"), gnu::flatten]] const char* PriorWide(const char* from, const char* to,
                                                            const BytePairFilter& f) {
  return Single(f) ? Prior<Bytes32, true>(from, to, f) : Prior<Bytes32, false>(from, to, f);
}
#else
const char* NextBase(const char* from, const char* to, const BytePairFilter& f) {
  return NextPlain(from, to, f);
}
const char* PriorBase(const char* from, const char* to, const BytePairFilter& f) {
  return PriorPlain(from, to, f);
}
#endif

}  // namespace

std::vector<PairWay> PairWays() {
  std::vector<PairWay> ways{PairWay::kBase};
#if defined(__SSE2__)
  if (__builtin_cpu_supports("avx2")) ways.push_back(PairWay::kWide);
#endif
  return ways;
}

const char* NextPairBy(PairWay way, const char* from, const char* to, const BytePairFilter& f) {
#if defined(__SSE2__)
  if (way == PairWay::kWide) return NextWide(from, to, f);
#endif
  (void)way;
  return NextBase(from, to, f);
}

const char* PriorPairBy(PairWay way, const char* from, const char* to, const BytePairFilter& f) {
#if defined(__SSE2__)
  if (way == PairWay::kWide) return PriorWide(from, to, f);
#endif
  (void)way;
  return PriorBase(from, to, f);
}

const char* NextPair(const char* from, const char* to, const BytePairFilter& f) {
  static const PairWay best = PairWays().back();
  return NextPairBy(best, from, to, f);
}

const char* PriorPair(const char* from, const char* to, const BytePairFilter& f) {
  static const PairWay best = PairWays().back();
  return PriorPairBy(best, from, to, f);
}

}  // namespace varlo
