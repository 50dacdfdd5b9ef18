#include "platform/memory.h"

#include <sys/mman.h>

#include <new>
#include <utility>

namespace varlo::platform {
namespace {

// Huge pages only pay off for blocks of several of them.
constexpr size_t kHugeThreshold = 8u << 20;

char* Map(size_t size) {
  void* p = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (p == MAP_FAILED) throw std::bad_alloc();
  if (size >= kHugeThreshold) ::madvise(p, size, MADV_HUGEPAGE);
  return static_cast<char*>(p);
}

}  // namespace

LargeBuffer::LargeBuffer(size_t size) {
  if (size > 0) FData = Map(size);
  FSize = size;
}

LargeBuffer::~LargeBuffer() { Reset(); }

LargeBuffer::LargeBuffer(LargeBuffer&& other) noexcept
    : FData(std::exchange(other.FData, nullptr)), FSize(std::exchange(other.FSize, 0)) {}

LargeBuffer& LargeBuffer::operator=(LargeBuffer&& other) noexcept {
  if (this != &other) {
    Reset();
    FData = std::exchange(other.FData, nullptr);
    FSize = std::exchange(other.FSize, 0);
  }
  return *this;
}

void LargeBuffer::Resize(size_t size) {
  if (size == FSize) return;
  if (FData == nullptr) {
    *this = LargeBuffer(size);
    return;
  }
  if (size == 0) {
    Reset();
    return;
  }
  // mremap moves the pages, it does not copy them.
  void* p = ::mremap(FData, FSize, size, MREMAP_MAYMOVE);
  if (p == MAP_FAILED) throw std::bad_alloc();
  FData = static_cast<char*>(p);
  if (size > FSize && size >= kHugeThreshold) ::madvise(FData, size, MADV_HUGEPAGE);
  FSize = size;
}

void LargeBuffer::Reset() {
  if (FData != nullptr) ::munmap(FData, FSize);
  FData = nullptr;
  FSize = 0;
}

}  // namespace varlo::platform
