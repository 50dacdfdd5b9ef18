// TBvStrings: the text the viewer shows, one byte string per logical line,
// without the bytes that ended the lines in the source.
//
// A loaded file is read into one buffer. As long as its lines are unchanged
// the store keeps only where each starts, 4 bytes a line; the first change
// turns them into slots (a view into the buffer, or bytes of its own for a
// replaced or added line), 16 bytes a line. The slot capacity the callers
// see (growth by 32, presizing, trimming) is bookkeeping over storage that
// grows geometrically underneath.
#pragma once

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

#include "platform/errors.h"
#include "platform/file.h"
#include "platform/large_vector.h"
#include "platform/memory.h"
#include "platform/string_list.h"

namespace varlo {

// The store holds at most this many lines and slots (2^27 - 1).
inline constexpr int64_t kMaxListSize = 134'217'727;

inline constexpr const char* kListIndexError = "インデックスがリストの範囲を超えています";

// Raised when a file or text has more lines than the store can hold; the
// store is then empty.
class TooManyLinesError : public Exception {
 public:
  TooManyLinesError();
};

class TBvStrings {
 public:
  TBvStrings() = default;
  virtual ~TBvStrings();
  TBvStrings(const TBvStrings&) = delete;
  TBvStrings& operator=(const TBvStrings&) = delete;

  // Overridable operations, in the order the viewer's interface lists them.
  virtual std::string GetTextStr() const;
  virtual void SetTextStr(std::string_view value);
  virtual void SetCount(int64_t newCount);
  virtual void SetCapacity(int64_t newCapacity);
  virtual void SetCommaText(std::string_view value);
  virtual std::string GetCommaText() const;
  [[noreturn]] virtual void Error() const;
  virtual void LoadFromFile(const std::filesystem::path& fileName);
  virtual void SaveToFile(const std::filesystem::path& fileName) const;
  virtual void SaveToStream(std::ostream& stream) const;
  virtual void LoadFromStream(std::istream& stream);
  virtual int64_t IndexOf(std::string_view s) const;

  int64_t Add(std::string_view s);
  void Insert(int64_t index, std::string_view s);
  void Delete(int64_t index);
  void Exchange(int64_t index1, int64_t index2);
  // The line's bytes; valid until that line is changed or the store cleared.
  std::string_view Get(int64_t index) const {
    if (index < 0 || index >= Count()) Error();
    return Line(static_cast<size_t>(index));
  }
  void Put(int64_t index, std::string_view s);
  // Forward search ignoring ASCII case from (lineIndex, column), column
  // 1-based; on success the pair gives the match.
  bool Find(std::string_view s, int64_t& lineIndex, int64_t& column) const;
  void Clear();

  int64_t Count() const { return static_cast<int64_t>(FCompact ? FStarts.size() : FList.size()); }
  int64_t Capacity() const { return FCapacity; }

  // Calls f(index, line, ahead) for the lines from `from` on, in order: the
  // fast way through every line. `ahead` is the line kAhead places further
  // (empty past the end), for the caller to fetch what it will read.
  static constexpr size_t kAhead = 16;
  // Only reads the store: several threads may visit it at once.
  template <class F>
  void ForEachLine(int64_t from, int64_t to, F&& f) const {
    const size_t n = std::min(static_cast<size_t>(Count()), static_cast<size_t>(to));
    if (FCompact) {
      for (size_t i = static_cast<size_t>(from); i < n; ++i)
        f(static_cast<int64_t>(i), CompactLine(i),
          i + kAhead < n ? CompactLine(i + kAhead) : std::string_view());
      return;
    }
    const Slot* slots = FList.data();
    for (size_t i = static_cast<size_t>(from); i < n; ++i)
      f(static_cast<int64_t>(i), slots[i].View(),
        i + kAhead < n ? slots[i + kAhead].View() : std::string_view());
  }

  // Called while a file loads, after each block: the lines so far (each
  // complete and readable), the bytes they came from, the bytes read so
  // far and the file's size.
  using LoadProgress = std::function<void(int64_t lines, int64_t done, int64_t read, int64_t size)>;
  void LoadFromFile(const std::filesystem::path& fileName, const LoadProgress& progress);

