#include "bigview/line_store.h"

#include <algorithm>
#include <cstring>
#include <istream>
#include <ostream>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "bigview/sjis.h"
#include "platform/checked.h"
#include "platform/errors.h"
#include "platform/file.h"

namespace varlo {
namespace {

// Lines are appended with the observable growth step of 32 slots.
constexpr int64_t kGrowth = 32;
// Loaders presize the capacity to the text size divided by this.
constexpr int64_t kPresizeDivisor = 28;
// What a pipe is read in, and what a visit reads at once.
constexpr size_t kReadBlock = size_t{1} << 20;

unsigned TabsOf(std::string_view s) {
  return static_cast<unsigned>(std::min<ptrdiff_t>(std::count(s.begin(), s.end(), '\t'), 255));
}

}  // namespace

TooManyLinesError::TooManyLinesError()
    : Exception("行数が多すぎるため読み込めません (最大 134217727 行)") {}

TBvStrings::~TBvStrings() { Clear(); }

TBvStrings::Slot TBvStrings::MakeOwned(std::string_view s) {
  Slot slot;
  slot.bits = Slot::kOwned;
  if (s.empty()) return slot;
  if (s.size() > Slot::kLengthMask) throw std::bad_alloc();
  char* p = new char[s.size()];
  std::memcpy(p, s.data(), s.size());
  slot.at = reinterpret_cast<uint64_t>(p);
  slot.bits |= s.size();
  return slot;
}

void TBvStrings::Release(Slot& slot) {
  if (slot.Owned()) delete[] slot.Data();
  slot = Slot{};
}

void TBvStrings::Error() const { throw Exception(kListIndexError); }

void TBvStrings::CheckIndex(int64_t index) const {
  if (index < 0 || index >= Count()) Error();
}

void TBvStrings::Grow() {
  // The last step stops at the limit, so every slot up to it can be used.
  if (FCapacity >= kMaxListSize) Error();
  SetCapacity(std::min(FCapacity + kGrowth, kMaxListSize));
}

void TBvStrings::MakeRoom() {
  if (Count() == kMaxListSize) throw TooManyLinesError();
  Grow();
}

size_t TBvStrings::Length(int64_t index) const {
  CheckIndex(index);
  const auto i = static_cast<size_t>(index);
  return FCompact ? static_cast<size_t>(CompactEnd(i) - CompactStart(i)) : FList[i].Length();
}

unsigned TBvStrings::Tabs(int64_t index) const {
  CheckIndex(index);
  const auto i = static_cast<size_t>(index);
  if (FCompact) return FTabs[i];
  const Slot& slot = FList[i];
  return slot.Owned() ? TabsOf({slot.Data(), slot.Length()}) : slot.Tabs();
}

std::string TBvStrings::Bytes(int64_t index, size_t from, size_t n) const {
  const size_t len = Length(index);
  from = std::min(from, len);
  n = std::min(n, len - from);
  if (n == 0) return {};
  const auto i = static_cast<size_t>(index);
  if (!FCompact && FList[i].Owned()) return std::string(FList[i].Data() + from, n);
  return FText->Read(static_cast<int64_t>(Start(i) + from), n);
}

void TBvStrings::Append(Slot slot) {
  try {
    ToSlots();
    FInOrder = false;
    if (Count() == FCapacity) Grow();
    FList.push_back(slot);
  } catch (...) {
    Release(slot);
    throw;
  }
}

int64_t TBvStrings::Add(std::string_view s) {
  const int64_t index = Count();
  Append(MakeOwned(s));
  return index;
}

void TBvStrings::Insert(int64_t index, std::string_view s) {
  if (index < 0 || index > Count()) Error();
  Slot slot = MakeOwned(s);
  try {
    ToSlots();
    FInOrder = false;
    if (Count() == FCapacity) Grow();
    FList.insert(static_cast<size_t>(index), slot);
  } catch (...) {
    Release(slot);
    throw;
  }
}

void TBvStrings::Delete(int64_t index) {
  CheckIndex(index);
  ToSlots();
  Release(FList[static_cast<size_t>(index)]);
  FList.erase(static_cast<size_t>(index));
}

void TBvStrings::Exchange(int64_t index1, int64_t index2) {
  CheckIndex(index1);
  CheckIndex(index2);
  ToSlots();
  FInOrder = false;
  std::swap(FList[static_cast<size_t>(index1)], FList[static_cast<size_t>(index2)]);
}

void TBvStrings::Put(int64_t index, std::string_view s) {
  CheckIndex(index);
  ToSlots();
  Slot slot = MakeOwned(s);
  FInOrder = false;
  Release(FList[static_cast<size_t>(index)]);
  FList[static_cast<size_t>(index)] = slot;
}

int64_t TBvStrings::IndexOf(std::string_view s) const {
  int64_t found = -1;
  // Only lines of the same length are read.
  VisitLines(
      0, Count(), [&](size_t len, unsigned) { return found < 0 && len == s.size(); },
      [&](int64_t i, size_t len, unsigned, std::string_view line) {
        if (found < 0 && len == s.size() && line == s) found = i;
      });
  return found;
}

bool TBvStrings::Find(std::string_view s, int64_t& lineIndex, int64_t& column) const {
  if (s.empty()) return false;
  const auto first = static_cast<unsigned char>(s[0]);
  const char lo = static_cast<char>(sjis::LowerByte(first));
  const char up = static_cast<char>(sjis::UpperByte(first));
  const auto foldEqual = [](char a, char b) {
    return sjis::UpperByte(static_cast<unsigned char>(a)) ==
           sjis::UpperByte(static_cast<unsigned char>(b));
  };
  if (lineIndex < 0) lineIndex = 0;
  if (lineIndex >= Count()) return false;
  const auto n = static_cast<int64_t>(s.size());
  bool found = false;
  // Lines too short to hold S are not read.
  VisitLines(
      lineIndex, Count(), [&](size_t len, unsigned) { return !found && len >= s.size(); },
      [&](int64_t i, size_t, unsigned, std::string_view line) {
        if (found) return;
        lineIndex = i;
        const int64_t last = static_cast<int64_t>(line.size()) - n + 1;
        if (column < 1) column = 1;
        for (; column <= last; ++column) {
          const char c = line[static_cast<size_t>(column - 1)];
          if ((c == lo || c == up) &&
              std::equal(s.begin(), s.end(), line.begin() + (column - 1), foldEqual)) {
            found = true;
            return;
          }
        }
        column = 1;
      });
  if (found) return true;
  lineIndex = Count();
  column = 1;
  return false;
}

void TBvStrings::Clear() {
  if (FCapacity > 0) {
    for (Slot& slot : FList) Release(slot);
    FList.release();
    FStarts.release();
    FTabs.release();
    FBases = {};
    FCapacity = 0;
  }
  FText.reset();
  FLastEnd = 0;
  FCompact = true;
  FInOrder = true;
  FIndexing = false;
  FOpenStart = 0;
  FOpenTabs = 0;
  FScanned = 0;
  FSourceSize = -1;
  FEnded = false;
}

bool TBvStrings::AppendCompact(uint64_t start, uint64_t end) {
  const size_t i = FStarts.size();
  // Each group's base is where its first line starts.
  if ((i & ((size_t{1} << kGroupShift) - 1)) == 0) FBases.push_back(start);
  const uint64_t offset = start - FBases[i >> kGroupShift];
  if (offset > kMaxOffset) {
    if ((i & ((size_t{1} << kGroupShift) - 1)) == 0) FBases.pop_back();
    return false;
  }
  const uint32_t crlf = i > 0 && start - FLastEnd == 2 ? 1 : 0;
  FStarts.push_back(static_cast<uint32_t>(offset << 1) | crlf);
  FLastEnd = end;
  return true;
}

void TBvStrings::ToSlots() {
  if (!FCompact) return;
  const size_t n = FStarts.size();
  FList.reserve(std::max(n, FStarts.capacity()));
  for (size_t i = 0; i < n; ++i) {
    const uint64_t start = CompactStart(i);
    Slot slot;
    slot.at = start;
    slot.bits = (CompactEnd(i) - start) | (uint64_t{FTabs[i]} << Slot::kTabShift);
    FList.push_back(slot);
  }
  FStarts.release();
  FTabs.release();
  FBases = {};
  FCompact = false;
}

void TBvStrings::AddIndexed(uint64_t start, uint64_t end, unsigned tabs) {
  if (Count() == FCapacity) [[unlikely]]
    MakeRoom();
  if (FCompact && AppendCompact(start, end)) {
    FTabs.push_back(static_cast<uint8_t>(std::min(tabs, 255u)));
    return;
  }
  // A place the compact index cannot hold (a line of 2 GiB or more).
  ToSlots();
  Slot slot;
  slot.at = start;
  slot.bits = (end - start) | (uint64_t{std::min(tabs, 255u)} << Slot::kTabShift);
  FList.push_back(slot);
}

size_t TBvStrings::IndexBytes() const {
  return FCompact
             ? FStarts.size() * sizeof(uint32_t) + FTabs.size() + FBases.size() * sizeof(uint64_t)
             : FList.size() * sizeof(Slot);
}

TBvStrings::Run TBvStrings::RunAt(int64_t line, int64_t lo, int64_t hi) const {
  if (FInOrder) {
    const auto last = static_cast<size_t>(hi - 1);
    return {lo, hi, Start(static_cast<size_t>(lo)),
            FCompact ? CompactEnd(last) : FList[last].at + FList[last].Length()};
  }
  const Slot* slots = FList.data();
  const auto end = [&](int64_t i) { return slots[i].at + slots[i].Length(); };
  if (slots[line].Owned()) return {line, line + 1, 0, slots[line].Length(), slots[line].Data()};
  // An empty line that points nowhere is a run alone.
  const auto inText = [&](int64_t i) {
    return !slots[i].Owned() && (slots[i].at != 0 || slots[i].Length() != 0);
  };
  if (!inText(line)) return {line, line + 1, slots[line].at, end(line)};
  int64_t first = line, last = line + 1;
  while (first > lo && inText(first - 1) && end(first - 1) <= slots[first].at) --first;
  while (last < hi && inText(last) && end(last - 1) <= slots[last].at) ++last;
  return {first, last, slots[first].at, end(last - 1)};
}

int64_t TBvStrings::LineOfOffset(const Run& run, uint64_t p, int64_t hint) const {
  if (run.Own != nullptr) return run.First;
  const auto after = [&](int64_t i) { return Start(static_cast<size_t>(i)) > p; };
  // Gallop from the hint to a range that holds the answer, then halve it:
  // line lo starts at or before p, line hi after it (or hi is the end).
  int64_t lo = 0, hi = 0;
  hint = std::clamp(hint, run.First, run.Last - 1);
  if (!after(hint)) {
    int64_t step = 1;
    for (lo = hint; lo + step < run.Last && !after(lo + step); step *= 2) lo += step;
    hi = std::min(run.Last, lo + step);
  } else {
    int64_t step = 1;
    for (hi = hint; hi - step > run.First && after(hi - step); step *= 2) hi -= step;
    lo = std::max(run.First, hi - step);
  }
  while (hi - lo > 1) {
    const int64_t mid = lo + (hi - lo) / 2;
    if (after(mid)) {
      hi = mid;
    } else {
      lo = mid;
    }
  }
  return lo;
}

void TBvStrings::SetCount(int64_t newCount) {
  if (newCount < 0 || newCount > kMaxListSize) Error();
  ToSlots();
  if (newCount > FCapacity) SetCapacity(newCount);
  for (int64_t i = newCount; i < Count(); ++i) Release(FList[static_cast<size_t>(i)]);
  if (newCount > Count()) FInOrder = false;  // empty lines that point nowhere
  FList.resize(static_cast<size_t>(newCount));
}

void TBvStrings::SetCapacity(int64_t newCapacity) {
  if (newCapacity > kMaxListSize) Error();
  if (newCapacity == FCapacity) return;
  if (newCapacity < Count()) Error();
  // Storage grows geometrically; a presize reserves address space whose
  // pages are only used as lines arrive.
  const auto wanted = static_cast<size_t>(newCapacity);
  const auto reserve = [&](auto& list) {
    if (wanted > list.capacity())
      list.reserve(std::max(wanted, list.capacity() + list.capacity() / 2));
  };
  if (FCompact) {
    reserve(FStarts);
    reserve(FTabs);
  } else {
    reserve(FList);
  }
  FCapacity = newCapacity;
}

void TBvStrings::Presize(int64_t bytes) {
  SetCapacity(std::min(bytes / kPresizeDivisor, kMaxListSize));
}

void TBvStrings::AddStrings(const StringListRef& source) {
  const int64_t n = source.Count();
  SetCapacity(CheckedAdd(Count(), n));
  for (int64_t i = 0; i < n; ++i) Add(source.Get(i));
}

void TBvStrings::Assign(const StringListRef& source) {
  // Assigning the store to itself keeps it as it is.
  if (source.Refers(this)) return;
  Clear();
  AddStrings(source);
}

void TBvStrings::AssignTo(StringListSinkRef dest) const {
  dest.Clear();
  ForEachLine(0, Count(), [&](int64_t, std::string_view line) { dest.Add(line); });
}

std::string TBvStrings::GetTextStr() const {
  size_t total = 0;
  for (int64_t i = 0; i < Count(); ++i) total = CheckedAdd(total, CheckedAdd(Length(i), size_t{2}));
  std::string text;
  text.reserve(total);
  ForEachLine(0, Count(), [&](int64_t, std::string_view line) {
    text.append(line);
    text.append("\r\n");
  });
  return text;
}

void TBvStrings::SetMemoryText(platform::LargeBuffer bytes, size_t size) {
  FText = std::make_unique<TFileText>(std::move(bytes), size);
}

void TBvStrings::IndexText(size_t size) {
  const char* text = FText->Memory();
  size_t pos = 0;
  try {
    for (;;) {
      size_t end = pos;
      while (end < size && text[end] != '\0' && text[end] != '\n' && text[end] != '\r') ++end;
      AddIndexed(pos, end, TabsOf({text + pos, end - pos}));
      pos = end;
      if (pos < size && text[pos] == '\r') ++pos;
      if (pos < size && text[pos] == '\n') ++pos;
      if (pos >= size || text[pos] == '\0') break;
    }
  } catch (const TooManyLinesError&) {
    Clear();
    throw;
  }
  SetCapacity(Count());
}

void TBvStrings::SetTextStr(std::string_view value) {
  Clear();
  if (value.empty()) return;
  Presize(static_cast<int64_t>(value.size()));
  platform::LargeBuffer bytes(value.size());
  std::memcpy(bytes.Data(), value.data(), value.size());
  SetMemoryText(std::move(bytes), value.size());
  IndexText(value.size());
}

void TBvStrings::LoadFromStream(std::istream& stream) {
  Clear();
  const std::istream::pos_type start = stream.tellg();
  stream.seekg(0, std::ios::end);
  const std::istream::pos_type end = stream.tellg();
  if (start == std::istream::pos_type(-1) || end == std::istream::pos_type(-1))
    throw InOutError("ストリームの大きさを読めません");
  stream.seekg(start);
  const auto n = static_cast<int64_t>(end - start);
  if (n <= 0) return;
  Presize(n);
  platform::LargeBuffer bytes(static_cast<size_t>(n));
  if (!stream.read(bytes.Data(), n)) throw InOutError("ストリームを読めません");
  SetMemoryText(std::move(bytes), static_cast<size_t>(n));
  IndexText(static_cast<size_t>(n));
}

// --- Indexing a file. ---

void TBvStrings::OpenFile(const std::filesystem::path& fileName, const TIndexSizes& sizes) {
  Clear();
  auto file = std::make_shared<platform::ReadOnlyFile>(fileName);
  const int64_t size = file->Rereadable() ? file->Size() : 0;
  FSizes = sizes;
  if (file->OnDisk()) {
    FSourceName = fileName;
    FSourceIdentity = file->Identity();
  }
  if (size > sizes.InMemory) {
    FSourceSize = size;
    Presize(size);
    FText = std::make_unique<TFileText>(std::move(file), size, sizes.Block, sizes.Cache);
  } else {
    // A small file, a pipe, or a file whose size says nothing: read whole,
    // into memory, and let go.
    platform::LargeBuffer bytes(std::max<size_t>(static_cast<size_t>(size) + 1, size_t{64} << 10));
    size_t filled = 0;
    for (;;) {
      if (filled == bytes.Size()) bytes.Resize(CheckedAdd(bytes.Size(), bytes.Size()));
      const size_t got = file->Read(bytes.Data() + filled, bytes.Size() - filled);
      if (got == 0) break;
      filled += got;
    }
    Presize(static_cast<int64_t>(filled));
    SetMemoryText(std::move(bytes), filled);
    // A file that tells a size of 0 yet has bytes is made up as it is read.
    if (file->OnDisk() && (size > 0 || filled == 0)) FSourceSize = static_cast<int64_t>(filled);
  }
  FIndexing = true;
}

TLineIndexer::Plan TBvStrings::IndexPlan(const TIndexSizes& sizes) const {
  TLineIndexer::Plan plan;
  plan.Block = FText->BlockSize();
  plan.ChunkBytes = std::max(sizes.Chunk, plan.Block) / plan.Block * plan.Block;
  plan.FirstChunkBytes =
      std::clamp(sizes.FirstChunk, plan.Block, plan.ChunkBytes) / plan.Block * plan.Block;
  plan.Threads = sizes.Threads;
  // Where the chunks merged so far end (a block boundary), scanning from
  // where the line not yet ended on starts, if that is further.
  plan.Begin = FScanned;
  plan.ScanFrom = std::max(plan.Begin, static_cast<int64_t>(FOpenStart));
  plan.End = FText->Size();
  return plan;
}

void TBvStrings::Merge(const TLineIndexer::Chunk& chunk) {
  FText->AddSums(chunk.Sums.data(), chunk.Sums.size());
  FScanned = chunk.Begin + static_cast<int64_t>(chunk.Size);
  const auto begin = static_cast<uint64_t>(chunk.Begin);
  const size_t n = chunk.Breaks.size();
  if (n == 0) {
    FOpenTabs += chunk.HeadTabs;
    return;
  }
  // Line k of the chunk: the one ending at its k-th line end.
  const auto start = [&](size_t k) { return k == 0 ? FOpenStart : begin + chunk.NextStart(k - 1); };
  const auto tabs = [&](size_t k) {
    return k == 0 ? FOpenTabs + chunk.HeadTabs : chunk.Tabs[k - 1];
  };
  size_t k = 0;
  try {
    if (FCompact && Count() + static_cast<int64_t>(n) <= FCapacity) {
      // Straight into the index while every place fits it, in locals: the
      // byte stores would otherwise make every member be read again.
      size_t i = FStarts.size();
      FStarts.grow_to(i + n);
      FTabs.grow_to(i + n);
      uint32_t* const starts = FStarts.data();
      uint8_t* const tabCounts = FTabs.data();
      const uint32_t* const breaks = chunk.Breaks.data();
      const uint8_t* const chunkTabs = chunk.Tabs.data();
      constexpr size_t kGroup = (size_t{1} << kGroupShift) - 1;
      uint64_t base = FBases.empty() ? 0 : FBases.back(), lastEnd = FLastEnd, s = start(0);
      unsigned t = tabs(0);
      // Moves past line end j: where the line before ends, and the next
      // line's place and tabs (none counted here after the chunk's last).
      const auto passEnd = [&](size_t j) {
        const uint32_t b = breaks[j];
        lastEnd = begin + TChunkScan::BreakOf(b);
        s = begin + TChunkScan::StartAfter(b);
        t = j + 1 < n ? chunkTabs[j] : 0;
      };
      // One line at a time; false when its place is too far from its
      // group's base.
      const auto put = [&] {
        if ((i & kGroup) == 0) {
          FBases.push_back(s);
          base = s;
        }
        const uint64_t offset = s - base;
        if (offset > kMaxOffset) {
          if ((i & kGroup) == 0) FBases.pop_back();
          return false;
        }
        starts[i] = static_cast<uint32_t>(offset << 1) | (i > 0 && s - lastEnd == 2 ? 1u : 0u);
        tabCounts[i] = static_cast<uint8_t>(std::min(t, 255u));
        passEnd(k);
        ++k;
        ++i;
        return true;
      };
      bool fits = put();
      // The lines after the first take their places from the line ends
      // before them, a group's run at a time: the run's last place is its
      // farthest from the base, and the others are worked out four at a
      // time.
      while (fits && k < n) {
        // Lines up to the end of this one's group, this one included.
        const size_t room = kGroup + 1 - (i & kGroup);
        if (room == kGroup + 1 || k + 1 == n) {
          fits = put();
          continue;
        }
        // The chunk's last line goes alone: no line end follows it here.
        const size_t run = std::min(n - 1 - k, room);
        if (begin + TChunkScan::StartAfter(breaks[k + run - 2]) - base > kMaxOffset) {
          while (fits && k < n) fits = put();
          break;
        }
        // Offsets modulo 2^32 are exact below 2^31.
        const auto rel = static_cast<uint32_t>(begin - base);
        const uint32_t* const from = breaks + k - 1;
        size_t j = 0;
#if defined(__SSE2__)
        const __m128i one = _mm_set1_epi32(1), next = _mm_set1_epi32(static_cast<int>(rel + 1));
        for (; j + 4 <= run; j += 4) {
          const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + j));
          const __m128i lf = _mm_and_si128(b, one);
          const __m128i offset = _mm_add_epi32(_mm_add_epi32(_mm_srli_epi32(b, 1), next), lf);
          _mm_storeu_si128(reinterpret_cast<__m128i*>(starts + i + j),
                           _mm_or_si128(_mm_slli_epi32(offset, 1), lf));
        }
#endif
        for (; j < run; ++j) {
          const uint32_t b = from[j];
          starts[i + j] = static_cast<uint32_t>(rel + TChunkScan::StartAfter(b)) << 1 | (b & 1);
        }
        std::memcpy(tabCounts + i, chunkTabs + k - 1, run);
        k += run;
        i += run;
        passEnd(k - 1);
      }
      FLastEnd = lastEnd;
      FStarts.adopt(i);
      FTabs.adopt(i);
    }
    // The rest one by one: growing by steps, or into slots.
    for (; k < n; ++k) AddIndexed(start(k), begin + chunk.BreakAt(k), tabs(k));
  } catch (const TooManyLinesError&) {
    Clear();
    throw;
  }
  FOpenStart = begin + chunk.NextStart(n - 1);
  FOpenTabs = chunk.TailTabs;
}

