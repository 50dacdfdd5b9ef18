#include "bigview/line_indexer.h"

#include <algorithm>
#include <bit>
#include <chrono>

#include "bigview/file_text.h"
#include "platform/memory.h"

#if defined(__SSE2__)
#include <immintrin.h>
#endif

namespace varlo {
namespace {

constexpr char kEndOfText = 0x1A;

// Bits set in x: by the instruction where the processor has it, else
// without it (the compiler would otherwise call a library function).
template <bool kInstruction>
inline uint32_t Ones(uint64_t x) {
  if constexpr (kInstruction) {
    return static_cast<uint32_t>(__builtin_popcountll(x));
  } else {
    x = x - ((x >> 1) & 0x5555555555555555ull);
    x = (x & 0x3333333333333333ull) + ((x >> 2) & 0x3333333333333333ull);
    x = (x + (x >> 4)) & 0x0F0F0F0F0F0F0F0Full;
    return static_cast<uint32_t>((x * 0x0101010101010101ull) >> 56);
  }
}

#if defined(__SSE2__)
// The 64 bytes at p: bit i of `ends` set for a CR or 0x1A at p + i, of
// `tabs` for a tab. Sixteen bytes a compare, or thirty-two where the
// processor has the wider registers (a quarter less time on real text,
// where the work a line end takes is the same either way).
struct Bytes16 {
  __attribute__((always_inline)) static void Classify(const char* p, uint64_t& ends,
                                                      uint64_t& tabs) {
    const __m128i cr = _mm_set1_epi8('\r'), sub = _mm_set1_epi8(kEndOfText),
                  tab = _mm_set1_epi8('\t');
    ends = tabs = 0;
    for (int k = 0; k < 4; ++k) {
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * k));
      const __m128i e = _mm_or_si128(_mm_cmpeq_epi8(v, cr), _mm_cmpeq_epi8(v, sub));
      ends |= static_cast<uint64_t>(static_cast<uint32_t>(_mm_movemask_epi8(e))) << (16 * k);
      tabs |=
          static_cast<uint64_t>(static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, tab))))
          << (16 * k);
    }
  }
};

struct Bytes32 {
  __attribute__((target("avx2"))) static void Classify(const char* p, uint64_t& ends,
                                                       uint64_t& tabs) {
    const __m256i cr = _mm256_set1_epi8('\r'), sub = _mm256_set1_epi8(kEndOfText),
                  tab = _mm256_set1_epi8('\t');
    ends = tabs = 0;
    for (int k = 0; k < 2; ++k) {
      const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 32 * k));
      const __m256i e = _mm256_or_si256(_mm256_cmpeq_epi8(v, cr), _mm256_cmpeq_epi8(v, sub));
      ends |= static_cast<uint64_t>(static_cast<uint32_t>(_mm256_movemask_epi8(e))) << (32 * k);
      tabs |= static_cast<uint64_t>(
                  static_cast<uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(v, tab))))
              << (32 * k);
    }
  }
};
#else
struct Bytes16 {};
#endif

template <bool kPopcount, class Bytes>
__attribute__((always_inline)) inline void Scan(const char* bytes, size_t from, size_t size,
                                                int next, TChunkScan& out) {
  out.Size = size;
  out.Breaks.clear();
  out.Tabs.clear();
  out.TextEnd = -1;
  out.HeadTabs = out.TailTabs = 0;
  uint32_t tabs = 0;  // of the line being scanned
  bool head = true;   // no CR yet
  // A CR or 0x1A at p; false at the end of the text.
  const auto end = [&](size_t p) __attribute__((always_inline)) {
    if (bytes[p] == kEndOfText) {
      out.TextEnd = static_cast<int64_t>(p);
      return false;
    }
    const bool lf = p + 1 < size ? bytes[p + 1] == '\n' : next == '\n';
    if (head) {
      out.HeadTabs = tabs;
      head = false;
    } else {
      out.Tabs.push_back(static_cast<uint8_t>(std::min<uint32_t>(tabs, 255)));
    }
    tabs = 0;
    out.Breaks.push_back(static_cast<uint32_t>(p << 1) | (lf ? 1u : 0u));
    return true;
  };
  size_t i = from;
  bool ended = false;
#if defined(__SSE2__)
  for (; i + 64 <= size && !ended; i += 64) {
    uint64_t ends, tabbed;
    Bytes::Classify(bytes + i, ends, tabbed);
    while (ends != 0) {
      const int p = std::countr_zero(ends);
      const uint64_t below = (uint64_t{1} << p) - 1;
      if (tabbed != 0) tabs += Ones<kPopcount>(tabbed & below);
      tabbed &= ~below;
      if (!end(i + static_cast<size_t>(p))) {
        ended = true;
        break;
      }
      ends &= ends - 1;
    }
    if (!ended && tabbed != 0) tabs += Ones<kPopcount>(tabbed);
  }
#endif
  for (; i < size && !ended; ++i) {
    const char b = bytes[i];
    if (b == '\t') {
      ++tabs;
    } else if ((b == '\r' || b == kEndOfText) && !end(i)) {
      ended = true;
    }
  }
  if (head) {
    out.HeadTabs = tabs;
  } else {
    out.TailTabs = tabs;
  }
}

// Tabs are counted a line at a time: the instruction that counts bits saves
// a tenth of the scan on text with tabs.
__attribute__((target("popcnt"))) void ScanCountingBits(const char* bytes, size_t from, size_t size,
                                                        int next, TChunkScan& out) {
  Scan<true, Bytes16>(bytes, from, size, next, out);
}

