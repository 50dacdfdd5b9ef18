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

int64_t TBigView::FindViewLine(const TSearchPattern& pattern, int64_t from, bool upward) const {
  if (pattern.Empty() || from < 0 || from >= ViewCount()) return -1;
  const auto m = static_cast<ptrdiff_t>(pattern.Size());
  BytePairFilter filter;
  filter.first = pattern.First().offset;
  filter.a = pattern.First().bytes;
  filter.second = pattern.Second().offset;
  filter.b = pattern.Second().bytes;

  // Where view line `from` starts and ends in its logical line.
  const ViewLines::Place fromAt = FViewLines.Locate(from);
  const int64_t fromLine = fromAt.line;
  const char* fromText = FLines->Get(fromLine).data();
  const int64_t fromStart = std::max<int64_t>(FViewLines.Start(fromAt, from), 1) - 1;
  const char* fromBegin = fromText + fromStart;
  const char* fromEnd = fromBegin + ViewLineLength(fromAt, from);

  int64_t found = -1;
  int64_t hint = fromLine;
  // One place: its view line, and where the scan goes on.
  const auto visit = [&](const TBvStrings::Run& run, const char* p, bool down) -> const char* {
    const char* next = down ? p + 1 : p;
    if (!pattern.MayHold(p)) return next;
    hint = FLines->LineOfByte(run, p, hint);
    const std::string_view text = FLines->Get(hint);
    // In the gap after a line, or running out of it.
    if (p + m > text.data() + text.size()) return next;
    // A line that is not wrapped is its one view line, found only for a hit.
    int64_t v = -1;
    std::string_view view = text;
    if (FViewLines.Extra(hint) > 0) {
      const ViewLines::Place at = FViewLines.At(hint);
      v = ViewOfOffset(at, p - text.data());
      const int64_t start = std::max<int64_t>(FViewLines.Start(at, v), 1) - 1;
      view = text.substr(static_cast<size_t>(start), static_cast<size_t>(ViewLineLength(at, v)));
    }
    if (p + m > view.data() + view.size()) return next;
    size_t nul = 0;
    switch (Check(pattern, view, static_cast<size_t>(p - view.data()), nul)) {
      case Verdict::Hit: found = v >= 0 ? v : FViewLines.First(hint); return nullptr;
      case Verdict::NotHere: return next;
      case Verdict::NotInView: return down ? view.data() + view.size() : view.data();
      // Nothing after the NUL counts; before it, upward, places still may.
      case Verdict::AfterNul: return down ? view.data() + view.size() : view.data() + nul;
    }
    return next;
  };

  if (!upward) {
    for (int64_t line = fromLine; line < LineCount() && found < 0;) {
      const TBvStrings::Run run = FLines->RunAt(line, line, LineCount());
      const char* begin = line == fromLine ? fromBegin : run.Begin;
      if (run.End - begin >= m) {
        const char* to = run.End - m + 1;
        ForEachPair<true>(begin, to, filter, [&](const char* p) {
          const char* next = visit(run, p, true);
          return next == nullptr ? to : next;
        });
      }
      line = run.Last;
    }
  } else {
    for (int64_t line = fromLine; line >= 0 && found < 0;) {
      const TBvStrings::Run run = FLines->RunAt(line, 0, line + 1);
      const char* end = line == fromLine ? fromEnd : run.End;
      if (end - run.Begin >= m) {
        const char* from = run.Begin;
        ForEachPair<false>(from, end - m + 1, filter, [&](const char* p) {
          const char* next = visit(run, p, false);
          return next == nullptr ? from : next;
        });
      }
      line = run.First - 1;
    }
  }
  return found;
}

}  // namespace varlo
