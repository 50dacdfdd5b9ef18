// Searching the view lines. The text is scanned where the line store keeps
// it, many bytes at a time, for places where the pattern's bytes may stand;
// only such places are mapped to their view line and tested by the rules of
// a hit (a character start, inside one view line, before any NUL).
#include <algorithm>
#include <cstring>

#include "bigview/big_view.h"
#include "bigview/byte_scan.h"

namespace varlo {
namespace {

// How far back over lead-range bytes a place is checked for being a
// character start before its whole view line is read instead.
constexpr size_t kLookBack = 64;

enum class Verdict { Hit, NotHere, NotInView, AfterNul };

// A place at `offset` of a view line where the pattern's bytes may stand.
// AfterNul: a NUL at `nul`, before the place, ends the line for the test.
Verdict Check(const TSearchPattern& pattern, std::string_view view, size_t offset, size_t& nul) {
  // Past a byte outside the lead ranges characters start for certain; from
  // there the lead-range bytes pair up.
  size_t q = offset;
  while (q > 0 && sjis::IsLeadByte(view[q - 1]) && offset - q < kLookBack) --q;
  if (q > 0 && sjis::IsLeadByte(view[q - 1]))
    return pattern.Find(view) != std::string_view::npos ? Verdict::Hit : Verdict::NotInView;
  if ((offset - q) % 2 == 1 || !pattern.HitAt(view, offset)) return Verdict::NotHere;
  if (const void* z = std::memchr(view.data(), '\0', offset)) {
    nul = static_cast<size_t>(static_cast<const char*>(z) - view.data());
    return Verdict::AfterNul;
  }
  return Verdict::Hit;
}

}  // namespace

int64_t TBigView::ViewOfOffset(const ViewLines::Place& at, int64_t offset) const {
  int64_t lo = at.first, hi = at.first + at.extra + 1;
  // The view lines of one logical line start at rising offsets.
  while (hi - lo > 1) {
    const int64_t mid = lo + (hi - lo) / 2;
    if (FViewLines.Start(at, mid) - 1 > offset) {
      hi = mid;
    } else {
      lo = mid;
    }
  }
  return lo;
}

namespace {

// The bytes of a run of lines, a window at a time: in memory they are
// there already; in a file they are read a window of blocks at a time.
class RunText {
 public:
  RunText(const TBvStrings& lines, const TBvStrings::Run& run) : FRun(run) {
    const TFileText* text = lines.Text();
    if (run.Own != nullptr) {
      FDirect = run.Own;
    } else if (text != nullptr && text->Memory() != nullptr) {
      FDirect = text->Memory();
    } else {
      FFile = text;
    }
  }
  // Makes text [from, to) readable.
  void Need(uint64_t from, uint64_t to) {
    if (FDirect != nullptr || Holds(from, to)) return;
    const auto block = static_cast<uint64_t>(FFile->BlockSize());
    const uint64_t first = from / block, last = (to + block - 1) / block;
    const std::string_view got =
        FFile->ReadBlocks(static_cast<int64_t>(first), static_cast<int64_t>(last - first), FBuffer);
    FStart = first * block;
    FSize = got.size();
  }
  bool Holds(uint64_t from, uint64_t to) const {
    return FDirect != nullptr || (from >= FStart && to <= FStart + FSize);
  }
  const char* At(uint64_t p) const {
    return FDirect != nullptr ? FDirect + p : FBuffer.data() + (p - FStart);
  }

