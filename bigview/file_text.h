// The bytes of the text the line store indexes. A large file stays where it
// is: its bytes are read again when they are needed, a block at a time,
// and each block read back is checked against the sum taken when it was
// indexed, so that a file changed underneath is noticed instead of shown
// mixed from two versions. Once indexed, the file is not held open: each
// read opens it again and checks that the name still leads to the same
// file, so that the program writing it can cut, rename, delete and create
// it anew. Text that is small, or cannot be read again (a pipe, a stream,
// a text handed over), is kept in memory instead.
#pragma once

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/errors.h"
#include "platform/file.h"
#include "platform/memory.h"

namespace varlo {

// The file no longer holds the text that was indexed: a block reads back
// different, the file has become shorter, or its name leads to another
// file now.
class TextChangedError : public Exception {
 public:
  TextChangedError();
};

// The file could not be read again (a share that went away, a region
// another program locked, a file deleted): the message names the file and
// the cause.
class TextReadError : public InOutError {
 public:
  using InOutError::InOutError;
};

// A short sum of a block's bytes: a change of its bytes changes it, but for
// a chance of one in 2^64.
uint64_t BlockSum(const char* data, size_t n);
// The ways to sum, all with the same result: plain words, then vectors of
// what every processor of the platform has, then wider ones where this one
// has them, the fastest last.
enum class SumWay { kPlain, kBase, kWide };
std::vector<SumWay> SumWays();
uint64_t BlockSumBy(SumWay way, const char* data, size_t n);
// Appends the sums of the blocks of `block` bytes that `data` holds, the
// last one perhaps shorter.
void AppendBlockSums(const char* data, size_t n, size_t block, std::vector<uint64_t>& sums);

class TFileText {
 public:
  static constexpr size_t kBlock = size_t{64} << 10;
  static constexpr size_t kCacheBytes = size_t{16} << 20;

  // Text in memory: the first `size` bytes of the buffer.
  TFileText(platform::LargeBuffer bytes, size_t size);
  // The first `size` bytes of a file that can be read again, in blocks of
  // `block` bytes (a power of two), of which the cache keeps `cacheBytes`.
  // The file stays open until ReleaseFile.
  TFileText(std::shared_ptr<const platform::ReadOnlyFile> file, int64_t size, size_t block = kBlock,
            size_t cacheBytes = kCacheBytes);
  TFileText(const TFileText&) = delete;
  TFileText& operator=(const TFileText&) = delete;

  int64_t Size() const { return FSize; }
  size_t BlockSize() const { return FBlock; }
  int64_t BlockCount() const {
    return (FSize + static_cast<int64_t>(FBlock) - 1) / static_cast<int64_t>(FBlock);
  }
  // The bytes, when they are in memory; null when they are in the file.
  const char* Memory() const { return FMemory.Data(); }
  // The file open now (opened again if it was let go).
  std::shared_ptr<const platform::ReadOnlyFile> File() const;

  // Lets the file go: from now on each read opens it again, checked to be
  // the same file.
  void ReleaseFile();
  // Keeps the file open for a scan of many reads (a search, a layout).
  class Hold {
   public:
    explicit Hold(const TFileText* text);
    ~Hold();
    Hold(const Hold&) = delete;
    Hold& operator=(const Hold&) = delete;

   private:
    const TFileText* FText;
  };

  // The sums of the next blocks in order, as indexing takes them. A block
  // without a sum yet is not checked.
  void AddSums(const uint64_t* sums, size_t n);
  int64_t SummedBlocks() const { return FSummed.load(std::memory_order_acquire); }
  // The text ends at `size` (< Size()) from now on: the file was cut while
  // it was indexed, and the sums taken cover what was there.
  void Truncate(int64_t size) { FSize = std::min(FSize, size); }

  // Copies [offset, offset + n) to `out` through the cache. Raises
  // TextChangedError, or TextReadError when the file cannot be read.
  void Read(int64_t offset, size_t n, char* out);
  std::string Read(int64_t offset, size_t n);

  // The bytes of blocks [first, first + count) (the last block of the text
  // may be shorter), checked unless `check` is off, without filling the
  // cache: a view into memory, or into `buffer`, which is resized. Safe
  // from several threads at once.
  std::string_view ReadBlocks(int64_t first, int64_t count, std::vector<char>& buffer,
                              bool check = true) const;

  // The file grew to `size`: its blocks from `resum` on are summed again as
  // indexing takes them, and each that was whole before must sum as it did.
  // The caller has checked the last block (SameTail).
  void Grow(int64_t size, int64_t resum);
  // The last block of the text reads from `file` as it was indexed.
  bool SameTail(const platform::ReadOnlyFile& file) const;

  // Checks every `every`-th block and the last one against their sums:
  // cheap evidence that the file was not rewritten while it was indexed
  // (after it grew: the blocks indexed since).
  // Raises as Read does.
  void CheckSample(int64_t every) const;

  // Bytes the cache holds, for the benchmarks.
  size_t CacheBytes() const;

 private:
  // Reads [offset, offset + n) of the file; TextReadError when that fails.
  size_t ReadFile(int64_t offset, char* out, size_t n) const;
  // Checks block k, whose bytes are `got` long (the block's length when the
  // file still holds them all).
  void Check(int64_t k, const char* data, size_t got) const;
  size_t BlockLength(int64_t k) const;
  const char* CachedBlock(int64_t k);

  platform::LargeBuffer FMemory;
  std::filesystem::path FName;
  platform::FileIdentity FIdentity;
  int64_t FSize = 0;
  size_t FBlock = kBlock;
  int FBlockShift = 16;
  size_t FCacheBlocks = 0;
  // Sums of blocks [0, FSummed); room for every block of the text.
  std::unique_ptr<uint64_t[]> FSums;
  std::atomic<int64_t> FSummed{0};
  // Blocks [0, FKnown) were summed whole before the file grew; indexing
  // went on from block FResumed.
  int64_t FKnown = 0;
  int64_t FResumed = 0;

  // The open file (null once let go and not held), and the holds on it.
  mutable std::mutex FMutex;
  mutable std::shared_ptr<const platform::ReadOnlyFile> FFile;
  mutable int FHolds = 0;
  bool FReleased = false;
  // The cache, least recently used first; looked into by scans as well.
  struct Entry {
    int64_t block;
    std::unique_ptr<char[]> bytes;
  };
  std::list<Entry> FOrder;
  std::unordered_map<int64_t, std::list<Entry>::iterator> FCache;
};

}  // namespace varlo