void TBvStrings::ShareAhead(std::vector<std::shared_ptr<platform::PagesAhead>>& out) {
  if (!FCompact) return;
  out.push_back(FStarts.ShareAhead());
  out.push_back(FTabs.ShareAhead());
}

void TBvStrings::StopAhead() {
  FStarts.StopAhead();
  FTabs.StopAhead();
}

void TBvStrings::FinishIndex(int64_t textEnd) {
  if (!FIndexing) return;
  FIndexing = false;
  const auto end = static_cast<uint64_t>(textEnd >= 0 ? textEnd : FText->Size());
  try {
    if (FOpenStart < end) AddIndexed(FOpenStart, end, FOpenTabs);
  } catch (const TooManyLinesError&) {
    Clear();
    throw;
  }
  FOpenStart = end;
  FScanned = TextSize();
  FEnded = textEnd >= 0;
  SetCapacity(Count());
}

void TBvStrings::CutIndex(int64_t size) {
  if (FText != nullptr && size < FText->Size()) FText->Truncate(size);
  if (FSourceSize > size) FSourceSize = size;
}

std::shared_ptr<platform::ReadOnlyFile> TBvStrings::OpenSource() const {
  try {
    return std::make_shared<platform::ReadOnlyFile>(FSourceName);
  } catch (const InOutError& e) {
    throw TextReadError(e.what());
  }
}

