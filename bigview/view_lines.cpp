#include "bigview/view_lines.h"

#include "platform/errors.h"

namespace varlo {

void ViewLines::TruncateAt(int64_t line, int64_t view) {
  FStart.resize(static_cast<size_t>(view));
  FLine.resize(static_cast<size_t>(view));
  FFirst.resize(static_cast<size_t>(line));
}

void ViewLines::BeginLine() { FFirst.push_back(static_cast<uint32_t>(Count())); }

void ViewLines::Add(int64_t start) {
  if (Count() >= kMaxViewLines) throw Exception("表示行が多すぎるため表示できません");
  FStart.push_back(static_cast<uint64_t>(start));
  FLine.push_back(static_cast<uint32_t>(LineCount() - 1));
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
