#include "platform/memory.h"

#include <windows.h>

#include <cstdint>
#include <cstring>
#include <new>

namespace varlo::platform {
namespace {

char* Commit(size_t size) {
  // Committed pages are zero and take physical memory only when touched.
  void* p = VirtualAlloc(nullptr, size, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
  if (p == nullptr) throw std::bad_alloc();
  return static_cast<char*>(p);
}

}  // namespace

void TakePages(char* p, size_t size) {
  constexpr size_t kPage = 4096;
  const auto first = reinterpret_cast<uintptr_t>(p) / kPage * kPage;
  const auto end = reinterpret_cast<uintptr_t>(p) + size;
  if (size == 0) return;
  // Locking takes the pages at once; they stay once unlocked. Where the
  // working set does not allow it, the writes take them.
  auto* from = reinterpret_cast<void*>(first);
  if (VirtualLock(from, end - first)) VirtualUnlock(from, end - first);
  for (uintptr_t at = (reinterpret_cast<uintptr_t>(p) + kPage - 1) / kPage * kPage; at < end;
       at += kPage)
    *reinterpret_cast<volatile char*>(at) = 0;
}

LargeBuffer::LargeBuffer(size_t size) {
  if (size > 0) FData = Commit(size);
  FSize = size;
}

LargeBuffer::~LargeBuffer() { Reset(); }

void LargeBuffer::Resize(size_t size) {
  if (size == FSize) return;
  if (size == 0) {
    Reset();
    return;
  }
  char* p = Commit(size);
  if (FData != nullptr) std::memcpy(p, FData, size < FSize ? size : FSize);
  Reset();
  FData = p;
  FSize = size;
}

void LargeBuffer::Prefault(size_t offset, size_t size) {
  // Memory comes in 4 KiB pages here. Under Wine, touching fresh pages one
  // by one before a read costs about half of what the read pays to take
  // them itself. A write, not a read: reading first would take each page
  // twice.
  constexpr size_t kPage = 4096;
  for (size_t at = offset; at < offset + size && at < FSize; at += kPage)
    static_cast<volatile char*>(FData)[at] = 0;
}

void LargeBuffer::Reset() {
  if (FData != nullptr) VirtualFree(FData, 0, MEM_RELEASE);
  FData = nullptr;
  FSize = 0;
}

}  // namespace varlo::platform
