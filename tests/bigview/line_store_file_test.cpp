// The line store and files: the line rules of loading byte for byte, the
// capacity rules, large and awkward files, names in any script, errors.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "bigview/file_text.h"
#include "bigview/line_indexer.h"
#include "bigview/line_store.h"
#include "bigview/ordered_work.h"
#include "platform/file.h"
#include "tests/support/temp_dir.h"

namespace varlo {
namespace {

using Lines = std::vector<std::string>;
using testing::TempDir;

Lines LinesOf(const TBvStrings& store) {
  // Held for the reads: opened again for each block of a few bytes, a
  // megabyte line takes minutes under Wine.
  TFileText::Hold hold(store.Text());
  Lines lines;
  for (int64_t i = 0; i < store.Count(); ++i) lines.emplace_back(store.Get(i));
  return lines;
}

struct FileCase {
  const char* name;
  std::string bytes;
  Lines lines;
  friend void PrintTo(const FileCase& c, std::ostream* os) { *os << c.name; }
};

class LoadFromFileRules : public ::testing::TestWithParam<FileCase> {};

// Read into memory whole, and left in the file and read back through blocks
// and chunks of a few bytes, so that every line end meets their edges.
const TIndexSizes kReadings[] = {
    {},
    {.Block = 16, .Chunk = 16, .InMemory = 0, .Cache = 64, .Threads = 2},
    {.Block = 16, .Chunk = 48, .InMemory = 0, .Cache = 64, .Threads = 1},
    {.Block = 64, .Chunk = 4096, .InMemory = 0, .Cache = 256},
};

TEST_P(LoadFromFileRules, SplitsAsTheFileRulesSay) {
  TempDir dir;
  const auto path = dir.Write("case.txt", GetParam().bytes);
  for (const TIndexSizes& sizes : kReadings) {
    SCOPED_TRACE("blocks of " + std::to_string(sizes.Block));
    TBvStrings store;
    store.Add("previous");
    store.LoadFromFile(path, sizes);
    EXPECT_EQ(LinesOf(store), GetParam().lines);
    EXPECT_EQ(store.Capacity(), store.Count());
  }
}

// A file that grows in two steps, split at any byte (a line end, a CR LF, a
// 0x1A, a long line), gives the lines of the whole file read at once; only
// the bytes added are indexed again, with the last line they go on.
TEST_P(LoadFromFileRules, AFileThatGrowsGivesTheLinesOfTheWhole) {
  TempDir dir;
  const std::string& bytes = GetParam().bytes;
  // A long text at a few places only, and not through the tiniest blocks:
  // reading a megabyte a few bytes at a time takes minutes under Wine.
  const bool small = bytes.size() < 64;
  std::vector<size_t> splits;
  for (size_t at = 0; small && at <= bytes.size(); ++at) splits.push_back(at);
  if (!small) splits = {0, bytes.size() / 2, bytes.size() - 2, bytes.size()};
  for (const TIndexSizes& sizes : kReadings) {
    if (!small && sizes.Block < 4096) continue;
    for (const size_t at : splits) {
      SCOPED_TRACE("blocks of " + std::to_string(sizes.Block) + ", grown at " + std::to_string(at));
      const auto path = dir.Write("grows.txt", bytes.substr(0, at));
      TBvStrings store;
      store.LoadFromFile(path, sizes);
      testing::AppendTo(path, bytes.substr(at));
      EXPECT_EQ(store.FileChange(true), at < bytes.size() ? TFileChange::Grew : TFileChange::None);
      ASSERT_TRUE(store.ReopenIndex());
      store.IndexRest(sizes);
      EXPECT_EQ(LinesOf(store), GetParam().lines);
      EXPECT_EQ(store.FileChange(true), TFileChange::None);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    LineStore, LoadFromFileRules,
    ::testing::Values(FileCase{"Empty", "", {}}, FileCase{"NoLineEnd", "abc", {"abc"}},
                      FileCase{"CrLfCrLf", "a\r\n\r\n", {"a", ""}},
                      FileCase{"LfStaysInsideTheLine", "a\nb\r\n", {"a\nb"}},
                      FileCase{"LoneCr", "a\rb", {"a", "b"}},
                      FileCase{"CrCrLf", "a\r\r\nb", {"a", "", "b"}},
                      FileCase{"LfCr", "a\n\rb", {"a\n", "b"}},
                      FileCase{"CtrlZEndsText",
                               "a\x1A"
                               "b\r\n",
                               {"a"}},
                      FileCase{"CtrlZFirst",
                               "\x1A"
                               "abc",
                               {}},
                      FileCase{"CtrlZAfterCrLf", "a\r\n\x1A\r\n", {"a"}},
                      FileCase{"CtrlZAfterCr", "a\r\x1A", {"a"}},
                      FileCase{"NulTabAndHighBytesAreOrdinary",
                               std::string("\0\t\x82\xA0\xFF\r\n", 7),
                               {std::string("\0\t\x82\xA0\xFF", 5)}},
                      FileCase{"OnlyCr", "\r", {""}}, FileCase{"OnlyCrs", "\r\r\r", {"", "", ""}},
                      FileCase{"AMegabyteLine",
                               "a\r\n" + std::string(1'000'000, '\x82') + "\r\nz",
                               {"a", std::string(1'000'000, '\x82'), "z"}},
                      FileCase{"TrailingCrOnly", "x\r", {"x"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(LineStoreFile, EndsWithCapacityEqualToTheLineCount) {
  TempDir dir;
  // 2,800 bytes presize 100 slots; whatever the line count, the load trims.
  std::string text;
  for (int i = 0; i < 100; ++i) text += std::string(26, 'a' + i % 26) + "\r\n";
  ASSERT_EQ(text.size(), 2800u);
  TBvStrings store;
  store.LoadFromFile(dir.Write("a.txt", text));
  EXPECT_EQ(store.Count(), 100);
  EXPECT_EQ(store.Capacity(), 100);

  std::string fewer;
  for (int i = 0; i < 4; ++i) fewer += std::string(698, 'x') + "\r\n";
  store.LoadFromFile(dir.Write("b.txt", fewer));
  EXPECT_EQ(store.Count(), 4);
  EXPECT_EQ(store.Capacity(), 4);
}

TEST(LineStoreFile, LoadsLongLinesWhole) {
  TempDir dir;
  const std::string line(100'000, 'x');
  TBvStrings store;
  store.LoadFromFile(dir.Write("long.txt", line));
  ASSERT_EQ(store.Count(), 1);
  EXPECT_EQ(store.Get(0), line);

  // Lines that span the reader's blocks, with a CR LF split across two.
  std::string big;
  const std::string first(1 << 20, 'a');
  big = first.substr(0, first.size() - 1) + "\r\n" + std::string(3 << 20, 'b') + "\r" +
        std::string(10, 'c');
  store.LoadFromFile(dir.Write("blocks.txt", big));
  ASSERT_EQ(store.Count(), 3);
  EXPECT_EQ(store.Get(0).size(), (1u << 20) - 1);
  EXPECT_EQ(store.Get(1).size(), 3u << 20);
  EXPECT_EQ(store.Get(2), std::string(10, 'c'));
}

TEST(LineStoreFile, EveryBlockBoundaryKeepsCrLfTogether) {
  TempDir dir;
  // Put the CR of a CR LF at every position around the reader's block size.
  for (size_t at = (1u << 20) - 3; at <= (1u << 20) + 1; ++at) {
    std::string text(at, 'a');
    text += "\r\nz\r\n";
    TBvStrings store;
    store.LoadFromFile(dir.Write("edge.txt", text));
    ASSERT_EQ(store.Count(), 2) << "CR at " << at;
    EXPECT_EQ(store.Get(0).size(), at);
    EXPECT_EQ(store.Get(1), "z");
  }
}

TEST(LineStoreFile, EveryWayOfScanningFindsTheSameLineEndsAndTabs) {
  // The loads above take the fastest way this processor has; the others
  // must agree with it, byte for byte, wherever the line ends fall within
  // the groups of bytes compared at once.
  const std::vector<ScanWay> ways = ScanWays();
  const char kinds[] = {'a', '\t', '\r', '\n', 0x1A, static_cast<char>(0x81), '\0', ' '};
  std::mt19937 random(7);
  for (int round = 0; round < 300; ++round) {
    std::string text(random() % 300, 'x');
    // Sparse ends in some rounds, dense in others.
    const unsigned spread = round % 3 == 0 ? 64 : 4;
    for (char& c : text) c = random() % spread == 0 ? kinds[random() % 8] : 'b';
    const size_t from = text.empty() ? 0 : random() % (text.size() + 1);
    const int next = round % 2 == 0 ? -1 : '\n';
    TChunkScan first, other;
    ScanChunkBy(ways.front(), text.data(), from, text.size(), next, first);
    for (const ScanWay way : ways) {
      ScanChunkBy(way, text.data(), from, text.size(), next, other);
      ASSERT_EQ(other.Breaks, first.Breaks)
          << "way " << static_cast<int>(way) << " round " << round;
      ASSERT_EQ(other.Tabs, first.Tabs) << "round " << round;
      ASSERT_EQ(other.TextEnd, first.TextEnd) << "round " << round;
      ASSERT_EQ(other.HeadTabs, first.HeadTabs) << "round " << round;
      ASSERT_EQ(other.TailTabs, first.TailTabs) << "round " << round;
    }
  }
}

TEST(LineStoreFile, EveryWayOfSummingABlockAgreesAndSeesAChange) {
  // Lengths around the stripes of 64 bytes the vectors take at once.
  const std::vector<SumWay> ways = SumWays();
  std::mt19937 random(5);
  for (int round = 0; round < 200; ++round) {
    std::string text(round < 130 ? round : random() % 5000, '\0');
    for (char& c : text) c = static_cast<char>(random() % 4 == 0 ? random() : 'a');
    const uint64_t sum = BlockSumBy(ways.front(), text.data(), text.size());
    for (const SumWay way : ways)
      ASSERT_EQ(BlockSumBy(way, text.data(), text.size()), sum)
          << "way " << static_cast<int>(way) << " length " << text.size();
    if (text.empty()) continue;
    // A byte changed, anywhere.
    std::string changed = text;
    changed[random() % changed.size()] ^= static_cast<char>(1 + random() % 255);
    EXPECT_NE(BlockSum(changed.data(), changed.size()), sum) << round;
    // Two stripes swapped.
    if (text.size() >= 128 && text.substr(0, 64) != text.substr(64, 64)) {
      std::string swapped = text.substr(64, 64) + text.substr(0, 64) + text.substr(128);
      EXPECT_NE(BlockSum(swapped.data(), swapped.size()), sum) << round;
    }
  }
}

TEST(LineStoreFile, ManyShortLinesMatchTheTextRules) {
  TempDir dir;
  std::string text;
  Lines expected;
  for (int i = 0; i < 200'000; ++i) {
    expected.push_back(i % 7 == 0 ? "" : "line " + std::to_string(i) + (i % 11 ? "" : "\n"));
    text += expected.back() + (i % 5 == 0 ? "\r" : "\r\n");
  }
  TBvStrings store;
  store.LoadFromFile(dir.Write("many.txt", text));
  EXPECT_EQ(LinesOf(store), expected);
  // The first change of a line keeps every other one as it was.
  store.Put(4097, "changed");
  expected[4097] = "changed";
  EXPECT_EQ(LinesOf(store), expected);
}

TEST(LineStoreFile, MissingFileRaisesInOutErrorAndLeavesTheStoreEmpty) {
  TempDir dir;
  TBvStrings store;
  store.Add("previous");
  try {
    store.LoadFromFile(dir.Path() / "missing.txt");
    ADD_FAILURE() << "no error";
  } catch (const InOutError& e) {
    EXPECT_NE(std::string(e.what()).find("missing.txt"), std::string::npos) << e.what();
  }
  EXPECT_EQ(store.Count(), 0);
  EXPECT_EQ(store.Capacity(), 0);
}

TEST(LineStoreFile, DirectoryIsNotAFile) {
  TempDir dir;
  TBvStrings store;
  EXPECT_THROW(store.LoadFromFile(dir.Path()), InOutError);
  EXPECT_EQ(store.Count(), 0);
  EXPECT_FALSE(platform::FileExists(dir.Path()));
}

// What became of the file since it was indexed, in memory and in the file:
// only a file that grew takes its new lines in place, anything else is
// TextChangedError (or a failed read) and the store is as it was.
TEST(LineStoreFile, AFileThatChangedOtherwiseThanGrowingIsToldApart) {
  namespace fs = std::filesystem;
  const std::string head = "head\r\n" + std::string(100, 'x');
  struct Case {
    const char* name;
    std::function<void(const fs::path&)> act;
    TFileChange seen;  // without reading, and with its last block read
    TFileChange seenReading;
  } const cases[] = {
      {"unchanged", [](const fs::path&) {}, TFileChange::None, TFileChange::None},
      {"grown", [](const fs::path& p) { testing::AppendTo(p, "yz\r\nnext"); }, TFileChange::Grew,
       TFileChange::Grew},
      {"last block rewritten",
       [](const fs::path& p) {
         std::fstream(p, std::ios::binary | std::ios::in | std::ios::out).seekp(104) << "Y";
       },
       TFileChange::None, TFileChange::Changed},
      {"cut", [](const fs::path& p) { fs::resize_file(p, 50); }, TFileChange::Changed,
       TFileChange::Changed},
      {"replaced",
       [&](const fs::path& p) {
         const auto other = p.parent_path() / "other.txt";
         std::ofstream(other, std::ios::binary) << head;
         fs::rename(other, p);
       },
       TFileChange::Changed, TFileChange::Changed},
      {"deleted", [](const fs::path& p) { fs::remove(p); }, TFileChange::Gone, TFileChange::Gone},
  };
  for (const TIndexSizes& sizes : {kReadings[0], kReadings[1]}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(c.name) + ", blocks of " + std::to_string(sizes.Block));
      TempDir dir;
      const auto path = dir.Write("log.txt", head);
      TBvStrings store;
      store.LoadFromFile(path, sizes);
      c.act(path);
      EXPECT_EQ(store.FileChange(false), c.seen);
      EXPECT_EQ(store.FileChange(true), c.seenReading);
      if (c.seenReading == TFileChange::Grew || c.seenReading == TFileChange::None) {
        ASSERT_TRUE(store.ReopenIndex());
        store.IndexRest(sizes);
        EXPECT_EQ(store.Get(store.Count() - 1),
                  c.seen == TFileChange::Grew ? "next" : std::string(100, 'x'));
        continue;
      }
      if (c.seenReading == TFileChange::Gone) {
        EXPECT_THROW(store.ReopenIndex(), TextReadError);
      } else {
        EXPECT_THROW(store.ReopenIndex(), TextChangedError);
      }
      EXPECT_EQ(store.Count(), 2);
    }
  }
  // A byte of the last line changed in a block it held whole: seen once the
  // line is indexed again, from its start.
  TempDir dir;
  const auto path = dir.Write("log.txt", head);
  TBvStrings store;
  store.LoadFromFile(path, kReadings[1]);
  std::fstream(path, std::ios::binary | std::ios::in | std::ios::out).seekp(20) << "Y";
  testing::AppendTo(path, "more");
  ASSERT_TRUE(store.ReopenIndex());
  EXPECT_THROW(store.IndexRest(kReadings[1]), TextChangedError);
}

#ifndef _WIN32
// A pipe reports no size and its bytes come in slowly: the store must grow
// past the size it was told, wait for every block and keep CR LF whole
// across them.
TEST(LineStoreFile, AnInputLongerThanItsSizeLoadsWhole) {
  TempDir dir;
  const auto pipe = dir.Path() / "pipe";
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  std::string text;
  Lines expected;
  for (int i = 0; text.size() < (5u << 20); ++i) {
    expected.push_back("line " + std::to_string(i) + std::string(i % 97, 'x'));
    text += expected.back() + "\r\n";
  }
  std::thread writer([&] {
    const int fd = ::open(pipe.c_str(), O_WRONLY);
    if (fd < 0) return;
    for (size_t at = 0, pieces = 0; at < text.size(); ++pieces) {
      const ssize_t put = ::write(fd, text.data() + at, std::min<size_t>(40'000, text.size() - at));
      if (put <= 0) break;
      at += static_cast<size_t>(put);
      if (pieces % 16 == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ::close(fd);
  });
  TBvStrings store;
  try {
    store.LoadFromFile(pipe);
  } catch (const std::exception& e) {
    ADD_FAILURE() << e.what();
    ::close(::open(pipe.c_str(), O_RDONLY | O_NONBLOCK));  // lets the writer go
  }
  writer.join();
  EXPECT_EQ(LinesOf(store), expected);
  EXPECT_EQ(store.Capacity(), store.Count());
  // Nothing to look at again: a pipe does not grow in place.
  EXPECT_EQ(store.FileChange(true), TFileChange::None);
  EXPECT_FALSE(store.ReopenIndex());
}

TEST(LineStoreFile, AFailingReadRaisesWithTheNameInsteadOfHanging) {
  TBvStrings store;
  store.Add("previous");
  try {
    store.LoadFromFile("/proc/self/mem");  // opens, then every read fails
    ADD_FAILURE() << "no error";
  } catch (const InOutError& e) {
    EXPECT_NE(std::string(e.what()).find("/proc/self/mem"), std::string::npos) << e.what();
  }
  EXPECT_EQ(store.Count(), 0);
}
#endif

TEST(LineStoreFile, NamesInAnyScriptOpen) {
  TempDir dir;
  const auto name = std::filesystem::path(u8"日本語_Ελληνικά_한국어.txt");
  const auto path = dir.Write(name, "\x93\xFA\x96\x7B\r\nx");
  EXPECT_TRUE(platform::FileExists(path));
  TBvStrings store;
  store.LoadFromFile(path);
  EXPECT_EQ(LinesOf(store), (Lines{"\x93\xFA\x96\x7B", "x"}));
}

TEST(LineStoreFile, SaveToFileWritesLinesWithCrLf) {
  TempDir dir;
  TBvStrings store;
  store.Add("a");
  store.Add("");
  store.Add(std::string(3 << 20, 'q'));
  const auto path = dir.Path() / "out.txt";
  dir.Write("out.txt", "old content that is longer than nothing");
  store.SaveToFile(path);
  EXPECT_EQ(testing::ReadAll(path), "a\r\n\r\n" + std::string(3 << 20, 'q') + "\r\n");
  TBvStrings back;
  back.LoadFromFile(path);
  EXPECT_EQ(LinesOf(back), LinesOf(store));
}

TEST(LineStoreFile, SaveToFileIntoMissingFolderRaises) {
  TempDir dir;
  TBvStrings store;
  store.Add("a");
  EXPECT_THROW(store.SaveToFile(dir.Path() / "no" / "such.txt"), InOutError);
}

TEST(LineStoreFile, LoadingNeverWritesTheFile) {
  TempDir dir;
  const std::string bytes = "a\r\nb\x1A tail";
  const auto path = dir.Write("keep.txt", bytes);
  const auto time = std::filesystem::last_write_time(path);
  TBvStrings store;
  store.LoadFromFile(path);
  store.Put(0, "changed");
  store.Clear();
  EXPECT_EQ(testing::ReadAll(path), bytes);
  EXPECT_EQ(std::filesystem::last_write_time(path), time);
}

// While a window draws its first page, the indexing leaves it a core: a
// thread held back takes no piece, nor spare work, until woken.
TEST(OrderedWork, AHeldThreadWaitsForWake) {
  std::mutex m;
  std::condition_variable changed;
  int started = 0, spare = 0;
  bool finish = false;
  OrderedWork<int> work(
      4, 2, 1,
      [&](int&, int64_t, std::vector<char>&) {
        std::unique_lock lock(m);
        ++started;
        changed.notify_all();
        changed.wait(lock, [&] { return finish; });
        return true;
      },
      [&] {
        std::lock_guard lock(m);
        ++spare;
        return false;
      },
      1);
  const auto startedAtLeast = [&](int n) {
    std::unique_lock lock(m);
    return changed.wait_for(lock, std::chrono::seconds(30), [&] { return started >= n; });
  };
  ASSERT_TRUE(startedAtLeast(1));
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  {
    std::lock_guard lock(m);
    EXPECT_EQ(started, 1);
    EXPECT_EQ(spare, 0);
  }
  work.Wake();
  EXPECT_TRUE(startedAtLeast(2));
  {
    std::lock_guard lock(m);
    finish = true;
  }
  changed.notify_all();
  for (int taken = 0; taken < 4;) {
    if (int* item = work.Next(1000)) {
      work.Release(item);
      ++taken;
    }
  }
  EXPECT_TRUE(work.Finished());
}

}  // namespace
}  // namespace varlo
