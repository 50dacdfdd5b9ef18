#include "bigview/view_lines.h"

#include <algorithm>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "platform/errors.h"

namespace varlo {

void ViewLines::TooMany() { throw Exception("表示行が多すぎるため表示できません"); }

void ViewLines::TooManyAt(const Cursor& c) {
  End(c);
  TooMany();
}

int64_t ViewLines::First(int64_t line) const {
  if (line >= LineCount()) return Count();
  const auto s = static_cast<size_t>(line) >> kSampleShift;
  int64_t extra = FSamples[s];
  for (auto j = static_cast<int64_t>(s << kSampleShift); j < line; ++j) extra += Extra(j);
  return line + extra;
}

ViewLines::Place ViewLines::Locate(int64_t view) const {
  // The last sampled line whose first view line is at or before `view`,
  // then line by line from there.
  size_t lo = 0, hi = FSamples.size();
  while (hi - lo > 1) {
    const size_t mid = lo + (hi - lo) / 2;
    if (static_cast<int64_t>(mid << kSampleShift) + FSamples[mid] <= view) {
      lo = mid;
    } else {
      hi = mid;
    }
  }
  auto line = static_cast<int64_t>(lo << kSampleShift);
  int64_t first = line + FSamples[lo];
  for (;;) {
    const int64_t extra = Extra(line);
    if (view <= first + extra) return {line, first, extra};
    first += 1 + extra;
    ++line;
  }
}

int64_t ViewLines::BigExtra(int64_t line) const {
  const auto at = std::lower_bound(
      FBig.begin(), FBig.end(), line,
      [](const std::pair<uint32_t, uint32_t>& e, int64_t l) { return e.first < l; });
  return at->second;
}

void ViewLines::TruncateAt(int64_t line) {
  const int64_t view = First(line);
  const auto lines = static_cast<size_t>(line);
  const auto extra = static_cast<size_t>(view - line);
  FCounts.resize(lines);
  FSamples.resize((lines + (size_t{1} << kSampleShift) - 1) >> kSampleShift);
  if (FWide) {
    FWideStarts.resize(extra);
  } else {
    FStarts.resize(extra);
  }
  while (!FBig.empty() && FBig.back().first >= lines) FBig.pop_back();
  FViews = view;
}

ViewLines::Cursor ViewLines::Begin() {
  Cursor c{};
  c.counts = FCounts.data();
  c.lines = FCounts.size();
  c.linesCap = FCounts.writable();
  c.extra = static_cast<size_t>(FViews) - c.lines;
  // Wide starts all go the slow way.
  c.starts = FWide ? nullptr : FStarts.data();
  c.extraCap = FWide ? 0 : FStarts.writable();
  return c;
}

void ViewLines::End(const Cursor& c) {
  FCounts.adopt(c.lines);
  if (!FWide) FStarts.adopt(c.extra);
  FViews = static_cast<int64_t>(c.lines + c.extra);
}

ViewLines::Cursor ViewLines::GrowLines(Cursor c) {
  End(c);
  FCounts.grow_to(c.lines + 1);
  return Begin();
}

ViewLines::Cursor ViewLines::AddSlow(Cursor c, int64_t start) {
  End(c);
  if (!FWide && static_cast<uint64_t>(start) > UINT32_MAX) Widen();
  if (FWide) {
    FWideStarts.push_back(static_cast<uint64_t>(start));
    FViews += 1;
    return Begin();
  }
  FStarts.grow_to(c.extra + 1);
  c = Begin();
  c.starts[c.extra++] = static_cast<uint32_t>(start);
  return c;
}

void ViewLines::Widen() {
  FWideStarts.reserve(FStarts.size());
  for (uint32_t s : FStarts) FWideStarts.push_back(s);
  FStarts.release();
  FWide = true;
}

void ViewLines::AddBig(size_t line, int64_t more) {
  FBig.emplace_back(static_cast<uint32_t>(line), static_cast<uint32_t>(more));
}

void ViewLines::Sample(const Cursor& c) {
  FSamples.resize(c.lines >> kSampleShift);
  FSamples.push_back(static_cast<uint32_t>(c.extra));
}

void ViewLines::Append(const ViewLines& part) {
  const size_t lines = FCounts.size();
  const auto extra = static_cast<size_t>(FViews) - lines;
  if (FViews + part.FViews > kMaxViewLines) TooMany();
  const size_t n = part.FCounts.size();
  FCounts.grow_to(lines + n);
  std::copy(part.FCounts.begin(), part.FCounts.end(), FCounts.data() + lines);
  FCounts.adopt(lines + n);
  for (const auto& [line, more] : part.FBig)
    FBig.emplace_back(static_cast<uint32_t>(line + lines), more);
  constexpr size_t kStep = size_t{1} << kSampleShift;
  FSamples.resize((lines + kStep - 1) >> kSampleShift);
  if ((lines & (kStep - 1)) == 0) {
    // On a sample step the part's samples are ours shifted.
    for (uint32_t s : part.FSamples) FSamples.push_back(static_cast<uint32_t>(s + extra));
  } else {
    // Otherwise each step's count of further view lines is summed anew.
    const size_t first = kStep - (lines & (kStep - 1));
    size_t further = extra + part.ExtraIn(0, std::min(first, n));
    for (size_t j = first; j < n; j += kStep) {
      FSamples.push_back(static_cast<uint32_t>(further));
      further += part.ExtraIn(j, std::min(j + kStep, n));
    }
  }
  if (part.FWide && !FWide) Widen();
  if (FWide) {
    const auto more = static_cast<size_t>(part.FViews) - n;
    for (size_t k = 0; k < more; ++k)
      FWideStarts.push_back(static_cast<uint64_t>(part.ExtraStart(k)));
  } else {
    FStarts.grow_to(extra + part.FStarts.size());
    std::copy(part.FStarts.begin(), part.FStarts.end(), FStarts.data() + extra);
    FStarts.adopt(extra + part.FStarts.size());
  }
  FViews += part.FViews;
}

size_t ViewLines::ExtraIn(size_t from, size_t to) const {
  size_t sum = 0, j = from;
#if defined(__SSE2__)
  // Sixteen counts at a time, unless one of them is escaped.
  const __m128i mask = _mm_set1_epi8(static_cast<char>(kCountMask));
  const __m128i escape = _mm_set1_epi8(static_cast<char>(kEscape)), zero = _mm_setzero_si128();
  for (; j + 16 <= to; j += 16) {
    const __m128i c =
        _mm_and_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(FCounts.data() + j)), mask);
    if (_mm_movemask_epi8(_mm_cmpeq_epi8(c, escape)) != 0) {
      for (size_t k = j; k < j + 16; ++k)
        sum += static_cast<size_t>(Extra(static_cast<int64_t>(k)));
      continue;
    }
    const __m128i sums = _mm_sad_epu8(c, zero);
    sum += static_cast<size_t>(_mm_cvtsi128_si32(sums)) +
           static_cast<size_t>(_mm_extract_epi16(sums, 4));
  }
