// A vector of plain records kept in a LargeBuffer: for the arrays that grow
// with the file (line slots, view-line records), where huge pages and
// growth without copying matter and std::vector's element-wise semantics
// do not.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <type_traits>

#include "platform/memory.h"

namespace varlo::platform {

template <class T>
requires std::is_trivially_copyable_v<T>
class LargeVector {
 public:
  size_t size() const { return FSize; }
  bool empty() const { return FSize == 0; }
  size_t capacity() const { return FBuffer.Size() / sizeof(T); }
  T* data() { return reinterpret_cast<T*>(FBuffer.Data()); }
  const T* data() const { return reinterpret_cast<const T*>(FBuffer.Data()); }
  T& operator[](size_t i) { return data()[i]; }
  const T& operator[](size_t i) const { return data()[i]; }
  T* begin() { return data(); }
  T* end() { return data() + FSize; }
  const T* begin() const { return data(); }
  const T* end() const { return data() + FSize; }
  T& back() { return data()[FSize - 1]; }

  // Room for at least n records; grows geometrically beyond what is asked
  // only when the caller grows one record at a time (push_back, insert).
  void reserve(size_t n) {
    if (n > capacity()) FBuffer.Resize(n * sizeof(T));
  }

  // Room for at least n records, growing geometrically: for a vector that
  // grows by many records at a time (on some systems a growth copies).
  void grow_to(size_t n) {
    if (n > capacity()) GrowFor(n);
  }

  void push_back(const T& value) {
    if (FSize == capacity()) GrowFor(FSize + 1);
    data()[FSize++] = value;
  }

  void insert(size_t at, const T& value) {
    if (FSize == capacity()) GrowFor(FSize + 1);
    std::memmove(data() + at + 1, data() + at, (FSize - at) * sizeof(T));
    data()[at] = value;
    ++FSize;
  }

  void erase(size_t at) {
    std::memmove(data() + at, data() + at + 1, (FSize - at - 1) * sizeof(T));
    --FSize;
  }

  // New records are all-zero bytes.
  void resize(size_t n) {
    if (n > FSize) {
      reserve(n);
      std::memset(static_cast<void*>(data() + FSize), 0, (n - FSize) * sizeof(T));
    }
    FSize = n;
  }

  void clear() { FSize = 0; }

  // The first n records, already written through data() (n <= capacity()),
  // are the contents.
  void adopt(size_t n) { FSize = n; }

  // Gives the memory back.
  void release() {
    FBuffer.Reset();
    FSize = 0;
  }

 private:
  void GrowFor(size_t n) {
    constexpr size_t kMinimum = 4096 / sizeof(T) + 1;
    FBuffer.Resize(std::max({n, capacity() * 2, kMinimum}) * sizeof(T));
  }

  LargeBuffer FBuffer;
  size_t FSize = 0;
};

}  // namespace varlo::platform
