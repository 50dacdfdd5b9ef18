// A vector of plain records kept in a LargeBuffer: for the arrays that grow
// with the file (line slots, view-line records), where huge pages and
// growth without copying matter and std::vector's element-wise semantics
// do not. The owner writes past size() only after grow_to, push_back,
// insert or resize has asked for room, so that other threads may take the
// fresh pages ahead of it (ShareAhead).
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <memory>
#include <type_traits>
#include <utility>

#include "platform/memory.h"
#include "platform/pages_ahead.h"

namespace varlo::platform {

template <class T>
requires std::is_trivially_copyable_v<T>
class LargeVector {
 public:
  LargeVector() = default;
  // Moving stops the touching ahead of both.
  LargeVector(LargeVector&& other) noexcept {
    other.StopAhead();
    FBuffer = std::move(other.FBuffer);
    FSize = std::exchange(other.FSize, 0);
  }
  LargeVector& operator=(LargeVector&& other) noexcept {
    if (this != &other) {
      StopAhead();
      other.StopAhead();
      FBuffer = std::move(other.FBuffer);
      FSize = std::exchange(other.FSize, 0);
    }
    return *this;
  }
  ~LargeVector() { StopAhead(); }

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

  // Room for at least n records, not yet to be written; grows
  // geometrically beyond what is asked only when the caller grows one
  // record at a time (push_back, insert).
  void reserve(size_t n) {
    if (n > capacity()) Rebuffer([&] { FBuffer.Resize(n * sizeof(T)); });
  }

  // reserve(n), with the fresh pages taken together (TakePages): for a
  // vector reused for pieces of work, whose first growth would otherwise
  // fault them in one by one.
  void reserve_taken(size_t n) {
    if (n <= capacity()) return;
    reserve(n);
    TakePages(reinterpret_cast<char*>(data() + FSize), (capacity() - FSize) * sizeof(T));
  }

  // Room for at least n records, growing geometrically, to be written
  // through data(): for a vector that grows by many records at a time (on
  // some systems a growth copies).
  void grow_to(size_t n) {
    if (n > capacity()) GrowFor(n);
    Claim(n);
  }
  // Records from data() on that may be written without asking for room
  // again: the capacity, unless pages are touched ahead.
  size_t writable() const { return FAhead ? std::min(FClaimed, capacity()) : capacity(); }

  void push_back(const T& value) {
    if (FSize == capacity()) GrowFor(FSize + 1);
    Claim(FSize + 1);
    data()[FSize++] = value;
  }

  void insert(size_t at, const T& value) {
    if (FSize == capacity()) GrowFor(FSize + 1);
    Claim(FSize + 1);
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
      Claim(n);
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
    Rebuffer([&] { FBuffer.Reset(); });
    FSize = 0;
  }

  // Lets other threads touch, through the handle, the fresh pages of up to
  // `records` past the room this vector's owner asked for last.
  std::shared_ptr<PagesAhead> ShareAhead(size_t records = size_t{1} << 20) {
    StopAhead();
    FAhead = std::make_shared<PagesAhead>(records * sizeof(T));
    FAhead->Bind(FBuffer.Data(), FBuffer.Size(), FSize * sizeof(T));
    FClaimed = FSize;
    return FAhead;
  }
  // No thread touches the pages any more.
  void StopAhead() {
    if (FAhead == nullptr) return;
    FAhead->Hold();
    FAhead.reset();
  }

 private:
  void GrowFor(size_t n) {
    constexpr size_t kMinimum = 4096 / sizeof(T) + 1;
    Rebuffer([&] { FBuffer.Resize(std::max({n, capacity() * 2, kMinimum}) * sizeof(T)); });
  }
  // The block changes while no other thread touches it.
  template <class Change>
  void Rebuffer(Change change) {
    if (FAhead) FAhead->Hold();
    change();
    if (FAhead) {
      FAhead->Bind(FBuffer.Data(), FBuffer.Size(), FSize * sizeof(T));
      if (FBuffer.Data() == nullptr) FClaimed = 0;
    }
  }
  // Records below n are written next.
  void Claim(size_t n) {
    if (FAhead && n > FClaimed) FClaimed = FAhead->Claim(n * sizeof(T)) / sizeof(T);
  }

  LargeBuffer FBuffer;
  size_t FSize = 0;
  std::shared_ptr<PagesAhead> FAhead;
  size_t FClaimed = 0;  // records the owner may write, with FAhead
};

}  // namespace varlo::platform
