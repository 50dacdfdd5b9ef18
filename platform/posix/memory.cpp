#include "platform/memory.h"

#include <sys/mman.h>

#include <cstdint>
#include <new>

namespace varlo::platform {
namespace {

constexpr size_t kHugePage = size_t{2} << 20;
// Huge pages only pay off for blocks of several of them.
constexpr size_t kHugeThreshold = 4 * kHugePage;

size_t RoundUp(size_t n, size_t to) { return (n + to - 1) / to * to; }

// Fresh zero pages. Large blocks start on a huge-page boundary, so that
// huge pages can back them (far fewer page faults for a gigabyte).
char* Map(size_t size) {
  if (size < kHugeThreshold) {
    void* p = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED) throw std::bad_alloc();
    return static_cast<char*>(p);
  }
  const size_t span = size + kHugePage;
  void* p = ::mmap(nullptr, span, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (p == MAP_FAILED) throw std::bad_alloc();
  auto* raw = static_cast<char*>(p);
  auto* aligned = reinterpret_cast<char*>(RoundUp(reinterpret_cast<uintptr_t>(raw), kHugePage));
  if (aligned > raw) ::munmap(raw, static_cast<size_t>(aligned - raw));
  if (const size_t tail = static_cast<size_t>(raw + span - (aligned + size)); tail > 0)
    ::munmap(aligned + size, tail);
  ::madvise(aligned, size, MADV_HUGEPAGE);
  return aligned;
}

// What a block of `size` bytes maps: whole pages, whole huge pages when large.
size_t Rounded(size_t size) {
  return size < kHugeThreshold ? RoundUp(size, 4096) : RoundUp(size, kHugePage);
}

}  // namespace

void PresentPages(char* first, size_t bytes) {
#ifdef MADV_POPULATE_WRITE
  ::madvise(first, bytes, MADV_POPULATE_WRITE);
#else
  (void)first;
  (void)bytes;
#endif
}

LargeBuffer::LargeBuffer(size_t size) {
  if (size > 0) FData = Map(Rounded(size));
  FSize = size;
}

LargeBuffer::~LargeBuffer() { Reset(); }

void LargeBuffer::Resize(size_t size) {
  if (size == FSize) return;
  if (FData == nullptr || size == 0) {
    *this = LargeBuffer(size);
    return;
  }
  const size_t oldMapped = Rounded(FSize), newMapped = Rounded(size);
  if (newMapped <= oldMapped) {
    // Shrinking keeps the pages; what lies past the new end is unused.
    if (size < FSize && newMapped < oldMapped) ::munmap(FData + newMapped, oldMapped - newMapped);
    FSize = size;
    return;
  }
  // Growing: a fresh aligned block, then the old pages moved (not copied)
  // to its start.
  char* fresh = Map(newMapped);
  void* moved = ::mremap(FData, oldMapped, oldMapped, MREMAP_MAYMOVE | MREMAP_FIXED, fresh);
  if (moved == MAP_FAILED) {
    ::munmap(fresh, newMapped);
    throw std::bad_alloc();
  }
  FData = fresh;
  FSize = size;
}

void LargeBuffer::Reset() {
  if (FData != nullptr) ::munmap(FData, Rounded(FSize));
  FData = nullptr;
  FSize = 0;
}

}  // namespace varlo::platform
