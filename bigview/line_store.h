// TBvStrings: the text the viewer shows, one byte string per logical line,
// without the bytes that ended the lines in the source.
//
// A file's text stays in the file: the store keeps where each line starts,
// 4 bytes a line, and a count of its tabs, 1 byte, and reads the bytes of a
// line when it is asked for them (TFileText: a bounded cache of blocks,
// each checked against what was indexed). Text that cannot be read again
// (a stream, a pipe, a text handed over) is kept in memory the same way.
// The first change of a line turns the index into slots of 16 bytes a
// line (a place in the text, or bytes of its own for a replaced or added
// line). The slot capacity the callers see (growth by 32, presizing,
// trimming) is bookkeeping over storage that grows geometrically
// underneath.
//
// A file is indexed in steps: OpenFile, then the chunks a TLineIndexer
// finds, in order, through Merge, then FinishIndex. LoadFromFile does all
// of it at once.
#pragma once

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <iosfwd>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "bigview/file_text.h"
#include "bigview/line_indexer.h"
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

// How a file is read for its index: the sizes a program uses, or smaller
// ones with which a test sees a small file read in many steps.
struct TIndexSizes {
  size_t Block = TFileText::kBlock;               // a power of two
  size_t Chunk = TLineIndexer::kChunk;            // a multiple of Block
  size_t FirstChunk = TLineIndexer::kFirstChunk;  // at most Chunk
  int64_t InMemory = int64_t{4} << 20;  // files up to this size are read into memory whole
  size_t Cache = TFileText::kCacheBytes;
  int Threads = 0;  // 0: one a core
};

// How the file a text was read from has changed since.
enum class TFileChange : uint8_t {
  None,     // as it was (or the text is not a file's)
  Grew,     // bytes were added at its end
  Changed,  // cut, rewritten, or another file under its name
  Gone,     // no file can be opened under its name
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
  // The line's bytes, read from the file when they are there: raises
  // TextChangedError or InOutError when that fails.
  std::string Get(int64_t index) const {
    if (index < 0 || index >= Count()) Error();
    return Bytes(index, 0, Length(index));
  }
  // Bytes [from, from + n) of a line (within it); reads as Get does.
  std::string Bytes(int64_t index, size_t from, size_t n) const;
  // The line's length, without reading it.
  size_t Length(int64_t index) const;
  // How many of its bytes are tabs (0x09), up to 255, without reading it.
  unsigned Tabs(int64_t index) const;
  void Put(int64_t index, std::string_view s);
  // Forward search ignoring ASCII case from (lineIndex, column), column
  // 1-based; on success the pair gives the match.
  bool Find(std::string_view s, int64_t& lineIndex, int64_t& column) const;
  void Clear();

  int64_t Count() const { return static_cast<int64_t>(FCompact ? FStarts.size() : FList.size()); }
  int64_t Capacity() const { return FCapacity; }

  // Calls f(index, text) for the lines [from, to) in order: the fast way
  // through many lines, reading the file a window at a time. Only reads:
  // several threads may visit at once.
  template <class F>
  void ForEachLine(int64_t from, int64_t to, F&& f) const {
    VisitLines(
        from, to, [](size_t, unsigned) { return true; },
        [&](int64_t i, size_t, unsigned, std::string_view text) { f(i, text); });
  }
  // Calls f(index, length, tabs, text) for the lines [from, to) in order;
  // only lines for which need(length, tabs) holds are read, the others get
  // an empty text.
  template <class Need, class F>
  void VisitLines(int64_t from, int64_t to, Need&& need, F&& f) const;

  // LoadFromFile with other sizes than a program's.
  void LoadFromFile(const std::filesystem::path& fileName, const TIndexSizes& sizes);