#if defined(__SSE2__)
// Everything inlined, so that the wide compares are in a function that may
// use them.
__attribute__((target("avx2,popcnt"), flatten)) void ScanWide(const char* bytes, size_t from,
                                                              size_t size, int next,
                                                              TChunkScan& out) {
  Scan<true, Bytes32>(bytes, from, size, next, out);
}
#endif

}  // namespace

std::vector<ScanWay> ScanWays() {
  std::vector<ScanWay> ways{ScanWay::kBase};
  if (__builtin_cpu_supports("popcnt")) ways.push_back(ScanWay::kCountingBits);
#if defined(__SSE2__)
  if (__builtin_cpu_supports("avx2") && __builtin_cpu_supports("popcnt"))
    ways.push_back(ScanWay::kWide);
#endif
  return ways;
}

void ScanChunkBy(ScanWay way, const char* bytes, size_t from, size_t size, int next,
                 TChunkScan& out) {
  switch (way) {
    case ScanWay::kCountingBits: return ScanCountingBits(bytes, from, size, next, out);
    case ScanWay::kWide:
#if defined(__SSE2__)
      return ScanWide(bytes, from, size, next, out);
#endif
    case ScanWay::kBase: break;
  }
  Scan<false, Bytes16>(bytes, from, size, next, out);
}

void ScanChunk(const char* bytes, size_t from, size_t size, int next, TChunkScan& out) {
  static const ScanWay best = ScanWays().back();
  ScanChunkBy(best, bytes, from, size, next, out);
}

TLineIndexer::TLineIndexer(std::shared_ptr<const platform::ReadOnlyFile> file, const char* memory,
                           const Plan& plan, LayoutFn layout, OrderedWork<Chunk>::Spare spare)
    : FFile(std::move(file)),
      FMemory(memory),
      FPlan(plan),
      FLayout(std::move(layout)),
      // Room for the threads to run ahead while the chunks before are
      // merged.
      FWork(
          Chunks(), plan.Threads, 8,
          [this](Chunk& c, int64_t index, std::vector<char>& buffer) {
            return Fill(c, index, buffer);
          },
          std::move(spare), plan.Held) {}

int64_t TLineIndexer::Chunks() const {
  const auto first = static_cast<int64_t>(FPlan.FirstChunkBytes);
  const auto n = static_cast<int64_t>(FPlan.ChunkBytes);
  const int64_t bytes = FPlan.End - FPlan.Begin;
  if (bytes <= 0) return 0;
  return bytes <= first ? 1 : 1 + (bytes - first + n - 1) / n;
}

int64_t TLineIndexer::ChunkBegin(int64_t index) const {
  if (index == 0) return FPlan.Begin;
  return FPlan.Begin + static_cast<int64_t>(FPlan.FirstChunkBytes) +
         (index - 1) * static_cast<int64_t>(FPlan.ChunkBytes);
}

bool TLineIndexer::Fill(Chunk& c, int64_t index, std::vector<char>& buffer) {
  try {
    c.Error = nullptr;
    c.LaidOut = false;
    c.HeadWhole = c.TailWhole = false;
    c.Head.clear();
    c.Tail.clear();
    const int64_t begin = ChunkBegin(index);
    auto size = static_cast<size_t>(std::min(ChunkBegin(index + 1), FPlan.End) - begin);
    // One byte more, to see whether an LF follows a CR at the chunk's end.
    const size_t peek = begin + static_cast<int64_t>(size) < FPlan.End ? 1 : 0;
    const char* bytes = FMemory != nullptr ? FMemory + begin : nullptr;
    size_t got = size + peek;
    if (bytes == nullptr) {
      if (buffer.size() < size + peek) {
        buffer.clear();
        platform::ReserveTaken(buffer, size + peek);
        buffer.resize(size + peek);
      }
      got = FFile->ReadAt(begin, buffer.data(), size + peek);
      bytes = buffer.data();
    }
    c.Short = got < size + peek;
    int next = -1;
    if (c.Short) {
      size = std::min(size, got);
    } else if (peek) {
      next = static_cast<unsigned char>(bytes[size]);
    }
    const auto from = static_cast<size_t>(std::max<int64_t>(FPlan.ScanFrom - begin, 0));
    c.Begin = begin;
    // Room for lines of 32 bytes; shorter ones grow it as they come. Emptied
    // first, so that a growth copies nothing.
    c.Breaks.clear();
    c.Tabs.clear();
    platform::ReserveTaken(c.Breaks, size / 32);
    platform::ReserveTaken(c.Tabs, size / 32);
    ScanChunk(bytes, std::min(from, size), size, next, c);
    c.Sums.clear();
    if (FMemory == nullptr) AppendBlockSums(bytes, size, FPlan.Block, c.Sums);
    if (FLayout && !c.Short) {
      // The lines over the edges are laid out where the chunks meet: their
      // bytes go with the chunk when they are few.
      const size_t stop = c.TextEnd >= 0 ? static_cast<size_t>(c.TextEnd) : size;
      const size_t head = std::min(from, size);
      const size_t headEnd = c.Breaks.empty() ? stop : c.BreakAt(0);
      const size_t tail =
          c.Breaks.empty() ? stop : std::min(c.NextStart(c.Breaks.size() - 1), stop);
      c.HeadFrom = begin + static_cast<int64_t>(head);
      c.HeadWhole = headEnd - head <= kEdgeBytes;
      c.Head.assign(c.HeadWhole ? bytes + head : bytes, c.HeadWhole ? headEnd - head : 0);
      c.TailWhole = stop - tail <= kEdgeBytes;
      c.Tail.assign(c.TailWhole ? bytes + tail : bytes, c.TailWhole ? stop - tail : 0);
      FLayout(c, bytes);
    }
    return !c.Short && c.TextEnd < 0;
  } catch (...) {
    c.Error = std::current_exception();
    return false;
  }
}

}  // namespace varlo
