// The fresh pages of a block that one thread (the owner) fills in order,
// touched by other threads ahead of it. Under a virtual machine the first
// write to a page can cost some 10 us, far more than the writes that fill
// it: threads that would wait for work anyway pay it instead of the owner.
// A thread touches only pages past everything the owner may write, and the
// owner writes there only after taking them under the same lock.
#pragma once

#include <algorithm>
#include <condition_variable>
#include <cstddef>
#include <mutex>

#include "platform/memory.h"

namespace varlo::platform {

class PagesAhead {
 public:
  static constexpr size_t kPage = 4096;
  static constexpr size_t kStep = 16 * kPage;

  // Pages are touched up to `lookahead` bytes past what the owner asked for
  // last.
  explicit PagesAhead(size_t lookahead) : FLookahead(lookahead) {}

  // Any thread: touches the next pages ahead of the owner, if some lie
  // within the look-ahead; false when there are none.
  bool TouchNext() {
    std::unique_lock lock(FMutex);
    if (FBlock == nullptr || FBusy) return false;
    const size_t limit = std::min(FCapacity, FAsked + FLookahead);
    if (FTouched >= limit) return false;
    const size_t from = FTouched, to = std::min(from + kStep, limit);
    char* block = FBlock;
    FBusy = true;
    lock.unlock();
    // Past anything the owner wrote.
    TakePages(block + from, to - from);
    lock.lock();
    FTouched = std::max(FTouched, to);
    FBusy = false;
    lock.unlock();
    FDone.notify_all();
    return true;
  }

  // The owner, before its block changes: no thread touches it from here on.
  void Hold() {
    std::unique_lock lock(FMutex);
    FDone.wait(lock, [&] { return !FBusy; });
    FBlock = nullptr;
  }
  // The owner, after: the block (null: none), its bytes, and how many of
  // them it has written.
  void Bind(char* block, size_t capacity, size_t written) {
    std::lock_guard lock(FMutex);
    FBlock = block;
    FCapacity = capacity;
    if (block == nullptr) FTouched = FAsked = 0;
    FAsked = std::max(FAsked, written);
    FTouched = std::max(FTouched, RoundUp(written));
  }

  // The owner writes below byte `end` next. Returns how far it may write
  // (at least `end`) before it asks again.
  size_t Claim(size_t end) {
    std::unique_lock lock(FMutex);
    // Pages being touched are waited for; the rest up to `end` the owner
    // takes itself.
    FDone.wait(lock, [&] { return !FBusy || FTouched >= end; });
    FAsked = std::max(FAsked, end);
    if (FBusy || FTouched >= end) return FTouched;
    const size_t from = FTouched;
    FTouched = RoundUp(end);
    if (FBlock != nullptr && from < FCapacity) {
      char* block = FBlock;
      const size_t to = std::min(FTouched, FCapacity);
      lock.unlock();
      TakePages(block + from, to - from);
    }
    return RoundUp(end);
  }

 private:
  static size_t RoundUp(size_t n) { return (n + kPage - 1) / kPage * kPage; }

  std::mutex FMutex;
  std::condition_variable FDone;
  char* FBlock = nullptr;
  size_t FCapacity = 0;
  size_t FTouched = 0;  // the pages before are the owner's
  size_t FAsked = 0;    // what the owner asked for last
  bool FBusy = false;   // a thread touches from FTouched on
  const size_t FLookahead;
};

}  // namespace varlo::platform
