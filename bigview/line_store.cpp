#include "bigview/line_store.h"

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <exception>
#include <istream>
#include <mutex>
#include <new>
#include <ostream>
#include <stdexcept>
#include <thread>

#include "bigview/byte_scan.h"
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
// Large reads keep system calls rare; each block is scanned while it is
// still in the cache.
constexpr size_t kReadBlock = size_t{1} << 20;
constexpr char kEndOfText = 0x1A;

// Reads a file into buffer[from, to) on a thread of its own, a block at a
// time, so that copying the next block overlaps with finding the lines of
// the last one. Only this thread touches the file and the bytes not yet
// reported; the buffer must not move while it runs.
class ReadAhead {
 public:
  struct Progress {
    size_t filled;  // buffer[0, filled) holds the file's bytes
    bool ended;     // no more will come: the file ended, the buffer is full or a read failed
    bool atEnd;     // the file ended
  };

  // `reading` is true for as long as the thread may write into the buffer.
  ReadAhead(platform::ReadOnlyFile& file, platform::LargeBuffer& buffer, size_t from, size_t to,
            bool& reading)
      : FReading(reading),
        FFilled(from),
        FThread([this, &file, &buffer, to] { Run(file, buffer, to); }) {
    FReading = true;
  }
  ~ReadAhead() {
    {
      std::lock_guard lock(FMutex);
      FStop = true;
    }
    FThread.join();
    FReading = false;
  }
  ReadAhead(const ReadAhead&) = delete;
  ReadAhead& operator=(const ReadAhead&) = delete;

  // Waits until more than `seen` bytes are in or the reading has ended.
  Progress WaitPast(size_t seen) {
    std::unique_lock lock(FMutex);
    FChanged.wait(lock, [&] { return FFilled > seen || FEnded; });
    return {FFilled, FEnded, FAtEnd};
  }
  // What a failed read raised, once the reading has ended.
  std::exception_ptr Error() {
    std::lock_guard lock(FMutex);
    return FError;
  }

 private:
  void Run(platform::ReadOnlyFile& file, platform::LargeBuffer& buffer, size_t to) {
    size_t filled = FFilled;  // before the thread started: no lock needed
    bool atEnd = false;
    std::exception_ptr error;
    try {
      while (filled < to) {
        const size_t n = std::min(kReadBlock, to - filled);
        buffer.Prefault(filled, n);
        const size_t got = file.Read(buffer.Data() + filled, n);
        if (got == 0) {
          atEnd = true;
          break;
        }
        filled += got;
        {
          std::lock_guard lock(FMutex);
          FFilled = filled;
          if (FStop) break;
        }
        FChanged.notify_one();
      }
    } catch (...) {
      error = std::current_exception();
    }
    {
      std::lock_guard lock(FMutex);
      FEnded = true;
      FAtEnd = atEnd;
      FError = error;
    }
    FChanged.notify_one();
  }

  bool& FReading;
  std::mutex FMutex;
  std::condition_variable FChanged;
  size_t FFilled;
  bool FEnded = false;
  bool FAtEnd = false;
  bool FStop = false;
  std::exception_ptr FError;
  std::thread FThread;  // last: it starts once the state above exists
};

}  // namespace

TooManyLinesError::TooManyLinesError()
    : Exception("行数が多すぎるため読み込めません (最大 134217727 行)") {}

TBvStrings::~TBvStrings() { Clear(); }

TBvStrings::Slot TBvStrings::MakeOwned(std::string_view s) {
  Slot slot;
  if (s.empty()) return slot;
  char* p = new char[s.size()];
  std::memcpy(p, s.data(), s.size());
  slot.data = p;
  slot.size = s.size() | Slot::kOwned;
  return slot;
}