#endif
  for (; j < to; ++j) sum += static_cast<size_t>(Extra(static_cast<int64_t>(j)));
  return sum;
}

void ViewLines::Reserve(int64_t lines) {
  const auto n = static_cast<size_t>(lines);
  FCounts.reserve(n);
  FSamples.reserve((n >> kSampleShift) + 1);
  // Room for a wrapped line in four, untouched until used: where a growth
  // copies, the copy would take every page of it again.
  FStarts.reserve(n / 4);
}

void ViewLines::ReserveTaken(int64_t lines) {
  const auto n = static_cast<size_t>(lines);
  FCounts.reserve_taken(n);
  if (!FWide) FStarts.reserve_taken(n / 4);
}

void ViewLines::ShareAhead(std::vector<std::shared_ptr<platform::PagesAhead>>& out) {
  out.push_back(FCounts.ShareAhead());
  if (!FWide) out.push_back(FStarts.ShareAhead());
}

void ViewLines::StopAhead() {
  FCounts.StopAhead();
  FStarts.StopAhead();
}

void ViewLines::Clear() {
  FCounts.release();
  FSamples.release();
  FStarts.release();
  FWideStarts.release();
  FWide = false;
  FBig = {};
  FViews = 0;
}

size_t ViewLines::MemoryBytes() const {
  return FCounts.size() + FSamples.size() * sizeof(uint32_t) + FStarts.size() * sizeof(uint32_t) +
         FWideStarts.size() * sizeof(uint64_t) + FBig.size() * sizeof(FBig[0]);
}

}  // namespace varlo
