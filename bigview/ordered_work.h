// Pieces of one long job (chunks of a file to index, windows of a text to
// search) done on several threads and handed out in their order: each
// thread takes the next piece and an item to fill from a fixed set, reused,
// so that the threads run ahead of the one that takes the items by as many
// items as the set has.
#pragma once

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <limits>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace varlo {

template <class Item>
class OrderedWork {
 public:
  // Fills the item for piece `index` (a thread of its own calls it), with a
  // buffer that is that thread's own while it runs; false when no piece
  // after it counts.
  using Work = std::function<bool(Item& item, int64_t index, std::vector<char>& scratch)>;

  // Work a thread may do while it waits for a free item; false when there
  // is none.
  using Spare = std::function<bool()>;

  // Pieces [0, count), on `threads` threads (0: one a core, at most 8),
  // with `items` items per thread. `held` of the threads (but never all)
  // wait for Wake before they take a piece or do spare work.
  OrderedWork(int64_t count, int threads, int items, Work work, Spare spare = {}, int held = 0)
      : FWork(std::move(work)), FSpare(std::move(spare)), FLimit(count) {
    if (threads <= 0)
      threads = static_cast<int>(std::clamp(std::thread::hardware_concurrency(), 1u, 8u));
    threads = static_cast<int>(std::clamp<int64_t>(count, 1, threads));
    FAwake = std::max(1, threads - std::max(held, 0));
    for (int k = 0; k < items * threads; ++k) {
      FItems.push_back(std::make_unique<Item>());
      FFree.push_back(FItems.back().get());
    }
    for (int k = 0; k < threads; ++k) FThreads.emplace_back([this, k] { Run(k); });
  }
  ~OrderedWork() { Stop(); }
  OrderedWork(const OrderedWork&) = delete;
  OrderedWork& operator=(const OrderedWork&) = delete;

  // The next piece's item in order, waiting up to `waitMs` milliseconds
  // for it; null when it is not ready yet, or when every piece was taken
  // (Finished). Give it back with Release.
  Item* Next(int waitMs) {
    std::unique_lock lock(FMutex);
    const auto ready = [&] { return FTaken >= FLimit || FReady.count(FTaken) > 0; };
    if (waitMs > 0) FChanged.wait_for(lock, std::chrono::milliseconds(waitMs), ready);
    if (FTaken >= FLimit) return nullptr;
    const auto it = FReady.find(FTaken);
    if (it == FReady.end()) return nullptr;
    Item* item = it->second;
    FReady.erase(it);
    ++FTaken;
    return item;
  }
  void Release(Item* item) {
    {
      std::lock_guard lock(FMutex);
      FFree.push_back(item);
    }
    FChanged.notify_all();
  }
  bool Finished() const {
    std::lock_guard lock(FMutex);
    return FTaken >= FLimit;
  }
  // The threads held back go to work. Cheap once they have: the window
  // calls it at every turn.
  void Wake() {
    {
      std::lock_guard lock(FMutex);
      if (FAwake == kAllAwake) return;
      FAwake = kAllAwake;
    }
    FChanged.notify_all();
  }
  // Stops the threads once the pieces they are at are done.
  void Stop() {
    {
      std::lock_guard lock(FMutex);
      FStop = true;
    }
    FChanged.notify_all();
    for (std::thread& t : FThreads)
      if (t.joinable()) t.join();
  }

 private:
  void Run(int ordinal) {
    // Not thread_local: MinGW frees a thread's storage before it runs the
    // destructors of its thread_local objects.
    std::vector<char> scratch;
    for (;;) {
      Item* item = nullptr;
      int64_t index = 0;
      {
        std::unique_lock lock(FMutex);
        const auto ready = [&] {
          return FStop || (ordinal < FAwake && (FClaimed >= FLimit || !FFree.empty()));
        };
        while (!ready()) {
          if (FSpare && ordinal < FAwake) {
            lock.unlock();
            const bool did = FSpare();
            lock.lock();
            if (did) continue;
          }
          FChanged.wait(lock, ready);
        }
        if (FStop || FClaimed >= FLimit) return;
        item = FFree.back();
        FFree.pop_back();
        index = FClaimed++;
      }
      const bool more = FWork(*item, index, scratch);
      {
        std::lock_guard lock(FMutex);
        FReady[index] = item;
        if (!more) FLimit = std::min(FLimit, index + 1);
      }
      FChanged.notify_all();
    }
  }

  Work FWork;
  Spare FSpare;
  mutable std::mutex FMutex;
  std::condition_variable FChanged;
  std::vector<std::unique_ptr<Item>> FItems;
  std::vector<Item*> FFree;
  std::map<int64_t, Item*> FReady;
  int64_t FLimit;        // pieces that count: fewer once a piece says so
  int64_t FClaimed = 0;  // pieces given to threads
  int64_t FTaken = 0;    // pieces handed out in order
  bool FStop = false;
  static constexpr int kAllAwake = std::numeric_limits<int>::max();
  int FAwake = 0;  // threads [0, FAwake) may work
  std::vector<std::thread> FThreads;
};

}  // namespace varlo
