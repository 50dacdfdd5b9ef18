// The hot loop of loading: finds the bytes that can end a line (CR) or the
// text (0x1A) in a block of bytes, 64 at a time.
#pragma once

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

}  // namespace varlo
