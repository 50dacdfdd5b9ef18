// A large byte block taken straight from the operating system: pages are
// committed when first touched, huge pages may back it (far fewer page
// faults when a file of a gigabyte is read into it), and growing it need not
// copy.
#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

namespace varlo::platform {

// Makes the whole pages [first, first + bytes) present in one call where
// the system can; leaves them as they are where it cannot.
void PresentPages(char* first, size_t bytes);

// Makes the pages of [p, p + size) present, in one call where the system
// can (far cheaper than a fault a page under a virtual machine), then
// writes a zero to each page's first byte in it, which must be zero or
// unused.
inline void TakePages(char* p, size_t size) {
  constexpr uintptr_t kPage = 4096;
  if (size == 0) return;
  const auto start = reinterpret_cast<uintptr_t>(p);
  const uintptr_t first = start / kPage * kPage, end = start + size;
  PresentPages(reinterpret_cast<char*>(first), end - first);
  for (uintptr_t at = (start + kPage - 1) / kPage * kPage; at < end; at += kPage)
    *reinterpret_cast<volatile char*>(at) = 0;
}

// Room for `n` records in a vector that is reused for large pieces of work
// (a read buffer, a chunk's records), its fresh pages taken together: its
// first growth would otherwise fault them in one by one.
template <class T>
void ReserveTaken(std::vector<T>& v, size_t n) {
  if (n <= v.capacity()) return;
  v.reserve(n);
  TakePages(reinterpret_cast<char*>(v.data() + v.size()), (n - v.size()) * sizeof(T));
}

class LargeBuffer {
 public:
  LargeBuffer() = default;
  explicit LargeBuffer(size_t size);
  ~LargeBuffer();
  LargeBuffer(LargeBuffer&& other) noexcept
      : FData(std::exchange(other.FData, nullptr)), FSize(std::exchange(other.FSize, 0)) {}
  LargeBuffer& operator=(LargeBuffer&& other) noexcept {
    if (this != &other) {
      Reset();
      FData = std::exchange(other.FData, nullptr);
      FSize = std::exchange(other.FSize, 0);
    }
    return *this;
  }
  LargeBuffer(const LargeBuffer&) = delete;
  LargeBuffer& operator=(const LargeBuffer&) = delete;

  char* Data() const { return FData; }
  size_t Size() const { return FSize; }
  // Keeps the first min(old, new) bytes; new bytes are zero. Raises
  // std::bad_alloc when the system refuses.
  void Resize(size_t size);
  void Reset();

 private:
  char* FData = nullptr;
  size_t FSize = 0;
};

}  // namespace varlo::platform