TFileChange TBvStrings::Compare(const platform::ReadOnlyFile& file, bool checkTail,
                                int64_t& size) const {
  if (!(file.Identity() == FSourceIdentity)) return TFileChange::Changed;
  size = file.Size();
  if (size < FSourceSize || (checkTail && !FText->SameTail(file))) return TFileChange::Changed;
  return size > FSourceSize ? TFileChange::Grew : TFileChange::None;
}

TFileChange TBvStrings::FileChange(bool checkTail) const {
  if (FSourceSize < 0 || FIndexing) return TFileChange::None;
  try {
    int64_t size = 0;
    return Compare(*OpenSource(), checkTail, size);
  } catch (const TextReadError&) {
    return TFileChange::Gone;
  }
}

bool TBvStrings::ReopenIndex() {
  if (FSourceSize < 0 || FIndexing || !FCompact || !FInOrder) return false;
  const std::shared_ptr<platform::ReadOnlyFile> file = OpenSource();
  int64_t size = 0;
  const TFileChange change = Compare(*file, true, size);
  if (change == TFileChange::Changed) throw TextChangedError();
  if (change == TFileChange::None) return true;
  FSourceSize = size;
  // Nothing after a 0x1A is text.
  if (FEnded) return true;
  if (FText->Memory() != nullptr) {
    // Text read whole into memory stays in the file from now on, checked
    // by the sums of what was read.
    const TFileText& old = *FText;
    auto text = std::make_unique<TFileText>(file, old.Size(), FSizes.Block, FSizes.Cache);
    std::vector<uint64_t> sums;
    AppendBlockSums(old.Memory(), static_cast<size_t>(old.Size()), FSizes.Block, sums);
    text->AddSums(sums.data(), sums.size());
    FText = std::move(text);
  }
  // The last line may go on: it is indexed again from its start, and so
  // is a line end that was a lone CR at the end, which an LF may follow
  // now.
  FOpenTabs = 0;
  if (const size_t n = FStarts.size(); n > 0) {
    FOpenStart = CompactStart(n - 1);
    FLastEnd = n > 1 ? FOpenStart - 1 - (FStarts[n - 1] & 1) : 0;
    if (((n - 1) & ((size_t{1} << kGroupShift) - 1)) == 0) FBases.pop_back();
    FStarts.resize(n - 1);
    FTabs.resize(n - 1);
  } else {
    FOpenStart = 0;
    FLastEnd = 0;
  }
  const auto block = static_cast<int64_t>(FText->BlockSize());
  FScanned = static_cast<int64_t>(FOpenStart) / block * block;
  FText->Grow(size, FScanned / block);
  SetCapacity(std::min(Count() + (size - FScanned) / kPresizeDivisor + 1, kMaxListSize));
  FIndexing = true;
  return true;
}

