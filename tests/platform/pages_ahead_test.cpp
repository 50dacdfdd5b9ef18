#include "platform/pages_ahead.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <thread>
#include <vector>

#include "platform/large_vector.h"

namespace varlo::platform {
namespace {

// Threads take pages ahead while the owner fills the vector every way it
// can, grows it, clears it and lets it go: no page they take may lose a
// record the owner wrote (each record is non-zero, and a taken page gets a
// zero).
TEST(PagesAhead, ThreadsTakingPagesAheadNeverTouchWhatTheOwnerWrote) {
  LargeVector<uint32_t> v;
  v.reserve(100'000);
  uint32_t next = 1;
  while (next <= 10'000) v.push_back(next++);
  std::atomic<bool> stop = false;
  std::atomic<int> taken = 0;
  std::shared_ptr<PagesAhead> pages = v.ShareAhead(64 * 1024);
  std::vector<std::jthread> helpers;
  // The helpers end before the vector, even when a check fails.
  struct Stop {
    std::atomic<bool>& stop;
    ~Stop() { stop = true; }
  } guard{stop};
  for (int k = 0; k < 2; ++k)
    helpers.emplace_back([&] {
      while (!stop) {
        if (pages->TouchNext()) {
          ++taken;
        } else {
          std::this_thread::yield();
        }
      }
    });
  const auto check = [&] {
    for (size_t i = 0; i < v.size(); ++i) ASSERT_EQ(v[i], next - v.size() + i) << "record " << i;
  };
  check();
  for (int round = 0; round < 3; ++round) {
    // Many at a time through data(), past the reserved room, then one by
    // one, and an insert at the front.
    for (int step = 0; step < 40; ++step) {
      const size_t at = v.size(), n = 5'000;
      v.grow_to(at + n);
      for (size_t i = 0; i < n; ++i) v.data()[at + i] = next++;
      v.adopt(at + n);
      std::this_thread::yield();
    }
    for (int i = 0; i < 50'000; ++i) v.push_back(next++);
    check();
    v.insert(0, next - static_cast<uint32_t>(v.size()) - 1);
    ASSERT_EQ(v[0], v[1] - 1);
    v.erase(0);
    check();
    if (round == 1) {
      v.release();
    } else {
      v.clear();
    }
    next = 1;
  }
  stop = true;
  helpers.clear();
  EXPECT_GT(taken, 0);
  v.StopAhead();
  EXPECT_FALSE(pages->TouchNext());
}

}  // namespace
}  // namespace varlo::platform
