// The line store in memory: list operations, capacity rules, text and comma
// text, streams and search.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "bigview/line_store.h"

namespace varlo {
namespace {

using Lines = std::vector<std::string>;

Lines LinesOf(const TBvStrings& store) {
  Lines lines;
  for (int64_t i = 0; i < store.Count(); ++i) lines.emplace_back(store.Get(i));
  return lines;
}

void Fill(TBvStrings& store, const Lines& lines) {
  for (const auto& s : lines) store.Add(s);
}

// Expects the store's index error and an unchanged store.
template <class Op>
void ExpectIndexError(TBvStrings& store, Op op) {
  const Lines before = LinesOf(store);
  const int64_t capacity = store.Capacity();
  try {
    op();
    ADD_FAILURE() << "no index error";
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), "インデックスがリストの範囲を超えています");
  }
  EXPECT_EQ(LinesOf(store), before);
  EXPECT_EQ(store.Capacity(), capacity);
}

TEST(LineStore, AddReturnsIndexAndGrowsByThirtyTwoSlots) {
  TBvStrings store;
  EXPECT_EQ(store.Capacity(), 0);
  EXPECT_EQ(store.Add("a"), 0);
  EXPECT_EQ(store.Capacity(), 32);
  for (int i = 1; i < 32; ++i) EXPECT_EQ(store.Add(std::to_string(i)), i);
  EXPECT_EQ(store.Capacity(), 32);
  store.Add("x");
  EXPECT_EQ(store.Capacity(), 64);
  EXPECT_EQ(store.Count(), 33);
  EXPECT_EQ(store.Get(32), "x");
}

TEST(LineStore, InsertMovesLinesUpAndAppendsAtCount) {
  TBvStrings store;
  Fill(store, {"a", "c"});
  store.Insert(1, "b");
  store.Insert(0, "0");
  store.Insert(store.Count(), "d");
  EXPECT_EQ(LinesOf(store), (Lines{"0", "a", "b", "c", "d"}));
}

TEST(LineStore, DeleteExchangePutKeepOrderAndCapacity) {
  TBvStrings store;
  Fill(store, {"a", "b", "c", "d"});
  store.Delete(1);
  EXPECT_EQ(LinesOf(store), (Lines{"a", "c", "d"}));
  EXPECT_EQ(store.Capacity(), 32);
  store.Exchange(0, 2);
  store.Exchange(1, 1);
  EXPECT_EQ(LinesOf(store), (Lines{"d", "c", "a"}));
  store.Put(1, std::string("x\0y", 3));
  EXPECT_EQ(store.Get(1), std::string("x\0y", 3));
}

TEST(LineStore, IndexErrorsLeaveTheStoreUnchanged) {
  TBvStrings store;
  Fill(store, {"a", "b"});
  ExpectIndexError(store, [&] { store.Get(2); });
  ExpectIndexError(store, [&] { store.Get(-1); });
  ExpectIndexError(store, [&] { store.Put(2, "x"); });
  ExpectIndexError(store, [&] { store.Delete(-1); });
  ExpectIndexError(store, [&] { store.Delete(2); });
  ExpectIndexError(store, [&] { store.Exchange(0, 2); });
  ExpectIndexError(store, [&] { store.Exchange(-1, 0); });
  ExpectIndexError(store, [&] { store.Insert(3, "x"); });
  ExpectIndexError(store, [&] { store.Insert(-1, "x"); });
  ExpectIndexError(store, [&] { store.SetCapacity(store.Count() - 1); });
  ExpectIndexError(store, [&] { store.SetCapacity(-5); });
  ExpectIndexError(store, [&] { store.SetCapacity(kMaxListSize + 1); });
  ExpectIndexError(store, [&] { store.SetCount(-1); });
  ExpectIndexError(store, [&] { store.SetCount(kMaxListSize + 1); });
}

TEST(LineStore, SetCountGrowsWithEmptyLinesAndReleasesOnShrink) {
  TBvStrings store;
  Fill(store, {"a", "b", "c"});
  store.SetCount(1);
  EXPECT_EQ(LinesOf(store), (Lines{"a"}));
  EXPECT_EQ(store.Capacity(), 32);
  store.SetCount(40);
  EXPECT_EQ(store.Capacity(), 40);
  EXPECT_EQ(store.Get(1), "");
  EXPECT_EQ(store.Get(39), "");
  // A slot that becomes live again starts empty.
  store.SetCount(2);
  EXPECT_EQ(store.Get(1), "");
}