  // Bytes the store keeps besides the text, for the benchmarks.
  size_t IndexBytes() const;

  // Lines whose bytes lie one after another in one block of memory, with
  // nothing but bytes of no line between them: a search scans the block
  // instead of visiting the lines. Lines [First, Last), bytes [Begin, End).
  struct Run {
    int64_t First = 0, Last = 0;
    const char* Begin = nullptr;
    const char* End = nullptr;
  };
  // The longest such run within lines [lo, hi) that holds `line`.
  Run RunAt(int64_t line, int64_t lo, int64_t hi) const;
  // The line of the run whose bytes start at or before p, the last such:
  // the line holding p, or the one before the gap p lies in. Looks near
  // `hint` first, so a scan that moves on from line to line stays cheap.
  int64_t LineOfByte(const Run& run, const char* p, int64_t hint) const;

  void AddStrings(const StringListRef& source);
  void Assign(const StringListRef& source);
  void AssignTo(StringListSinkRef dest) const;

 private:
  // A line: a view into FText, or bytes of its own when kOwned is set.
  struct Slot {
    const char* data = nullptr;
    uint64_t size = 0;
    static constexpr uint64_t kOwned = uint64_t{1} << 63;
    size_t Length() const { return static_cast<size_t>(size & ~kOwned); }
    std::string_view View() const { return {data, Length()}; }
  };
  static Slot MakeOwned(std::string_view s);
  static void Release(Slot& slot);

  // Lines of FText in order, by where each starts: entry i is the offset
  // of line i from its group's base, shifted left by one, with bit 0 set
  // when the line before it ended with CR LF (else with one byte). A line
  // ends where the next one starts, less its line end; the last one at
  // FLastEnd. A group of 2^kGroupShift lines shares one 64-bit base.
  static constexpr int kGroupShift = 12;
  static constexpr uint64_t kMaxOffset = (uint64_t{1} << 31) - 1;
  uint64_t CompactStart(size_t i) const { return FBases[i >> kGroupShift] + (FStarts[i] >> 1); }
  std::string_view CompactLine(size_t i) const {
    const uint64_t start = CompactStart(i);
    const uint64_t end =
        i + 1 < FStarts.size() ? CompactStart(i + 1) - 1 - (FStarts[i + 1] & 1) : FLastEnd;
    return {FText.Data() + start, static_cast<size_t>(end - start)};
  }
  std::string_view Line(size_t i) const { return FCompact ? CompactLine(i) : FList[i].View(); }
  // Appends a line of FText [start, end) to the compact index; false when
  // its place cannot be held there (the caller then turns to slots).
  bool AppendCompact(uint64_t start, uint64_t end);
  // Every line becomes a slot: before any change of a line.
  void ToSlots();
  // Appends the loaded line FText[start, end).
  void AddLoaded(size_t start, size_t end);
  const char* LineData(size_t i) const {
    return FCompact ? FText.Data() + CompactStart(i) : FList[i].data;
  }

  void CheckIndex(int64_t index) const;
  void Grow();
  void Append(Slot slot);
  // Adds the lines of FText[0, size) by the text rules of SetTextStr.
  void IndexText(size_t size);
  void Presize(int64_t bytes);
  void GrowText(size_t size);

  // Room for one more line while loading; raises TooManyLinesError when the
  // store is full (the loader then empties it).
  void MakeRoom();
  // Reads the lines of a file into the store, which the caller has emptied
  // and presized.
  void LoadLines(platform::ReadOnlyFile& file, int64_t size, const LoadProgress& progress);

  // Every line lies in FText and they follow in order: one run. Loading
  // leaves it so; anything that puts a line of its own clears it.
  bool FInOrder = true;
  // The lines are FStarts (true) or FList (false).
  bool FCompact = true;
  platform::LargeVector<uint32_t> FStarts;
  std::vector<uint64_t> FBases;
  uint64_t FLastEnd = 0;
  platform::LargeVector<Slot> FList;
  int64_t FCapacity = 0;
  platform::LargeBuffer FText;
  bool FReading = false;  // a thread is reading a file into FText
};

}  // namespace varlo
