// The layout of logical lines into view lines, compactly: per view line its
// start byte and its logical line (12 bytes), per logical line its first
// view line (4 bytes). Every lookup is constant time.
#pragma once

#include <cstdint>

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

  int64_t Count() const { return static_cast<int64_t>(FLine.size()); }
  int64_t LineCount() const { return static_cast<int64_t>(FFirst.size()); }

  int64_t Line(int64_t view) const { return FLine[static_cast<size_t>(view)]; }
  int64_t Start(int64_t view) const {
    return static_cast<int64_t>(FStart[static_cast<size_t>(view)]);
  }
  bool Last(int64_t view) const { return view + 1 == Count() || Line(view + 1) != Line(view); }
  int64_t Part(int64_t view) const { return view - First(Line(view)); }
  // First view line of a logical line the layout holds; the view count for
  // a line past the last.
  int64_t First(int64_t line) const {
    return line < LineCount() ? static_cast<int64_t>(FFirst[static_cast<size_t>(line)]) : Count();
  }

  // Drops the view lines from `view` on and the logical lines from `line`
  // on; `view` must be First(line).
  void TruncateAt(int64_t line, int64_t view);
  // Starts the records of the next logical line (its index is LineCount()).
  void BeginLine() { FFirst.push_back(static_cast<uint32_t>(Count())); }
  // Appends a view line of the logical line begun last.
  void Add(int64_t start) {
    if (Count() >= kMaxViewLines) TooMany();
    FStart.push_back(static_cast<uint64_t>(start));
    FLine.push_back(static_cast<uint32_t>(LineCount() - 1));
  }
  // The ends of the three vectors while the layout appends to them. The
  // layout keeps it in a local passed and returned by value, so the sizes
  // stay in registers: no store into the arrays can be taken for one into
  // them.
  struct Cursor {
    uint64_t* start;
    uint32_t* line;
    uint32_t* first;
    size_t size, cap, lines, linesCap;

    void BeginLine(ViewLines& v) {
      if (lines == linesCap) *this = v.Grow(*this);
      first[lines++] = static_cast<uint32_t>(size);
    }
    void Add(ViewLines& v, int64_t at) {
      if (size == cap) *this = v.Grow(*this);
      start[size] = static_cast<uint64_t>(at);
      line[size] = static_cast<uint32_t>(lines - 1);
      ++size;
    }
  };
  Cursor Begin();
  // More room, the same contents; raises past the view-line limit.
  Cursor Grow(Cursor c);
  // What the cursor wrote becomes the contents.
  void End(const Cursor& c);

  // Appends the layout of the logical lines that follow this one's, laid
  // out on their own (their line and view indexes counted from 0).
  void Append(const ViewLines& part);

  // Reserves room for the lines of a store of that capacity.
  void Reserve(int64_t lines);
  void Clear();

  // Bytes the layout takes, for the benchmarks.
  size_t MemoryBytes() const;

 private:
  [[noreturn]] static void TooMany();

  platform::LargeVector<uint64_t> FStart;
  platform::LargeVector<uint32_t> FLine;
  platform::LargeVector<uint32_t> FFirst;
};

}  // namespace varlo