TEST(LineStore, SetCapacityTakesAnyValueFromCountToTheLimit) {
  TBvStrings store;
  Fill(store, {"a", "b"});
  store.SetCapacity(2);
  EXPECT_EQ(store.Capacity(), 2);
  store.Add("c");
  EXPECT_EQ(store.Capacity(), 34);
  store.SetCapacity(kMaxListSize);
  EXPECT_EQ(store.Capacity(), kMaxListSize);
  EXPECT_EQ(LinesOf(store), (Lines{"a", "b", "c"}));
}

TEST(LineStore, ClearFreesSlotsOnlyWhenThereAreAny) {
  TBvStrings store;
  store.Clear();
  EXPECT_EQ(store.Capacity(), 0);
  Fill(store, {"a"});
  store.Clear();
  EXPECT_EQ(store.Count(), 0);
  EXPECT_EQ(store.Capacity(), 0);
}

TEST(LineStore, AddStringsPresizesAndAssignReplaces) {
  TBvStrings store;
  Fill(store, {"a"});
  TStringList source{"b", "c"};
  store.AddStrings(source);
  // Capacity becomes count + source count: spare slots are given back.
  EXPECT_EQ(store.Capacity(), 3);
  EXPECT_EQ(LinesOf(store), (Lines{"a", "b", "c"}));

  TBvStrings other;
  Fill(other, {"x", "y"});
  store.Assign(other);
  EXPECT_EQ(LinesOf(store), (Lines{"x", "y"}));
  store.Assign(store);
  EXPECT_EQ(LinesOf(store), (Lines{"x", "y"}));
  store.AddStrings(store);
  EXPECT_EQ(LinesOf(store), (Lines{"x", "y", "x", "y"}));

  TStringList dest{"old"};
  store.AssignTo(dest);
  EXPECT_EQ(dest.Items(), (Lines{"x", "y", "x", "y"}));
}

TEST(LineStore, IndexOfComparesWholeLinesByteForByte) {
  TBvStrings store;
  Fill(store, {"abc", "ABC", "abc", ""});
  EXPECT_EQ(store.IndexOf("abc"), 0);
  EXPECT_EQ(store.IndexOf("ABC"), 1);
  EXPECT_EQ(store.IndexOf(""), 3);
  EXPECT_EQ(store.IndexOf("ab"), -1);
}

TEST(LineStore, GetTextStrEndsEveryLineWithCrLf) {
  TBvStrings store;
  EXPECT_EQ(store.GetTextStr(), "");
  Fill(store, {"a", ""});
  EXPECT_EQ(store.GetTextStr(), "a\r\n\r\n");
}

struct TextCase {
  const char* name;
  std::string text;
  Lines lines;
  friend void PrintTo(const TextCase& c, std::ostream* os) { *os << c.name; }
};

class SetTextStrRules : public ::testing::TestWithParam<TextCase> {};

TEST_P(SetTextStrRules, SplitsAsTheTextRulesSay) {
  TBvStrings store;
  store.SetTextStr(GetParam().text);
  EXPECT_EQ(LinesOf(store), GetParam().lines);
  EXPECT_EQ(store.Capacity(), store.Count());

  // Streams follow the same rules from their current position.
  std::istringstream stream("skip" + GetParam().text);
  stream.seekg(4);
  TBvStrings fromStream;
  fromStream.LoadFromStream(stream);
  EXPECT_EQ(LinesOf(fromStream), GetParam().lines);
}

