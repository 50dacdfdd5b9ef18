// Shift-JIS (code page 932) rules shared by the store, the viewer and the
// search: the lead-byte test, the position-dependent kind of a byte, and the
// case mapping the platform applies under code page 932.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/cp932.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace varlo::sjis {

// A lead byte takes the next byte with it, whatever that byte's value: the
// platform's test for code page 932, whatever the system's code page is.
constexpr bool IsLeadByte(unsigned char b) { return IsLeadByte932(b); }
constexpr bool IsLeadByte(char b) { return IsLeadByte(static_cast<unsigned char>(b)); }

enum ByteKinds : int { kSingleByte = 0, kLeadByte = 1, kTrailByte = 2 };

// Kind of byte `index` (1-based) of `s`, found by walking from the first
// byte; 0 when index lies outside the string.
int ByteKind(std::string_view s, int64_t index);

// Kind of the byte at offset `pos` (0-based) when offset `from` <= pos is
// known to start a character. Looks back only over the run of lead-range
// bytes before pos, so it costs O(1) on real text instead of a walk.
inline int ByteKindFrom(std::string_view s, size_t from, size_t pos) {
  // A byte outside the lead ranges always ends a character (as a single or
  // a trail byte), so the character starts are certain right after it;
  // from there the lead-range bytes pair up.
  size_t q = pos;
#if defined(__SSE2__)
  // Sixteen bytes at a time: runs of kana and kanji can be long. As signed
  // bytes less 0x80, the lead ranges are 0x01-0x1F and 0x60-0x7C.
  const __m128i zero = _mm_setzero_si128(), top = _mm_set1_epi8(static_cast<char>(0x80));
  while (q >= from + 16) {
    const __m128i v =
        _mm_xor_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(s.data() + q - 16)), top);
    const __m128i lead =
        _mm_or_si128(_mm_and_si128(_mm_cmpgt_epi8(v, zero), _mm_cmplt_epi8(v, _mm_set1_epi8(0x20))),
                     _mm_and_si128(_mm_cmpgt_epi8(v, _mm_set1_epi8(0x5F)),
                                   _mm_cmplt_epi8(v, _mm_set1_epi8(0x7D))));
    const auto other = static_cast<unsigned>(~_mm_movemask_epi8(lead)) & 0xFFFFu;
    if (other == 0) {
      q -= 16;
      continue;
    }
    // The lead-range bytes after the last other one.
    q -= static_cast<size_t>(15 - (31 - __builtin_clz(other)));
    break;
  }
#endif
  while (q > from && IsLeadByte(s[q - 1])) --q;
  // Without a branch: on Japanese text the parity is a coin's toss.
  const int trail = static_cast<int>((pos - q) & 1);
  const int lead = IsLeadByte(s[pos]) ? 1 : 0;
  return trail * kTrailByte + (1 - trail) * lead * kLeadByte;
}

// Case of one character as the platform maps it under code page 932: ASCII
// letters, the full-width Latin, Greek and Cyrillic letters and the Roman
// numerals change; every other character, half-width katakana included,
// stays. `code` is a single byte (< 0x100) or lead << 8 | trail.
uint16_t UpperChar(uint16_t code);
uint16_t LowerChar(uint16_t code);

// The whole string mapped character by character, in place. A lead byte at
// the end of the string is a single byte and stays.
void MakeUpper(std::string& s);
void MakeLower(std::string& s);
std::string Upper(std::string_view s);

// What upper-casing maps onto a given result, for searching the unchanged
// text: the characters whose upper case is `upper` (itself included when
// it is its own), and the lead bytes that a character with lead byte `lead`
// may have had before. Each returns how many it wrote (at most 3).
int UpperPreimages(uint16_t upper, uint16_t out[3]);
int UpperLeadPreimages(unsigned char lead, unsigned char out[3]);

// One byte mapped alone, as a one-byte string: only ASCII letters change.
constexpr unsigned char UpperByte(unsigned char b) { return b >= 'a' && b <= 'z' ? b - 0x20 : b; }
constexpr unsigned char LowerByte(unsigned char b) { return b >= 'A' && b <= 'Z' ? b + 0x20 : b; }

}  // namespace varlo::sjis