  // --- Indexing a file in steps. ---
  // Empties the store and opens the file. A small file, or one that cannot
  // be read again (a pipe), is read into memory now and let go. Raises
  // InOutError.
  void OpenFile(const std::filesystem::path& fileName, const TIndexSizes& sizes = {});
  // Indexes at once what OpenFile or ReopenIndex left to index, on threads;
  // raises as LoadFromFile does.
  void IndexRest(const TIndexSizes& sizes = {});
  // Lines of the open file are still to come.
  bool Indexing() const { return FIndexing; }
  // What the indexer is to read: from the line not yet ended on.
  TLineIndexer::Plan IndexPlan(const TIndexSizes& sizes = {}) const;
  std::shared_ptr<const platform::ReadOnlyFile> IndexFile() const { return FText->File(); }
  const char* IndexMemory() const { return FText->Memory(); }
  // Takes the lines a chunk ends (and its blocks' sums), in file order.
  // Raises TooManyLinesError (the store is then empty).
  void Merge(const TLineIndexer::Chunk& chunk);
  // Lets other threads touch the fresh pages of the index ahead of what
  // Merge writes, through the handles added to `out`.
  void ShareAhead(std::vector<std::shared_ptr<platform::PagesAhead>>& out);
  void StopAhead();
  // The text ended, at `end` (a 0x1A a chunk found) or at the end of the
  // file (-1): adds the last line, trims the capacity. The file is still
  // held (Text()->ReleaseFile lets it go).
  void FinishIndex(int64_t end = -1);
  // The text ends at `size` instead (the file was cut while it was indexed).
  void CutIndex(int64_t size);
  // Stops indexing with the lines merged so far, and lets the file go.
  void AbandonIndex();
  // Bytes indexed so far, and in all (for progress).
  int64_t IndexedBytes() const { return FScanned; }
  // Where the line not yet ended on starts.
  int64_t OpenLineStart() const { return static_cast<int64_t>(FOpenStart); }
  int64_t TextSize() const { return FText ? FText->Size() : 0; }
  // The text's file, for checking it (null for text in memory or none).
  TFileText* Text() const { return FText.get(); }

  // --- A file that grows. ---
  // How the file has changed since it was indexed: its name, identity and
  // size are looked at; with `checkTail` also the bytes of its last block.
  TFileChange FileChange(bool checkTail) const;
  // Opens the index again for the bytes the file grew by: the last line
  // becomes the line not yet ended on again (it may go on), and the rest is
  // indexed as after OpenFile. False, with the store as it was, when the
  // text cannot grow in place (it is not a file's, or has lines of its
  // own); true with nothing to index when the file did not grow or a 0x1A
  // ended the text. Raises TextChangedError when the file no longer holds
  // the indexed bytes, TextReadError when it cannot be read.
  bool ReopenIndex();

  // Bytes the store keeps besides the text, for the benchmarks.
  size_t IndexBytes() const;

  // Lines whose bytes lie one after another in the text, with nothing but
  // bytes of no line between them: a search scans the text instead of
  // visiting the lines. Lines [First, Last), text bytes [Begin, End); a
  // line with bytes of its own is a run alone, with Own pointing at them.
  struct Run {
    int64_t First = 0, Last = 0;
    uint64_t Begin = 0, End = 0;
    const char* Own = nullptr;
  };
  // The longest such run within lines [lo, hi) that holds `line`.
  Run RunAt(int64_t line, int64_t lo, int64_t hi) const;
  // Where a line of a run starts in the text (or in its own bytes).
  uint64_t RunStart(const Run& run, int64_t line) const {
    return run.Own != nullptr ? run.Begin : Start(static_cast<size_t>(line));
  }
  // The line of the run whose bytes start at or before text offset p, the
  // last such: the line holding p, or the one before the gap p lies in.
  // Looks near `hint` first, so a scan that moves on from line to line stays
  // cheap.
  int64_t LineOfOffset(const Run& run, uint64_t p, int64_t hint) const;

  void AddStrings(const StringListRef& source);
  void Assign(const StringListRef& source);
  void AssignTo(StringListSinkRef dest) const;

 private:
  // A line: a place in FText, or bytes of its own when kOwned is set. The
  // length takes the low 48 bits; a line of the text keeps its tab count
  // above them.
  struct Slot {
    uint64_t at = 0;  // text offset, or the address of its own bytes
    uint64_t bits = 0;
    static constexpr uint64_t kOwned = uint64_t{1} << 63;
    static constexpr int kTabShift = 48;
    static constexpr uint64_t kLengthMask = (uint64_t{1} << kTabShift) - 1;
    bool Owned() const { return (bits & kOwned) != 0; }
    size_t Length() const { return static_cast<size_t>(bits & kLengthMask); }
    unsigned Tabs() const { return static_cast<unsigned>((bits >> kTabShift) & 0xFF); }
    const char* Data() const { return reinterpret_cast<const char*>(at); }
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
  uint64_t CompactEnd(size_t i) const {
    return i + 1 < FStarts.size() ? CompactStart(i + 1) - 1 - (FStarts[i + 1] & 1) : FLastEnd;
  }
  // Where line i starts in the text (a line of the text, not of its own).
  uint64_t Start(size_t i) const { return FCompact ? CompactStart(i) : FList[i].at; }
  // Appends a line of FText [start, end) to the compact index; false when
  // its place cannot be held there (the caller then turns to slots).
  bool AppendCompact(uint64_t start, uint64_t end);
  // Every line becomes a slot: before any change of a line.
  void ToSlots();
  // Appends the indexed line FText[start, end) with its tab count.
  void AddIndexed(uint64_t start, uint64_t end, unsigned tabs);