void TBvStrings::AbandonIndex() { FIndexing = false; }

void TBvStrings::LoadFromFile(const std::filesystem::path& fileName) {
  LoadFromFile(fileName, TIndexSizes());
}

void TBvStrings::LoadFromFile(const std::filesystem::path& fileName, const TIndexSizes& sizes) {
  OpenFile(fileName, sizes);
  IndexRest(sizes);
  if (FText != nullptr) FText->ReleaseFile();
}

void TBvStrings::IndexRest(const TIndexSizes& sizes) {
  if (!FIndexing) return;
  int64_t textEnd = -1;
  try {
    TLineIndexer indexer(IndexFile(), IndexMemory(), IndexPlan(sizes), nullptr);
    for (;;) {
      TLineIndexer::Chunk* chunk = indexer.Next(1000);
      if (chunk == nullptr) {
        if (indexer.Finished()) break;
        continue;
      }
      struct Give {
        TLineIndexer& indexer;
        TLineIndexer::Chunk* chunk;
        ~Give() { indexer.Release(chunk); }
      } give{indexer, chunk};
      // A failed read keeps the lines read before it.
      if (chunk->Error) {
        indexer.Stop();
        AbandonIndex();
        std::rethrow_exception(chunk->Error);
      }
      // A file cut while it is read simply ends early; a 0x1A ends the text.
      if (chunk->Short) CutIndex(chunk->Begin + static_cast<int64_t>(chunk->Size));
      if (chunk->TextEnd >= 0) textEnd = chunk->Begin + chunk->TextEnd;
      Merge(*chunk);
    }
  } catch (const TooManyLinesError&) {
    Clear();
    throw;
  } catch (...) {
    AbandonIndex();
    throw;
  }
  FinishIndex(textEnd);
}

