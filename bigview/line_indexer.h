// Indexing a file's lines: one pass over the file in chunks, on as many
// threads as help, each reading into a buffer of its own that it reuses.
// For each chunk a thread finds the line ends, counts the tabs of each
// line, sums each block (so that a block read back later can be checked)
// and, when asked, lays out the lines that lie wholly inside the chunk. The
// chunks are handed out in file order, to be merged into the store and the
// layout on the thread that owns them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <vector>

#include "bigview/ordered_work.h"
#include "bigview/view_lines.h"
#include "platform/file.h"

namespace varlo {

// What a chunk of text holds for the index, found by ScanChunk.
struct TChunkScan {
  int64_t Begin = 0;  // file offset of the chunk's first byte
  size_t Size = 0;    // its bytes
  // Each CR from the scan's start on, in order: its offset from Begin,
  // shifted left by one, with bit 0 set when an LF follows it.
  std::vector<uint32_t> Breaks;
  // The offset from Begin of a 0x1A that ends the text, or -1: nothing from
  // there on is scanned.
  int64_t TextEnd = -1;
  // Tabs before the first CR, and after the last (all of them when there is
  // no CR); and of each line between two CRs, up to 255.
  uint32_t HeadTabs = 0, TailTabs = 0;
  std::vector<uint8_t> Tabs;

  // Where the line after break i starts, from Begin.
  size_t NextStart(size_t i) const { return StartAfter(Breaks[i]); }
  size_t BreakAt(size_t i) const { return BreakOf(Breaks[i]); }
  // The same of one entry of Breaks.
  static size_t StartAfter(uint32_t b) { return BreakOf(b) + 1 + (b & 1); }
  static size_t BreakOf(uint32_t b) { return b >> 1; }
};

// Scans bytes[from, size) of a chunk by the file's line rules. `next` is the
// byte after the chunk, or -1 when the text ends there.
void ScanChunk(const char* bytes, size_t from, size_t size, int next, TChunkScan& out);

// The ways ScanChunk may take, all with the same result: with what every
// processor of the platform has, then with the instructions this one adds,
// the fastest last.
enum class ScanWay { kBase, kCountingBits, kWide };
std::vector<ScanWay> ScanWays();
void ScanChunkBy(ScanWay way, const char* bytes, size_t from, size_t size, int next,
                 TChunkScan& out);

class TLineIndexer {
 public:
  // Chunks are large, so that the threads seldom meet (each meeting is a
  // call to the system under Wine: four megabytes beat one there, though
  // one keeps more of a chunk in the core's cache); the first is small, so
  // that the first page shows soon.
  static constexpr size_t kChunk = size_t{4} << 20;
  static constexpr size_t kFirstChunk = size_t{256} << 10;
  static constexpr size_t kEdgeBytes = size_t{64} << 10;

  struct Chunk : TChunkScan {
    std::vector<uint64_t> Sums;  // of the chunk's blocks, in order
    // The lines between two CRs laid out (line 0: the one after the first
    // CR), and the longest view line among them.
    bool LaidOut = false;
    // With a layout: the bytes before the first CR (from HeadFrom, a file
    // offset) and after the last, for the lines that run over the chunk's
    // edges; unless there are more than kEdgeBytes of them.
    std::string Head, Tail;
    int64_t HeadFrom = 0;
    bool HeadWhole = false, TailWhole = false;
    ViewLines Layout;
    int64_t Longest = 0;
    // The file ended before the chunk did: it was cut while being indexed.
    bool Short = false;
    std::exception_ptr Error;  // the read failed
  };
  // Lays out a chunk's lines between two CRs (bytes: the chunk's).
  using LayoutFn = std::function<void(Chunk& chunk, const char* bytes)>;

  struct Plan {
    int64_t Begin = 0;                // where the first chunk starts: a block boundary
    int64_t ScanFrom = 0;             // where lines are looked for first (>= Begin)
    int64_t End = 0;                  // where the text ends
    size_t Block = 0;                 // block size, a power of two
    size_t ChunkBytes = kChunk;       // a multiple of Block
    size_t FirstChunkBytes = kChunk;  // the first chunk's, a multiple of Block
    int Threads = 0;                  // 0: one per core, at most 8
    // Threads that wait for Wake: a core left to a window that is drawing
    // its first page.
    int Held = 0;
  };

  // Reads the file, or the text in memory when `memory` is not null.
  // `spare` is work for a thread that waits for a chunk to be merged.
  TLineIndexer(std::shared_ptr<const platform::ReadOnlyFile> file, const char* memory,
               const Plan& plan, LayoutFn layout, OrderedWork<Chunk>::Spare spare = {});

  // The next chunk in file order, waiting for it up to `waitMs`
  // milliseconds; null when it is not ready yet, or when every chunk was
  // taken (Finished). Give it back with Release once merged.
  Chunk* Next(int waitMs) { return FWork.Next(waitMs); }
  void Release(Chunk* chunk) { FWork.Release(chunk); }
  // Every chunk was taken.
  bool Finished() const { return FWork.Finished(); }
  // The threads held back go to work.
  void Wake() { FWork.Wake(); }
  // Stops the threads; no more chunks come.
  void Stop() { FWork.Stop(); }
  const Plan& GetPlan() const { return FPlan; }

 private:
  // Reads chunk `index` into `buffer` and scans it; false when nothing
  // after it counts.
  bool Fill(Chunk& c, int64_t index, std::vector<char>& buffer);
  int64_t Chunks() const;
  // Where chunk `index` starts.
  int64_t ChunkBegin(int64_t index) const;

  std::shared_ptr<const platform::ReadOnlyFile> FFile;
  const char* FMemory;
  Plan FPlan;
  LayoutFn FLayout;
  OrderedWork<Chunk> FWork;  // last: its threads start once the rest exists
};

}  // namespace varlo
