// Hot loops over contiguous bytes, 64 at a time: the bytes that can end a
// line (CR) or the text (0x1A) when loading, and the control bytes (tabs
// among them) when measuring text.
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

}  // namespace varlo
