// TBvStrings: the text the viewer shows, one byte string per logical line,
// without the bytes that ended the lines in the source.
//
// A loaded file is read into one buffer and each line is a view into it
// until the line is replaced; replaced and added lines own their bytes. The
// slot capacity the callers see (growth by 32, presizing, trimming) is
// bookkeeping over storage that grows geometrically underneath.
#pragma once

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <iosfwd>
#include <string>
#include <string_view>

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
    return FList[static_cast<size_t>(index)].View();
  }
  void Put(int64_t index, std::string_view s);
  // Forward search ignoring ASCII case from (lineIndex, column), column
  // 1-based; on success the pair gives the match.
  bool Find(std::string_view s, int64_t& lineIndex, int64_t& column) const;
  void Clear();

  int64_t Count() const { return static_cast<int64_t>(FList.size()); }
  int64_t Capacity() const { return FCapacity; }

  // Calls f(index, line, ahead) for the lines from `from` on, in order: the
  // fast way through every line. `ahead` is the line kAhead places further
  // (empty past the end), for the caller to fetch what it will read.
  static constexpr size_t kAhead = 16;
  // Only reads the store: several threads may visit it at once.
  template <class F>
  void ForEachLine(int64_t from, int64_t to, F&& f) const {
    const Slot* slots = FList.data();
    const size_t n = std::min(FList.size(), static_cast<size_t>(to));
    for (size_t i = static_cast<size_t>(from); i < n; ++i)
      f(static_cast<int64_t>(i), slots[i].View(),
        i + kAhead < n ? slots[i + kAhead].View() : std::string_view());
  }

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
  void LoadLines(platform::ReadOnlyFile& file, int64_t size);

  // Every slot is a view into FText and they follow in order: one run.
  // Loading leaves it so; anything that puts a line of its own clears it.
  bool FInOrder = true;
  platform::LargeVector<Slot> FList;  // FList.size() is the line count
  int64_t FCapacity = 0;
  platform::LargeBuffer FText;
  bool FReading = false;  // a thread is reading a file into FText
};

}  // namespace varlo
