// The store at its limits: a file beyond 2 GiB, and one line more than the
// store can hold. Native only: each needs gigabytes of memory.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "bigview/line_store.h"
#include "tests/support/temp_dir.h"

namespace varlo {
namespace {

TEST(LineStoreLimits, AFileBeyondTwoGigabytesLoads) {
  testing::TempDir dir;
  const auto path = dir.Path() / "big.txt";
  // A sparse file: 2.5 GiB of NUL bytes, which are ordinary line bytes, then
  // short lines, that start too far from the first for the compact index.
  const uint64_t size = uint64_t{5} << 29;
  {
    std::ofstream out(path, std::ios::binary);
    out.seekp(static_cast<std::streamoff>(size - 1));
    out.put('\0');
    out << "\r\nb\r\nc\r\nlast";
  }
  TBvStrings store;
  store.LoadFromFile(path);
  ASSERT_EQ(store.Count(), 4);
  EXPECT_EQ(store.Length(0), size);
  EXPECT_EQ(store.Get(1), "b");
  EXPECT_EQ(store.Get(2), "c");
  EXPECT_EQ(store.Get(3), "last");
}

TEST(LineStoreLimits, OneLineTooManyFailsAndLeavesTheStoreEmpty) {
  testing::TempDir dir;
  const auto path = dir.Path() / "many.txt";
  {
    // Each lone CR ends an empty line: one line more than the store holds,
    // and more text after it, which the reading thread may still be
    // reading when the limit is reached.
    std::ofstream out(path, std::ios::binary);
    const std::string block(1 << 20, '\r');
    for (int64_t left = kMaxListSize + 1; left > 0; left -= static_cast<int64_t>(block.size()))
      out.write(block.data(), std::min<int64_t>(left, static_cast<int64_t>(block.size())));
    const std::string more(1 << 20, 'x');
    for (int i = 0; i < 64; ++i) out.write(more.data(), static_cast<std::streamsize>(more.size()));
  }
  TBvStrings store;
  store.Add("previous");
  EXPECT_THROW(store.LoadFromFile(path), TooManyLinesError);
  EXPECT_EQ(store.Count(), 0);
  EXPECT_EQ(store.Capacity(), 0);

  // Exactly the limit loads.
  std::filesystem::resize_file(path, static_cast<uintmax_t>(kMaxListSize));
  store.LoadFromFile(path);
  EXPECT_EQ(store.Count(), kMaxListSize);
  EXPECT_EQ(store.Capacity(), kMaxListSize);
  EXPECT_THROW(store.Add("x"), Exception);
}

}  // namespace
}  // namespace varlo
