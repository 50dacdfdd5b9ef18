// Searching the view lines. The text is scanned where the line store keeps
// it, many bytes at a time, for places where the pattern's bytes may stand;
// only such places are mapped to their view line and tested by the rules of
// a hit (a character start, inside one view line, before any NUL).
#include <algorithm>
#include <cstring>
#include <exception>
#include <string>
#include <vector>

#include "bigview/big_view.h"
#include "bigview/byte_scan.h"
#include "bigview/file_text.h"
#include "bigview/ordered_work.h"

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
    Use(first * block, FFile->ReadBlocks(static_cast<int64_t>(first),
                                         static_cast<int64_t>(last - first), FBuffer));
  }
  bool Holds(uint64_t from, uint64_t to) const {
    return FDirect != nullptr || (from >= FStart && to <= FStart + FSize);
  }
  // Bytes a window read elsewhere holds, from text offset `start` on.
  void Use(uint64_t start, std::string_view bytes) {
    FStart = start;
    FSize = bytes.size();
    FWindow = bytes.data();
  }
  // The text is in a file, read a window at a time.
  bool InFile() const { return FDirect == nullptr; }
  const TFileText* File() const { return FFile; }
  const char* At(uint64_t p) const {
    return FDirect != nullptr ? FDirect + p : FWindow + (p - FStart);
  }

 private:
  TBvStrings::Run FRun;
  const char* FDirect = nullptr;
  const TFileText* FFile = nullptr;
  std::vector<char> FBuffer;
  const char* FWindow = nullptr;
  uint64_t FStart = 0, FSize = 0;
};

// A window of a run's text read and looked through on a thread of its own:
// the places in it where the pattern's bytes may stand, in scan order.
struct SearchWindow {
  uint64_t lo = 0, hi = 0;  // places [lo, hi)
  uint64_t start = 0;       // text offset of bytes[0]
  std::vector<char> buffer;
  std::string_view bytes;
  std::vector<uint64_t> places;
  // More places than are worth keeping: the window is gone through again.
  bool crowded = false;
  std::exception_ptr error;
};
constexpr size_t kMostPlaces = 4096;

