// The layout of logical lines into view lines, compactly. Most lines are
// shorter than the wrap and have one view line, so the layout keeps per
// logical line one byte (how many view lines it has beyond its first, and
// whether it is empty), and a start only for each further view line of a
// wrapped line (4 bytes). A sample every 32 lines of how many further view
// lines come before makes the first view line of a logical line a constant
// time lookup, and the logical line of a view line a logarithmic one.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "platform/large_vector.h"

namespace varlo {

// One view line as the viewer's interface reports it.
struct TViewLineRec {
  int64_t Line = 0;   // logical line index
  int64_t Start = 0;  // 1-based first byte in the logical line; 0 for an empty line
  int64_t Len = 0;    // bytes of the piece; the last piece may reach past the line's end
  int64_t Part = 0;   // 0-based piece number within the logical line
  bool Last = false;  // the last piece of its logical line
};

class ViewLines {
 public:
  // View indexes must fit the scroll bar's 32-bit positions.
  static constexpr int64_t kMaxViewLines = INT32_MAX;
  static constexpr int kSampleShift = 5;

  int64_t Count() const { return FViews; }
  int64_t LineCount() const { return static_cast<int64_t>(FCounts.size()); }

  // First view line of a logical line the layout holds; the view count for
  // a line past the last.
  int64_t First(int64_t line) const;
  // View lines of a logical line beyond its first.
  int64_t Extra(int64_t line) const {
    const uint8_t c = FCounts[static_cast<size_t>(line)] & kCountMask;
    return c == kEscape ? BigExtra(line) : c;
  }

  // Where a view line lies: its logical line and that line's first view
  // line and further view lines.
  struct Place {
    int64_t line, first, extra;
  };
  Place Locate(int64_t view) const;
  // The same for a logical line the layout holds.
  Place At(int64_t line) const { return {line, First(line), Extra(line)}; }
  int64_t Line(int64_t view) const { return Locate(view).line; }
  // Start of a view line of the logical line at `at` (1-based byte, 0 for
  // an empty line).
  int64_t Start(const Place& at, int64_t view) const {
    if (view == at.first) return FCounts[static_cast<size_t>(at.line)] & kEmpty ? 0 : 1;
    return ExtraStart(static_cast<size_t>(view - at.line - 1));
  }
  int64_t Start(int64_t view) const { return Start(Locate(view), view); }

  // Drops the view lines from `line` on.
  void TruncateAt(int64_t line);

  // Appends logical lines. The layout keeps the ends of its arrays in a
  // local passed and returned by value, so the sizes stay in registers: no
  // store into the arrays can be taken for one into them.
  struct Cursor {
    uint8_t* counts;
    uint32_t* starts;
    size_t lines, linesCap, extra, extraCap;

    // Starts the next logical line (its index is `lines`).
    void BeginLine(ViewLines& v) {
      if (lines == linesCap) [[unlikely]]
        *this = v.GrowLines(*this);
      if ((lines & ((size_t{1} << kSampleShift) - 1)) == 0) [[unlikely]]
        v.Sample(*this);
    }
    // A further view line of it, starting at `start` (1-based).
    void Add(ViewLines& v, int64_t start) {
      if (extra == extraCap || static_cast<uint64_t>(start) > UINT32_MAX) [[unlikely]] {
        *this = v.AddSlow(*this, start);
        return;
      }
      starts[extra++] = static_cast<uint32_t>(start);
    }
    // Ends the logical line with `more` further view lines.
    void EndLine(ViewLines& v, bool empty, int64_t more) {
      if (more >= kEscape) [[unlikely]] {
        v.AddBig(lines, more);
        more = kEscape;
      }
      counts[lines++] = static_cast<uint8_t>(more | (empty ? kEmpty : 0));
      if (lines + extra > static_cast<size_t>(kMaxViewLines)) [[unlikely]]
        v.TooManyAt(*this);
    }
  };
  Cursor Begin();
  // What the cursor wrote becomes the contents.
  void End(const Cursor& c);

  // Appends the layout of the logical lines that follow this one's, laid
  // out on their own (their line and view indexes counted from 0).
  void Append(const ViewLines& part);

  // Reserves room for the lines of a store of that capacity.
  void Reserve(int64_t lines);
  // Room for the lines of a piece of work, with a wrapped line in four,
  // its fresh pages taken together.
  void ReserveTaken(int64_t lines);
  // Lets other threads touch the fresh pages of the counts and the starts
  // ahead of what is appended, through the handles added to `out`.
  void ShareAhead(std::vector<std::shared_ptr<platform::PagesAhead>>& out);
  void StopAhead();
  void Clear();

  // Bytes the layout takes, for the benchmarks.
  size_t MemoryBytes() const;

 private:
  static constexpr uint8_t kEmpty = 0x80;
  static constexpr uint8_t kCountMask = 0x7F;
  static constexpr uint8_t kEscape = 0x7F;  // the count is in FBig

  [[noreturn]] static void TooMany();
  [[noreturn]] void TooManyAt(const Cursor& c);
  int64_t BigExtra(int64_t line) const;
  // Further view lines of the logical lines [from, to).
  size_t ExtraIn(size_t from, size_t to) const;
  int64_t ExtraStart(size_t k) const {
    return FWide ? static_cast<int64_t>(FWideStarts[k]) : FStarts[k];
  }
  Cursor GrowLines(Cursor c);
  Cursor AddSlow(Cursor c, int64_t start);
  void AddBig(size_t line, int64_t more);
  void Sample(const Cursor& c);
  void Widen();

  int64_t FViews = 0;
  platform::LargeVector<uint8_t> FCounts;
  // Further view lines before line 32 s, for every s.
  platform::LargeVector<uint32_t> FSamples;
  // Starts of the further view lines, in view order; 64-bit once one
  // does not fit 32 bits (a line of 4 GiB or more).
  platform::LargeVector<uint32_t> FStarts;
  platform::LargeVector<uint64_t> FWideStarts;
  bool FWide = false;
  // Lines with kEscape further view lines or more, and how many, in order.
  std::vector<std::pair<uint32_t, uint32_t>> FBig;
};

}  // namespace varlo