void TBvStrings::SaveToStream(std::ostream& stream) const {
  ForEachLine(0, Count(), [&](int64_t, std::string_view line) {
    stream.write(line.data(), static_cast<std::streamsize>(line.size()));
    stream.write("\r\n", 2);
  });
  if (!stream) throw InOutError("ストリームに書き込めません");
}

void TBvStrings::SaveToFile(const std::filesystem::path& fileName) const {
  platform::NewFile file(fileName);
  std::string block;
  block.reserve(kReadBlock);
  ForEachLine(0, Count(), [&](int64_t, std::string_view line) {
    if (block.size() + line.size() + 2 > kReadBlock && !block.empty()) {
      file.Write(block.data(), block.size());
      block.clear();
    }
    if (line.size() >= kReadBlock) {
      file.Write(line.data(), line.size());
    } else {
      block.append(line);
    }
    block.append("\r\n");
  });
  file.Write(block.data(), block.size());
  file.Close();
}

std::string TBvStrings::GetCommaText() const {
  std::string text;
  text.reserve(4096);
  ForEachLine(0, Count(), [&](int64_t i, std::string_view line) {
    if (i > 0) text.push_back(',');
    const bool quote = line.find_first_of(" ,") != std::string_view::npos;
    if (quote) text.push_back('"');
    text.append(line);
    if (quote) text.push_back('"');
  });
  return text;
}