// Past this much of a file read in turn, the rest of a run is read and
// looked through by several threads, in windows of kLargestWindow.
constexpr uint64_t kAloneBytes = uint64_t{4} << 20;

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

  // The places [lo, hi) of a window whose bytes `text` holds, in the
  // direction of the search: where the scan goes on after it, or kStop.
  const auto scanWindow = [&](const TBvStrings::Run& run, RunText& text, uint64_t lo, uint64_t hi,
                              bool down) -> uint64_t {
    const char* base = text.At(lo);
    uint64_t resume = down ? hi : lo;
    if (down) {
      const char* to = base + (hi - lo);
      ForEachPair<true>(base, to, filter, [&](const char* q) {
        const uint64_t next = visit(run, text, lo + static_cast<uint64_t>(q - base), true);
        if (next == kStop || next >= hi) {
          resume = next;
          return to;
        }
        return base + (next - lo);
      });
    } else {
      ForEachPair<false>(base, base + (hi - lo), filter, [&](const char* q) {
        const uint64_t next = visit(run, text, lo + static_cast<uint64_t>(q - base), false);
        if (next == kStop || next <= lo) {
          resume = next;
          return base;
        }
        return base + (next - lo);
      });
    }
    return resume;
  };
  // The rest of a run in a file, [lo, hi), in windows read and looked
  // through on several threads and taken in order here.
  const auto scanInParallel = [&](const TBvStrings::Run& run, RunText& text, uint64_t lo,
                                  uint64_t hi, bool down) -> uint64_t {
    const uint64_t windows = (hi - lo + kLargestWindow - 1) / kLargestWindow;
    const TFileText& file = *text.File();
    const auto block = static_cast<uint64_t>(file.BlockSize());
    OrderedWork<SearchWindow> work(
        static_cast<int64_t>(windows), 0, 2,
        [&](SearchWindow& w, int64_t index, std::vector<char>&) {
          try {
            const auto k = static_cast<uint64_t>(index);
            w.lo = down ? lo + k * kLargestWindow
                        : (hi - lo > (k + 1) * kLargestWindow ? hi - (k + 1) * kLargestWindow : lo);
            w.hi = down ? std::min(hi, w.lo + kLargestWindow) : hi - k * kLargestWindow;
            w.error = nullptr;
            w.places.clear();
            w.crowded = false;
            // The places' bytes: what the pattern reaches beyond the last.
            const uint64_t first = w.lo / block, last = (w.hi + m - 1 + block - 1) / block;
            w.bytes = file.ReadBlocks(static_cast<int64_t>(first),
                                      static_cast<int64_t>(last - first), w.buffer, false);
            w.start = first * block;
            const char* base = w.bytes.data() + (w.lo - w.start);
            const auto keep = [&](const char* q) {
              if (pattern.MayHold(q)) w.places.push_back(w.lo + static_cast<uint64_t>(q - base));
              w.crowded = w.places.size() > kMostPlaces;
            };
            if (down) {
              const char* to = base + (w.hi - w.lo);
              ForEachPair<true>(base, to, filter, [&](const char* q) {
                keep(q);
                return w.crowded ? to : q + 1;
              });
            } else {
              ForEachPair<false>(base, base + (w.hi - w.lo), filter, [&](const char* q) {
                keep(q);
                return w.crowded ? base : q;
              });
            }
          } catch (...) {
            w.error = std::current_exception();
            return false;
          }
          return true;
        });
    uint64_t resume = down ? lo : hi;
    for (;;) {
      SearchWindow* w = work.Next(1000);
      if (w == nullptr) {
        if (work.Finished()) return resume;
        continue;
      }
      struct Give {
        OrderedWork<SearchWindow>& work;
        SearchWindow* w;
        ~Give() { work.Release(w); }
      } give{work, w};
      if (w->error) std::rethrow_exception(w->error);
      text.Use(w->start, w->bytes);
      if (w->crowded) {
        // Gone through here, from where the scan is.
        const uint64_t from = down ? std::max(w->lo, resume) : w->lo;
        const uint64_t to = down ? w->hi : std::min(w->hi, resume);
        if (from < to) resume = scanWindow(run, text, from, to, down);
      } else {
        for (const uint64_t p : w->places) {
          if (down ? p < resume : p >= resume) continue;
          resume = visit(run, text, p, down);
          if (resume == kStop) break;
        }
        if (resume != kStop) resume = down ? std::max(resume, w->hi) : std::min(resume, w->lo);
      }
      if (resume == kStop) {
        work.Stop();
        return kStop;
      }
    }
  };

  uint64_t window = kFirstWindow;
  uint64_t alone = 0;  // bytes of the file read in turn
  if (!upward) {
    for (int64_t line = fromLine; line < LineCount() && found < 0;) {
      const TBvStrings::Run run = FLines->RunAt(line, line, LineCount());
      RunText text(*FLines, run);
      uint64_t pos = line == fromLine ? FLines->RunStart(run, fromLine) + fromStart : run.Begin;
      // Places [pos, end) may start a hit.
      const uint64_t end = run.End >= m ? run.End - m + 1 : 0;
      while (pos < end && found < 0) {
        if (text.InFile() && alone >= kAloneBytes && end - pos > 2 * kLargestWindow) {
          pos = scanInParallel(run, text, pos, end, true);
          break;
        }
        const uint64_t stop = std::min(end, pos + window);
        alone += stop - pos;
        window = std::min(window * 2, kLargestWindow);
        text.Need(pos, stop + m - 1);
        pos = scanWindow(run, text, pos, stop, true);
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
        if (text.InFile() && alone >= kAloneBytes && end - run.Begin > 2 * kLargestWindow) {
          end = scanInParallel(run, text, run.Begin, end, false);
          break;
        }
        const uint64_t start = end - std::min(end - run.Begin, window);
        alone += end - start;
        window = std::min(window * 2, kLargestWindow);
        text.Need(start, end + m - 1);
        end = scanWindow(run, text, start, end, false);
      }
      line = run.First - 1;
    }
  }
  return found;
}

}  // namespace varlo
