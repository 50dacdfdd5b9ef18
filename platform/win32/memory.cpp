#include "platform/memory.h"

#include <windows.h>

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

void PresentPages(char* first, size_t bytes) {
  // Locking takes the pages at once; they stay once unlocked. Where the
  // working set does not allow it, the caller's writes take them.
  if (VirtualLock(first, bytes)) VirtualUnlock(first, bytes);
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

void LargeBuffer::Reset() {
  if (FData != nullptr) VirtualFree(FData, 0, MEM_RELEASE);
  FData = nullptr;
  FSize = 0;
}

}  // namespace varlo::platform