void TBvStrings::Release(Slot& slot) {
  if (slot.size & Slot::kOwned) delete[] slot.data;
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
  // The loader empties the store once nothing writes into its text any more.
  if (Count() == kMaxListSize) throw TooManyLinesError();
  Grow();
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
  ForEachLine(0, Count(), [&](int64_t i, std::string_view line, std::string_view) {
    if (found < 0 && line == s) found = i;
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
  const auto n = static_cast<int64_t>(s.size());
  while (lineIndex < Count()) {
    const std::string_view line = Line(static_cast<size_t>(lineIndex));
    const int64_t last = static_cast<int64_t>(line.size()) - n + 1;
    if (column < 1) column = 1;
    for (; column <= last; ++column) {
      const char c = line[static_cast<size_t>(column - 1)];
      if ((c == lo || c == up) &&
          std::equal(s.begin(), s.end(), line.begin() + (column - 1), foldEqual))
        return true;
    }
    ++lineIndex;
    column = 1;
  }
  return false;
}

void TBvStrings::Clear() {
  // Releasing the text while the reading thread writes into it would be a
  // write into freed memory.
  if (FReading) throw std::logic_error("line store cleared while a file is read into it");
  if (FCapacity > 0) {
    for (Slot& slot : FList) Release(slot);
    FList.release();
    FStarts.release();
    FBases = {};
    FCapacity = 0;
  }
  FText.Reset();
  FLastEnd = 0;
  FCompact = true;
  FInOrder = true;
}

bool TBvStrings::AppendCompact(uint64_t start, uint64_t end) {
  const size_t i = FStarts.size();
  // Each group's base is where its first line starts.
  if ((i & ((size_t{1} << kGroupShift) - 1)) == 0) FBases.push_back(start);
  const uint64_t offset = start - FBases[i >> kGroupShift];
  if (offset > kMaxOffset) return false;
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
    const std::string_view line = CompactLine(i);
    FList.push_back(Slot{line.data(), line.size()});
  }
  FStarts.release();
  FBases = {};
  FCompact = false;
}

size_t TBvStrings::IndexBytes() const {
  return FCompact ? FStarts.size() * sizeof(uint32_t) + FBases.size() * sizeof(uint64_t)
                  : FList.size() * sizeof(Slot);
}

TBvStrings::Run TBvStrings::RunAt(int64_t line, int64_t lo, int64_t hi) const {
  if (FInOrder) {
    const std::string_view last = Line(static_cast<size_t>(hi - 1));
    return {lo, hi, LineData(static_cast<size_t>(lo)), last.data() + last.size()};
  }
  const Slot* slots = FList.data();
  const auto end = [&](int64_t i) { return slots[i].data + slots[i].Length(); };
  // A line of its own, or an empty one that points nowhere, is a run alone.
  const auto inText = [&](int64_t i) {
    return (slots[i].size & Slot::kOwned) == 0 && slots[i].data != nullptr;
  };
  if (!inText(line)) return {line, line + 1, slots[line].data, end(line)};
  int64_t first = line, last = line + 1;
  while (first > lo && inText(first - 1) && end(first - 1) <= slots[first].data) --first;
  while (last < hi && inText(last) && end(last - 1) <= slots[last].data) ++last;
  return {first, last, slots[first].data, end(last - 1)};
}

int64_t TBvStrings::LineOfByte(const Run& run, const char* p, int64_t hint) const {
  const auto after = [&](int64_t i) { return LineData(static_cast<size_t>(i)) > p; };
  // Gallop from the hint to a range that holds the answer, then halve it:
  // slots[lo] starts at or before p, slots[hi] after it (or hi is the end).
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
  ForEachLine(0, Count(),
              [&](int64_t, std::string_view line, std::string_view) { dest.Add(line); });
}

std::string TBvStrings::GetTextStr() const {
  size_t total = 0;
  ForEachLine(0, Count(), [&](int64_t, std::string_view line, std::string_view) {
    total = CheckedAdd(total, CheckedAdd(line.size(), size_t{2}));
  });
  std::string text;
  text.reserve(total);
  ForEachLine(0, Count(), [&](int64_t, std::string_view line, std::string_view) {
    text.append(line);
    text.append("\r\n");
  });
  return text;
}

void TBvStrings::IndexText(size_t size) {
  const char* text = FText.Data();
  size_t pos = 0;
  try {
    for (;;) {
      size_t end = pos;
      while (end < size && text[end] != '\0' && text[end] != '\n' && text[end] != '\r') ++end;
      if (Count() == FCapacity) MakeRoom();
      AddLoaded(pos, end);
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
  FText = platform::LargeBuffer(value.size());
  std::memcpy(FText.Data(), value.data(), value.size());
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
  FText = platform::LargeBuffer(static_cast<size_t>(n));
  if (!stream.read(FText.Data(), n)) {
    FText.Reset();
    throw InOutError("ストリームを読めません");
  }
  IndexText(static_cast<size_t>(n));
}

void TBvStrings::GrowText(size_t size) {
  // The block may move; every line is a view into it at this point (the
  // compact index holds offsets, which stay).
  const char* old = FText.Data();
  FText.Resize(size);
  for (Slot& slot : FList) slot.data = FText.Data() + (slot.data - old);
}

void TBvStrings::AddLoaded(size_t start, size_t end) {
  if (FCompact && AppendCompact(start, end)) return;
  // A place the compact index cannot hold (a line of 2 GiB or more).
  ToSlots();
  FList.push_back(Slot{FText.Data() + start, end - start});
}

void TBvStrings::LoadFromFile(const std::filesystem::path& fileName) {
  LoadFromFile(fileName, nullptr);
}

void TBvStrings::LoadFromFile(const std::filesystem::path& fileName, const LoadProgress& progress) {
  Clear();
  platform::ReadOnlyFile file(fileName);
  const int64_t size = file.Size();
  Presize(size);
  try {
    LoadLines(file, size, progress);
  } catch (const TooManyLinesError&) {
    // The reading thread is gone with the loop: only now may the text go.
    Clear();
    throw;
  }
  SetCapacity(Count());
}

void TBvStrings::LoadLines(platform::ReadOnlyFile& file, int64_t size,
                           const LoadProgress& onBlock) {
  // One buffer for the whole file. A file that grows while it is read (a log
  // still being written) gets more room; one that shrinks simply ends early.
  FText = platform::LargeBuffer(static_cast<size_t>(size) + 1);
  size_t filled = 0;     // bytes read so far
  size_t lineStart = 0;  // first byte of the line being collected
  size_t scanned = 0;    // bytes searched for line ends so far
  bool endOfText = false;

  const auto addLine = [&](size_t end) {
    if (Count() == FCapacity) [[unlikely]]
      MakeRoom();
    AddLoaded(lineStart, end);
  };

  while (!endOfText) {
    if (filled == FText.Size()) GrowText(CheckedAdd(FText.Size(), FText.Size() / 2 + kReadBlock));
    ReadAhead reader(file, FText, filled, FText.Size(), FReading);
    bool ended = false;
    while (!ended && !endOfText) {
      const ReadAhead::Progress progress = reader.WaitPast(filled);
      filled = progress.filled;
      ended = progress.ended;
      const bool fileEnded = progress.atEnd;

      // A CR is handled once the byte after it is known, so the last byte
      // read waits for the next block unless the file ends here.
      const char* text = FText.Data();
      const size_t ready = fileEnded ? filled : std::max(scanned, filled > 0 ? filled - 1 : 0);
      // A block at a time, so that the caller hears of every one.
      for (;;) {
        size_t limit = std::min(ready, scanned + kReadBlock);
        const bool all = limit == ready;
        ForEachLineEnd(text, scanned, limit, [&](size_t at) {
          if (text[at] == kEndOfText) {
            limit = at;
            endOfText = true;
            return false;
          }
          addLine(at);
          lineStart = at + 1;
          if (lineStart < filled && text[lineStart] == '\n') ++lineStart;
          return true;
        });
        // After a CR LF the LF lies beyond `limit` only when the CR was the
        // last byte searched; start the next search after it.
        scanned = std::max(limit, lineStart);
        if (all && fileEnded) endOfText = true;
        if (endOfText && lineStart < limit) addLine(limit);
        if (onBlock)
          onBlock(Count(), static_cast<int64_t>(scanned), static_cast<int64_t>(filled), size);
        if (all || endOfText) break;
      }
    }
    // A failed read keeps the lines read before it, unless the text had
    // ended before the failure mattered.
    if (std::exception_ptr error = reader.Error(); error && !endOfText)
      std::rethrow_exception(error);
  }
}

void TBvStrings::SaveToStream(std::ostream& stream) const {
  ForEachLine(0, Count(), [&](int64_t, std::string_view line, std::string_view) {
    stream.write(line.data(), static_cast<std::streamsize>(line.size()));
    stream.write("\r\n", 2);
  });
  if (!stream) throw InOutError("ストリームに書き込めません");
}

void TBvStrings::SaveToFile(const std::filesystem::path& fileName) const {
  platform::NewFile file(fileName);
  std::string block;
  block.reserve(kReadBlock);
  ForEachLine(0, Count(), [&](int64_t, std::string_view line, std::string_view) {
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
  ForEachLine(0, Count(), [&](int64_t i, std::string_view line, std::string_view) {
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

}  // namespace varlo