void TBvStrings::SetCommaText(std::string_view value) {
  Clear();
  size_t pos = 0;
  while (pos < value.size()) {
    const bool quoted = value[pos] == '"';
    if (quoted) ++pos;
    size_t end = pos;
    while (end < value.size()) {
      const char c = value[end];
      if (c == '\r' || c == '\0' || c == '"' || (!quoted && c == ',')) break;
      ++end;
    }
    Add(value.substr(pos, end - pos));
    pos = end + (quoted ? 2 : 1);
  }
}

std::string_view TBvStrings::Reader::Bytes(uint64_t start, size_t n) {
  if (n == 0) return {};
  if (const char* memory = FText->Memory()) return {memory + start, n};
  if (start < FWindowStart || start + n > FWindowStart + FWindow.size()) {
    // A window of whole blocks from the line's block on, as long as the
    // line when it is longer.
    const auto block = static_cast<uint64_t>(FText->BlockSize());
    const uint64_t first = start / block;
    const uint64_t last = (start + n + block - 1) / block;
    // Beyond what this line needs, what the visit is about to read, up to
    // a read's worth.
    const uint64_t ahead = std::min<uint64_t>(FSpan, kReadBlock) / block + 1;
    const uint64_t blocks = std::max<uint64_t>(last - first, ahead);
    FWindow = FText->ReadBlocks(static_cast<int64_t>(first), static_cast<int64_t>(blocks), FBuffer);
    FWindowStart = first * block;
  }
  return FWindow.substr(static_cast<size_t>(start - FWindowStart), n);
}

}  // namespace varlo