 private:
  TBvStrings::Run FRun;
  const char* FDirect = nullptr;
  const TFileText* FFile = nullptr;
  std::vector<char> FBuffer;
  uint64_t FStart = 0, FSize = 0;
};

// A scan reads the file in windows that grow from this size: a hit nearby
// is found after a small read, a long scan reads in large steps.
constexpr uint64_t kFirstWindow = uint64_t{64} << 10;
constexpr uint64_t kLargestWindow = uint64_t{2} << 20;
constexpr uint64_t kStop = UINT64_MAX;

}  // namespace

int64_t TBigView::FindViewLine(const TSearchPattern& pattern, int64_t from, bool upward) const {
  if (pattern.Empty() || from < 0 || from >= ViewCount()) return -1;
  const TFileText::Hold hold(FLines->Text());
  const uint64_t m = pattern.Size();
  BytePairFilter filter;
  filter.first = pattern.First().offset;
  filter.a = pattern.First().bytes;
  filter.second = pattern.Second().offset;
  filter.b = pattern.Second().bytes;

  // Where view line `from` starts and ends in its logical line.
  const ViewLines::Place fromAt = FViewLines.Locate(from);
  const int64_t fromLine = fromAt.line;
  const auto fromStart =
      static_cast<uint64_t>(std::max<int64_t>(FViewLines.Start(fromAt, from), 1) - 1);
  const auto fromLength = static_cast<uint64_t>(ViewLineLength(fromAt, from));

  int64_t found = -1;
  int64_t hint = fromLine;
  // One place at text offset p of the run: its view line, and where the
  // scan goes on (kStop for a hit).
  const auto visit = [&](const TBvStrings::Run& run, RunText& text, uint64_t p,
                         bool down) -> uint64_t {
    const uint64_t next = down ? p + 1 : p;
    if (!pattern.MayHold(text.At(p))) return next;
    hint = FLines->LineOfOffset(run, p, hint);
    const uint64_t lineStart = FLines->RunStart(run, hint);
    const uint64_t length = FLines->Length(hint);
    // In the gap after a line, or running out of it.
    if (p + m > lineStart + length) return next;
    // A line that is not wrapped is its one view line, found only for a hit.
    int64_t v = -1;
    uint64_t viewStart = lineStart, viewLength = length;
    if (FViewLines.Extra(hint) > 0) {
      const ViewLines::Place at = FViewLines.At(hint);
      v = ViewOfOffset(at, static_cast<int64_t>(p - lineStart));
      viewStart =
          lineStart + static_cast<uint64_t>(std::max<int64_t>(FViewLines.Start(at, v), 1) - 1);
      viewLength = static_cast<uint64_t>(ViewLineLength(at, v));
    }
    if (p + m > viewStart + viewLength) return next;
    std::string read;
    std::string_view view;
    if (text.Holds(viewStart, viewStart + viewLength)) {
      view = {text.At(viewStart), viewLength};
    } else {
      read = FLines->Bytes(hint, viewStart - lineStart, viewLength);
      view = read;
    }
    size_t nul = 0;
    switch (Check(pattern, view, p - viewStart, nul)) {
      case Verdict::Hit: found = v >= 0 ? v : FViewLines.First(hint); return kStop;
      case Verdict::NotHere: return next;
      case Verdict::NotInView: return down ? viewStart + viewLength : viewStart;
      // Nothing after the NUL counts; before it, upward, places still may.
      case Verdict::AfterNul: return down ? viewStart + viewLength : viewStart + nul;
    }
    return next;
  };

  uint64_t window = kFirstWindow;
  if (!upward) {
    for (int64_t line = fromLine; line < LineCount() && found < 0;) {
      const TBvStrings::Run run = FLines->RunAt(line, line, LineCount());
      RunText text(*FLines, run);
      uint64_t pos = line == fromLine ? FLines->RunStart(run, fromLine) + fromStart : run.Begin;
      // Places [pos, end) may start a hit.
      const uint64_t end = run.End >= m ? run.End - m + 1 : 0;
      while (pos < end && found < 0) {
        const uint64_t stop = std::min(end, pos + window);
        window = std::min(window * 2, kLargestWindow);
        text.Need(pos, stop + m - 1);
        const char* base = text.At(pos);
        const char* to = base + (stop - pos);
        uint64_t resume = stop;
        ForEachPair<true>(base, to, filter, [&](const char* q) {
          const uint64_t next = visit(run, text, pos + static_cast<uint64_t>(q - base), true);
          if (next == kStop || next >= stop) {
            resume = next == kStop ? stop : next;
            return to;
          }
          return base + (next - pos);
        });
        pos = resume;
      }
      line = run.Last;
    }
  } else {
    for (int64_t line = fromLine; line >= 0 && found < 0;) {
      const TBvStrings::Run run = FLines->RunAt(line, 0, line + 1);
      RunText text(*FLines, run);
      const uint64_t textEnd =
          line == fromLine ? FLines->RunStart(run, fromLine) + fromStart + fromLength : run.End;
      // Places [run.Begin, end) may start a hit; the scan goes down from end.
      uint64_t end = textEnd >= run.Begin + m ? textEnd - m + 1 : run.Begin;
      while (end > run.Begin && found < 0) {
        const uint64_t start = end - std::min(end - run.Begin, window);
        window = std::min(window * 2, kLargestWindow);
        text.Need(start, end + m - 1);
        const char* base = text.At(start);
        uint64_t resume = start;
        ForEachPair<false>(base, base + (end - start), filter, [&](const char* q) {
          const uint64_t next = visit(run, text, start + static_cast<uint64_t>(q - base), false);
          if (next == kStop || next <= start) {
            resume = next == kStop ? start : next;
            return base;
          }
          return base + (next - start);
        });
        end = resume;
      }
      line = run.First - 1;
    }
  }
  return found;
}

}  // namespace varlo
