// A large byte block taken straight from the operating system: pages are
// committed when first touched, huge pages may back it (far fewer page
// faults when a file of a gigabyte is read into it), and growing it need not
// copy.
#pragma once

#include <cstddef>
#include <utility>

namespace varlo::platform {

// Makes the pages of [p, p + size) present, in one call where the system
// can (far cheaper than a fault a page under a virtual machine), then
// writes a zero to each page's first byte, which must be zero or unused.
void TakePages(char* p, size_t size);

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
  // Makes the pages of [offset, offset + size) ready before a read fills
  // them, where taking them one by one costs less than inside the read.
  // The bytes must be zero, as new bytes are, and stay so; only the thread
  // that will write them may call it.
  void Prefault(size_t offset, size_t size);
  void Reset();

 private:
  char* FData = nullptr;
  size_t FSize = 0;
};

}  // namespace varlo::platform