  // The file under the text's name now; TextReadError when none opens.
  std::shared_ptr<platform::ReadOnlyFile> OpenSource() const;
  // How that file differs from what was indexed (its size in `size`);
  // with `checkTail` the last indexed block is read and checked too.
  TFileChange Compare(const platform::ReadOnlyFile& file, bool checkTail, int64_t& size) const;

  void CheckIndex(int64_t index) const;
  void Grow();
  void Append(Slot slot);
  // Adds the lines of the text in memory [0, size) by the text rules of
  // SetTextStr.
  void IndexText(size_t size);
  void Presize(int64_t bytes);
  // Room for one more line while loading; raises TooManyLinesError when the
  // store is full (the loader then empties it).
  void MakeRoom();
  // Text in memory from now on.
  void SetMemoryText(platform::LargeBuffer bytes, size_t size);

  // Reads a text's bytes for a visit, a window at a time.
  class Reader {
   public:
    // `span`: about how many bytes the visit will read, to size its window.
    Reader(const TFileText* text, uint64_t span) : FText(text), FSpan(span) {}
    std::string_view Bytes(uint64_t start, size_t n);

   private:
    const TFileText* FText;
    uint64_t FSpan;
    std::vector<char> FBuffer;
    std::string_view FWindow;
    uint64_t FWindowStart = 0;
  };

  // Every line lies in FText and they follow in order: one run. Loading
  // leaves it so; anything that puts a line of its own clears it.
  bool FInOrder = true;
  // The lines are FStarts (true) or FList (false).
  bool FCompact = true;
  platform::LargeVector<uint32_t> FStarts;
  platform::LargeVector<uint8_t> FTabs;
  std::vector<uint64_t> FBases;
  uint64_t FLastEnd = 0;
  platform::LargeVector<Slot> FList;
  int64_t FCapacity = 0;
  std::unique_ptr<TFileText> FText;
  // Indexing: where the line not yet ended on starts, and its tabs so far.
  bool FIndexing = false;
  uint64_t FOpenStart = 0;
  uint32_t FOpenTabs = 0;
  int64_t FScanned = 0;  // bytes the merged chunks covered
  // The file the text was read from, while it can be read again, and its
  // size then (-1: none); whether a 0x1A ended the text.
  std::filesystem::path FSourceName;
  platform::FileIdentity FSourceIdentity;
  int64_t FSourceSize = -1;
  bool FEnded = false;
  TIndexSizes FSizes;
};

template <class Need, class F>
void TBvStrings::VisitLines(int64_t from, int64_t to, Need&& need, F&& f) const {
  const size_t n = std::min(static_cast<size_t>(Count()), static_cast<size_t>(to));
  const auto first = static_cast<size_t>(std::max<int64_t>(from, 0));
  Reader reader(FText.get(), !FCompact   ? uint64_t{1} << 20
                             : first < n ? CompactEnd(n - 1) - CompactStart(first)
                                         : 0);
  for (size_t i = first; i < n; ++i) {
    if (FCompact) {
      const uint64_t start = CompactStart(i);
      const auto len = static_cast<size_t>(CompactEnd(i) - start);
      const unsigned tabs = FTabs[i];
      f(static_cast<int64_t>(i), len, tabs,
        need(len, tabs) ? reader.Bytes(start, len) : std::string_view());
      continue;
    }
    const Slot& slot = FList[i];
    const size_t len = slot.Length();
    if (slot.Owned()) {
      const std::string_view text(slot.Data(), len);
      f(static_cast<int64_t>(i), len,
        static_cast<unsigned>(std::min<size_t>(std::count(text.begin(), text.end(), '\t'), 255)),
        text);
    } else {
      const unsigned tabs = slot.Tabs();
      f(static_cast<int64_t>(i), len, tabs,
        need(len, tabs) ? reader.Bytes(slot.at, len) : std::string_view());
    }
  }
}

}  // namespace varlo
