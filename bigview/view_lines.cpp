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

ViewLines::Cursor ViewLines::Begin() {
  Cursor c{FStart.data(), FLine.data(), FFirst.data(), FStart.size(), 0, FFirst.size(), 0};
  c.cap = std::min({FStart.capacity(), FLine.capacity(), static_cast<size_t>(kMaxViewLines)});
  c.linesCap = FFirst.capacity();
  return c;
}

void ViewLines::End(const Cursor& c) {
  FStart.adopt(c.size);
  FLine.adopt(c.size);
  FFirst.adopt(c.lines);
}

ViewLines::Cursor ViewLines::Grow(Cursor c) {
  // View indexes must stay within the scroll bar's range.
  if (c.size >= static_cast<size_t>(kMaxViewLines)) {
    End(c);
    TooMany();
  }
  End(c);
  if (c.size == FStart.capacity() || c.size == FLine.capacity()) {
    const size_t more = std::max<size_t>(c.size, 4096);
    FStart.reserve(c.size + more);
    FLine.reserve(c.size + more);
  }
  if (c.lines == FFirst.capacity()) FFirst.reserve(c.lines + std::max<size_t>(c.lines, 4096));
  return Begin();
}

void ViewLines::Append(const ViewLines& part) {
  const size_t views = FStart.size(), lines = FFirst.size();
  if (views + part.FStart.size() > static_cast<size_t>(kMaxViewLines)) TooMany();
  FStart.reserve(views + part.FStart.size());
  FLine.reserve(views + part.FLine.size());
  FFirst.reserve(lines + part.FFirst.size());
  std::copy(part.FStart.begin(), part.FStart.end(), FStart.data() + views);
  const auto lineBase = static_cast<uint32_t>(lines);
  const auto viewBase = static_cast<uint32_t>(views);
  std::transform(part.FLine.begin(), part.FLine.end(), FLine.data() + views,
                 [lineBase](uint32_t l) { return l + lineBase; });
  std::transform(part.FFirst.begin(), part.FFirst.end(), FFirst.data() + lines,
                 [viewBase](uint32_t v) { return v + viewBase; });
  FStart.adopt(views + part.FStart.size());
  FLine.adopt(views + part.FLine.size());
  FFirst.adopt(lines + part.FFirst.size());
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