INSTANTIATE_TEST_SUITE_P(
    LineStore, SetTextStrRules,
    ::testing::Values(
        TextCase{"Empty", "", {}}, TextCase{"NoLineEnd", "abc", {"abc"}},
        TextCase{"CrLf", "a\r\nb\r\n", {"a", "b"}}, TextCase{"LoneLf", "a\nb\r\n", {"a", "b"}},
        TextCase{"LoneCr", "a\rb", {"a", "b"}}, TextCase{"LfCrIsTwoEnds", "a\n\rb", {"a", "", "b"}},
        TextCase{"TrailingEmptyLine", "a\r\n\r\n", {"a", ""}},
        TextCase{"CtrlZIsOrdinary",
                 "a\x1A"
                 "b\r\n",
                 {"a\x1A"
                  "b"}},
        TextCase{"NulEndsText", std::string("ab\0cd", 5), {"ab"}},
        TextCase{"LeadingNul", std::string("\0x", 2), {""}}, TextCase{"OnlyLineEnd", "\r\n", {""}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(LineStore, SetTextStrPresizesBySizeDivTwentyEight) {
  TBvStrings store;
  store.SetTextStr(std::string(2800, 'x'));
  EXPECT_EQ(store.Count(), 1);
  EXPECT_EQ(store.Capacity(), 1);
  EXPECT_EQ(store.Get(0).size(), 2800u);
}

TEST(LineStore, ReplacedLinesOwnTheirBytes) {
  TBvStrings store;
  store.SetTextStr("one\r\ntwo\r\nthree");
  store.Put(1, "TWO");
  store.Insert(0, "zero");
  store.Delete(3);
  EXPECT_EQ(LinesOf(store), (Lines{"zero", "one", "TWO"}));
}

TEST(LineStore, SaveToStreamWritesTheTextAtThePosition) {
  TBvStrings store;
  Fill(store, {"a", "b"});
  std::ostringstream out;
  out << "head";
  store.SaveToStream(out);
  EXPECT_EQ(out.str(), "heada\r\nb\r\n");
}

TEST(LineStore, CommaTextQuotesLinesWithBlanksOrCommas) {
  TBvStrings store;
  EXPECT_EQ(store.GetCommaText(), "");
  Fill(store, {"a", "b c", "d,e", "", "q\"x"});
  EXPECT_EQ(store.GetCommaText(), "a,\"b c\",\"d,e\",,q\"x");
}

TEST(LineStore, SetCommaTextParsesItemsAsTheRulesSay) {
  const struct {
    std::string text;
    Lines lines;
  } cases[] = {
      {"", {}},
      {"a,b", {"a", "b"}},
      {"\"b c\",d", {"b c", "d"}},
      {"\"d,e\",f", {"d,e", "f"}},
      {",a", {"", "a"}},
      {"a,", {"a"}},
      {"\"open", {"open"}},
      {"a\rb", {"a", "b"}},
      {std::string("a\0b", 3), {"a", "b"}},
      {"x\"y", {"x", "y"}},
      {"\"q\"r", {"q"}},
  };
  for (const auto& c : cases) {
    TBvStrings store;
    store.Add("old");
    store.SetCommaText(c.text);
    EXPECT_EQ(LinesOf(store), c.lines) << "comma text: " << c.text;
  }
}

TEST(LineStore, CommaTextRoundTripsPlainLines) {
  TBvStrings store;
  Fill(store, {"alpha", "with blank", "", "a,b", "end"});
  TBvStrings copy;
  copy.SetCommaText(store.GetCommaText());
  EXPECT_EQ(LinesOf(copy), LinesOf(store));
}

TEST(LineStore, FindIgnoresAsciiCaseAndReportsTheMatch) {
  TBvStrings store;
  store.Add("xAB");
  int64_t line = 0, column = 0;
  EXPECT_TRUE(store.Find("ab", line, column));
  EXPECT_EQ(line, 0);
  EXPECT_EQ(column, 2);
  // The position itself is examined: the same pair finds the same match.
  EXPECT_TRUE(store.Find("ab", line, column));
  EXPECT_EQ(column, 2);
}

TEST(LineStore, FindWalksLinesAndStopsAtTheEnd) {
  TBvStrings store;
  Fill(store, {"abc", "", "zzABc", "abc"});
  int64_t line = 0, column = 2;
  ASSERT_TRUE(store.Find("abc", line, column));
  EXPECT_EQ(line, 2);
  EXPECT_EQ(column, 3);
  ++column;
  ASSERT_TRUE(store.Find("ABC", line, column));
  EXPECT_EQ(line, 3);
  EXPECT_EQ(column, 1);
  ++column;
  EXPECT_FALSE(store.Find("abc", line, column));
  EXPECT_EQ(line, 4);
  EXPECT_EQ(column, 1);
}

TEST(LineStore, FindWithEmptyTextChangesNothing) {
  TBvStrings store;
  store.Add("abc");
  int64_t line = 7, column = 9;
  EXPECT_FALSE(store.Find("", line, column));
  EXPECT_EQ(line, 7);
  EXPECT_EQ(column, 9);
}

TEST(LineStore, FindFoldsOnlyAsciiAndMayStartAtATrailByte) {
  TBvStrings store;
  // ア is 0x83 0x41: its trail byte is an 'A'.
  store.Add(
      "\x83\x41"
      "b");
  int64_t line = 0, column = 1;
  ASSERT_TRUE(store.Find("ab", line, column));
  EXPECT_EQ(column, 2);
  // Full-width letters are not folded: ａ 0x82 0x81 against Ａ 0x82 0x60.
  store.Put(0, "\x82\x60");
  line = 0;
  column = 1;
  EXPECT_FALSE(store.Find("\x82\x81", line, column));
  // Negative starting points are moved to the start.
  store.Put(0, "key");
  line = -3;
  column = -3;
  EXPECT_TRUE(store.Find("KEY", line, column));
  EXPECT_EQ(line, 0);
  EXPECT_EQ(column, 1);
}

}  // namespace
}  // namespace varlo
