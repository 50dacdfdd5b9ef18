#include "bigview/view_lines.h"

#include <algorithm>

#include "platform/errors.h"

namespace varlo {

void ViewLines::TruncateAt(int64_t line, int64_t view) {
  FStart.resize(static_cast<size_t>(view));
  FLine.resize(static_cast<size_t>(view));
  FFirst.resize(static_cast<size_t>(line));
}

void ViewLines::TooMany() { throw Exception("表示行が多すぎるため表示できません"); }

ViewLines::Writer::Writer(ViewLines& v) : FView(v) {
  FSize = v.FStart.size();
  FFirstSize = v.FFirst.size();
  FCap = FFirstCap = 0;
  Grow();
}

void ViewLines::Writer::Commit() {
  FView.FStart.adopt(FSize);
  FView.FLine.adopt(FSize);
  FView.FFirst.adopt(FFirstSize);
}

void ViewLines::Writer::Grow() {
  // View indexes must stay within the scroll bar's range.
  if (FSize >= static_cast<size_t>(kMaxViewLines)) {
    Commit();
    TooMany();
  }
  Commit();
  ViewLines& v = FView;
  if (FSize == v.FStart.capacity()) {
    const size_t more = std::max<size_t>(FSize, 4096);
    v.FStart.reserve(FSize + more);
    v.FLine.reserve(FSize + more);
  }
  if (FFirstSize == v.FFirst.capacity()) v.FFirst.reserve(FFirstSize + std::max<size_t>(FFirstSize, 4096));
  FStart = v.FStart.data();
  FLine = v.FLine.data();
  FFirst = v.FFirst.data();
  FCap = std::min({v.FStart.capacity(), v.FLine.capacity(), static_cast<size_t>(kMaxViewLines)});
  FFirstCap = v.FFirst.capacity();
}

void ViewLines::Reserve(int64_t lines) {
  const auto n = static_cast<size_t>(lines);
  FFirst.reserve(n);
  FStart.reserve(n);
  FLine.reserve(n);
}

void ViewLines::Clear() {
  FStart.release();
  FLine.release();
  FFirst.release();
}

size_t ViewLines::MemoryBytes() const {
  return FStart.size() * sizeof(uint64_t) + FLine.size() * sizeof(uint32_t) +
         FFirst.size() * sizeof(uint32_t);
}

}  // namespace varlo
