// Overflow-checked integer arithmetic: sizes, offsets, counts and pixel values
// go through these so that an overflow raises instead of wrapping.
#pragma once

#include <cmath>
#include <concepts>
#include <cstdint>

#include "platform/errors.h"

namespace varlo {

template <std::integral T>
constexpr T CheckedAdd(T a, T b) {
  T r;
  if (__builtin_add_overflow(a, b, &r)) throw OverflowError();
  return r;
}

template <std::integral T>
constexpr T CheckedSub(T a, T b) {
  T r;
  if (__builtin_sub_overflow(a, b, &r)) throw OverflowError();
  return r;
}

template <std::integral T>
constexpr T CheckedMul(T a, T b) {
  T r;
  if (__builtin_mul_overflow(a, b, &r)) throw OverflowError();
  return r;
}

// Converts between integer types, raising when the value does not fit.
template <std::integral To, std::integral From>
constexpr To CheckedCast(From v) {
  To r;
  if (__builtin_add_overflow(v, From{0}, &r)) throw OverflowError();
  return r;
}

// The run-time's rounding: the nearest integer, halves to the even
// neighbour; a value beyond 64 bits raises.
inline int64_t RoundHalfEven(double v) {
  const double r = std::nearbyint(v);
  if (!(r >= -9.2233720368547758e18 && r < 9.2233720368547758e18)) throw OverflowError();
  return static_cast<int64_t>(r);
}

}  // namespace varlo
