// The main window's search, jump, line display and range copy on the
// offscreen backend, with their dialogs and the pause form.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dialogs/jump_form.h"
#include "dialogs/search_form.h"
#include "dialogs/search_pause_form.h"
#include "tests/support/app_rig.h"

namespace varlo {
namespace {

using testing::AppRig;

constexpr const char* kNoHit = "    検索文字はありませんでした。   ";
constexpr const char* kNoSearchText = "    検索文字が設定されていません。   ";
constexpr const char* kLineOutOfRange = "    行番号が範囲外です。   ";
constexpr const char* kRangeStart = "    選択開始の行番号が範囲外です。   ";
constexpr const char* kRangeTooLong = "    コピーできる範囲は９９９行までです。   ";

// The main window with a file of these lines open; `ini` adds settings.
struct Viewing {
  explicit Viewing(const std::vector<std::string>& lines, const std::string& ini = "") {
    std::string text;
    for (const std::string& line : lines) text += line + "\r\n";
    rig.WriteFile("t.txt", text);
    if (!ini.empty()) rig.WriteIni(ini);
    f = &rig.Start({rig.Utf8Path("t.txt")});
  }

  // The search dialog: types the text over the one it opens with (an empty
  // one by Backspace), then presses this button (or Enter in the box when
  // empty).
  void Find(const std::string& pattern, const std::string& button = "BtnSearch") {
    rig.Then([this, pattern, button](TForm& form) {
      auto& d = dynamic_cast<TSearchDialog&>(form);
      rig.Type(pattern.empty() ? "\b" : pattern);
      if (button.empty()) {
        offscreen::WindowOf(d.Edit1()).SetFocus();
        dynamic_cast<offscreen::OffscreenBackend&>(CurrentBackend()).SendKey(vk::Return);
      } else {
        d.Control<TButton>(button).Press();
      }
    });
    f->MenuFindClick(*f);
  }
  void Jump(const std::string& text) {
    rig.Then([this, text](TForm& form) {
      auto& d = dynamic_cast<TJumpDialog&>(form);
      rig.Type(text.empty() ? "\b" : text);
      d.BtnJump().Press();
    });
    f->MenuJumpClick(*f);
  }
  void Next() { f->MenuReFindClick(*f); }
  void Prior() { f->MenuReFindPriorClick(*f); }
  int64_t Top() const { return f->BigView1.TopLine(); }
  // The caption's text after the file's counts.
  std::string Suffix() const {
    const std::string base = f->MainCaption(f->BigView1);
    const std::string caption = f->Caption();
    return caption.rfind(base, 0) == 0 ? caption.substr(base.size()) : "(" + caption + ")";
  }
  std::string LastShown() const { return rig.Seen().empty() ? "" : rig.Seen().back().text; }
  size_t Shown(const std::string& name) const {
    size_t n = 0;
    for (const auto& s : rig.Seen()) n += s.name == name;
    return n;
  }

  AppRig rig;
  TForm1* f = nullptr;
};

std::string Ini(int findScroll, int wrap = 80) {
  return "[KoumokuSetName]\r\nCheckFindScroll=1\r\n[KoumokuSetNum]\r\nEditFindScroll=" +
         std::to_string(findScroll) + "\r\nEditWrapChar=" + std::to_string(wrap) + "\r\n";
}

std::string Hit(int64_t view, int64_t line, int64_t column) {
  return "  検索行 : " + std::to_string(view) + " (" + std::to_string(line) +
         ")  検索位置 : " + std::to_string(column);
}

std::vector<std::string> Numbered(int n, int target1 = 0, int target2 = 0) {
  std::vector<std::string> lines;
  for (int i = 1; i <= n; ++i)
    lines.push_back(i == target1 || i == target2 ? "a target here" : "line " + std::to_string(i));
  return lines;
}

TEST(SearchCommands, AHitInTheLastViewLineIsFoundDownAndUpAndTheMarkOutlivesAMiss) {
  Viewing v(Numbered(20, 5, 20), Ini(1));
  TForm1& f = *v.f;
  EXPECT_FALSE(f.Item("MenuReFind").Enabled());
  v.Find("target");
  EXPECT_EQ(v.Suffix(), Hit(5, 5, 3));
  EXPECT_EQ(v.Top(), 3);  // one line kept above the hit
  EXPECT_TRUE(f.BigView1.Caret());
  EXPECT_EQ(f.BigView1.CaretPos(), (TPoint{3, 4}));
  EXPECT_TRUE(f.Item("MenuReFind").Enabled());
  EXPECT_TRUE(f.Item("MenuReFindPrior").Enabled());
  EXPECT_EQ(f.FFindStr[1], "target");

  v.Next();
  EXPECT_EQ(v.Suffix(), Hit(20, 20, 3));
  EXPECT_EQ(v.Shown("Form14"), 1u);  // the pause came first
  // Nothing below: the notice, and the mark stays with the timer stopped.
  v.Next();
  EXPECT_EQ(v.LastShown(), kNoHit);
  EXPECT_TRUE(f.SearchMark.Shown);
  EXPECT_EQ(f.SearchMark.Timer1.Interval(), 0u);
  // The scroll bar moves the view without clearing the mark; the upward
  // search then starts at the top line, the last one, and finds it there.
  f.BigView1.SetTopLine(19);  // as the scroll bar moves it
  v.rig.backend.AdvanceTime(500);
  EXPECT_TRUE(f.SearchMark.Shown);
  ASSERT_EQ(v.Top(), 19);
  v.Prior();
  EXPECT_EQ(v.Suffix(), Hit(20, 20, 3));
  // The dialog search tests the top line itself.
  f.ClearFoundMark();
  f.BigView1.SetTopLine(19);
  v.Find("target");
  EXPECT_EQ(v.Suffix(), Hit(20, 20, 3));
  EXPECT_EQ(v.Shown("Form14"), 2u);
}

TEST(SearchCommands, TheNextSearchGoesOnBelowTheHitNeverToItsLineAgain) {
  Viewing v({"ab ab", "x", "ab"});
  v.Find("ab");
  EXPECT_EQ(v.Suffix(), Hit(1, 1, 1));
  v.Next();
  EXPECT_EQ(v.Suffix(), Hit(3, 3, 1));
  v.Next();
  EXPECT_EQ(v.LastShown(), kNoHit);
  v.Prior();
  EXPECT_EQ(v.Suffix(), Hit(1, 1, 1));
}

TEST(SearchCommands, LinesKeptAboveTheHit) {
  const struct {
    int findScroll, hit;
    int64_t top;  // 0-based
  } rows[] = {{3, 10, 6}, {5, 2, 0}, {0, 10, 9}, {16, 12, 0}};
  for (const auto& row : rows) {
    Viewing v(Numbered(30, row.hit), Ini(row.findScroll));
    v.Find("target");
    EXPECT_EQ(v.Top(), row.top) << row.findScroll << " " << row.hit;
    EXPECT_EQ(v.Suffix(), Hit(row.hit, row.hit, 3));
    // While the view stays, both repeat searches start next to the hit.
    v.Next();
    EXPECT_EQ(v.LastShown(), kNoHit);
    v.Prior();
    EXPECT_EQ(v.LastShown(), kNoHit);
  }
}

TEST(SearchCommands, EachViewLineIsTestedOnItsOwn) {
  // Wrapped at 10 bytes: "0123456789" and "abcdef" are two view lines.
  Viewing v({"x", "0123456789abcdef"}, Ini(0, 10));
  v.Find("89ab");
  EXPECT_EQ(v.LastShown(), kNoHit);
  EXPECT_EQ(v.f->Caption(), v.f->MainCaption(v.f->BigView1));  // unchanged
  v.Find("bc");
  EXPECT_EQ(v.Suffix(), Hit(3, 2, 2));
}

TEST(SearchCommands, CaseRules) {
  const std::string fullUpper = "\x82\x60\x82\x61\x82\x62";  // ＡＢＣ
  const std::string fullLower = "\x82\x81\x82\x82\x82\x83";  // ａｂｃ
  const struct {
    std::string line, pattern;
    bool matchCase;
    int64_t column;  // 0: no hit
  } rows[] = {
      {"xABCx", "abc", false, 2},
      {"xAbcx", "abc", false, 2},
      {"xABCx", "ABC", false, 2},
      {"xABCx", "abc", true, 0},
      {"xabcx", "abc", true, 2},
      {"x" + fullUpper, fullLower, false, 2},
      {"x" + fullLower, fullUpper, false, 2},
      {"x" + fullUpper, fullLower, true, 0},
      // Half-width katakana has no case.
      {"\xB1\xB2", "\xB1\xB2", false, 1},
  };
  for (const auto& row : rows) {
    Viewing v({"first", row.line});
    v.f->FSearchUperLower = row.matchCase;
    v.Find(row.pattern);
    if (row.column == 0) {
      EXPECT_EQ(v.LastShown(), kNoHit) << row.line << " / " << row.pattern;
    } else {
      EXPECT_EQ(v.Suffix(), Hit(2, 2, row.column)) << row.line << " / " << row.pattern;
    }
  }
}

TEST(SearchCommands, AMatchInsideADoubleByteCharacterIsNoHitButSetsTheColumn) {
  // ア is 0x83 0x41: its trail byte is an "A".
  Viewing v({"\x83\x41",
             "\x83\x41"
             "A"});
  v.f->FSearchUperLower = true;
  v.Find("A");
  // Line 1 holds "A" only as a trail byte; in line 2 the column is the
  // first byte-wise occurrence, the trail byte, not the character after it.
  EXPECT_EQ(v.Suffix(), Hit(2, 2, 2));
}

TEST(SearchCommands, RepeatSearchWithoutTextAndTheTimerRemovingTheMark) {
  Viewing v(Numbered(40, 30));
  TForm1& f = *v.f;
  v.Find("target");
  EXPECT_EQ(f.SearchMark.Timer1.Interval(), 100u);
  // The timer leaves the mark while the view stays...
  v.rig.backend.AdvanceTime(300);
  EXPECT_TRUE(f.SearchMark.Shown);
  // ...and removes it once the view has moved.
  f.BigView1.SetTopLine(0);
  v.rig.backend.AdvanceTime(100);
  EXPECT_FALSE(f.SearchMark.Shown);
  EXPECT_FALSE(f.BigView1.Caret());
  EXPECT_EQ(f.SearchMark.Timer1.Interval(), 0u);
  // A cancelled dialog empties the search text.
  v.rig.Then([](TForm& form) { dynamic_cast<TSearchDialog&>(form).BtnCansel().Press(); });
  f.MenuFindClick(f);
  v.Next();
  EXPECT_EQ(v.LastShown(), kNoSearchText);
  v.Prior();
  EXPECT_EQ(v.LastShown(), kNoSearchText);
}

TEST(SearchCommands, ThePauseFormWaitsThreeHundredMillisecondsAtTheWindowCorner) {
  Viewing v(Numbered(10, 2, 8));
  v.Find("target");
  bool checked = false;
  v.rig.Then([&](TForm& form) {
    auto& pause = dynamic_cast<TSearchPause&>(form);
    EXPECT_EQ(pause.Left(), v.f->Left());
    EXPECT_EQ(pause.Top(), v.f->Top());
    EXPECT_EQ(pause.ClientWidth(), 105);
    EXPECT_EQ(pause.ClientHeight(), 1);
    EXPECT_EQ(pause.BorderStyle(), bsNone);
    EXPECT_EQ(v.Suffix(), Hit(2, 2, 3));  // the view moves afterwards
    v.rig.backend.AdvanceTime(299);
    EXPECT_FALSE(pause.Closed());
    v.rig.backend.AdvanceTime(1);
    EXPECT_TRUE(pause.Closed());
    checked = true;
  });
  v.Next();
  EXPECT_TRUE(checked);
  EXPECT_EQ(v.Suffix(), Hit(8, 8, 3));
}

TEST(SearchDialog, ControlsAndTheirHandlers) {
  Viewing v({"abc"});
  TForm1& f = *v.f;
  f.FFindStr[1] = "remembered";
  v.rig.Then([&](TForm& form) {
    auto& d = dynamic_cast<TSearchDialog&>(form);
    EXPECT_EQ(d.Caption(), "Varlo (検索)");
    EXPECT_EQ(d.ClientWidth(), 487);
    EXPECT_EQ(d.ClientHeight(), 123);
    EXPECT_EQ(d.Edit1().Text(), "remembered");
    EXPECT_EQ(d.Edit1().MaxLength(), 255);
    EXPECT_TRUE(d.Edit1().Focused());
    // 255 single bytes fit; a 256th is refused.
    offscreen::WindowOf(d.Edit1()).Type(std::string(255, 'x'));
    offscreen::WindowOf(d.Edit1()).Type(std::string(256, 'x'));
    EXPECT_EQ(d.Edit1().Text(), std::string(255, 'x'));
    // The case box writes the setting at once; cancelling keeps it.
    offscreen::WindowOf(d.CheckUperLower()).Click();
    EXPECT_TRUE(f.FSearchUperLower);
    d.BtnCansel().Press();
  });
  f.MenuFindClick(f);
  EXPECT_TRUE(f.FSearchUperLower);
  EXPECT_FALSE(f.FSearched);
  EXPECT_EQ(f.FFindStr[1], "remembered");

  // Esc on any control cancels.
  for (const char* name : {"Edit1", "BtnSearch", "BtnCansel", "CheckUperLower", "BtnPriorSearch"}) {
    v.rig.Then([&, name](TForm& form) {
      offscreen::WindowOf(*form.FindControl(name)).SetFocus();
      v.rig.backend.SendKey(vk::Escape);
      EXPECT_TRUE(form.Closed()) << name;
    });
    f.MenuFindClick(f);
    EXPECT_FALSE(f.FSearched) << name;
  }
  // An empty text searches nothing.
  v.Find("");
  EXPECT_FALSE(f.FSearched);
  EXPECT_EQ(v.rig.Seen().back().name, "Form4");
}

// The box opens holding the remembered text, selected: what is typed
// replaces it, Backspace takes a character back, and Enter searches for
// what the box holds.
TEST(SearchDialog, TypedKeysReplaceTheRememberedText) {
  const struct {
    const char* keys;
    std::string searched;  // empty: no search
    std::string suffix;
  } rows[] = {
      {"quokka", "quokka", Hit(2, 2, 1)},
      {"quokkas\b", "quokka", Hit(2, 2, 1)},
      {"\b", "", ""},
  };
  for (const auto& row : rows) {
    // Typed after the remembered text or before it, the text would be
    // found on line 3 or nowhere.
    Viewing v({"x", "quokka and abc", "abcquokka"});
    TForm1& f = *v.f;
    f.FFindStr[1] = "abc";
    v.rig.Then([&](TForm& form) {
      EXPECT_EQ(dynamic_cast<TSearchDialog&>(form).Edit1().Text(), "abc");
      v.rig.Type(row.keys);
      v.rig.backend.SendKey(vk::Return);
    });
    f.MenuFindClick(f);
    EXPECT_EQ(f.FSearched, !row.searched.empty()) << row.keys;
    EXPECT_EQ(f.FFindStr[1], row.searched.empty() ? "abc" : row.searched) << row.keys;
    EXPECT_EQ(v.Suffix(), row.suffix) << row.keys;
  }
}

TEST(SearchDialog, EnterKeepsTheLastDirection) {
  Viewing v({"abc", "x", "abc", "x"});
  TForm1& f = *v.f;
  f.BigView1.SetTopLine(1);
  v.Find("abc", "BtnPriorSearch");
  EXPECT_EQ(f.FFindPrior, sdUp);
  EXPECT_EQ(v.Suffix(), Hit(1, 1, 1));
  f.BigView1.SetTopLine(1);
  f.ClearFoundMark();
  v.Find("abc", "");  // Enter: upward again
  EXPECT_EQ(f.FFindPrior, sdUp);
  EXPECT_EQ(v.Suffix(), Hit(1, 1, 1));
  f.BigView1.SetTopLine(1);
  v.Find("abc");
  EXPECT_EQ(f.FFindPrior, sdDown);
  EXPECT_EQ(v.Suffix(), Hit(3, 3, 1));
}

TEST(JumpCommand, TextRules) {
  // Line n is at view line 2n - 2: every line wraps into two.
  std::vector<std::string> lines;
  for (int i = 1; i <= 30; ++i) lines.push_back(std::string(15, 'a' + i % 26));
  const struct {
    std::string text;
    int64_t top;  // -1: the out-of-range notice
  } rows[] = {
      {"12", 22}, {" 12", 22}, {"+12", 22}, {"$A", 18}, {"12a", -1},
      {"0", -1},  {"-5", -1},  {"5-", -1},  {"99", 59}, {"$FFFF", 59},
  };
  for (const auto& row : rows) {
    Viewing v(lines, Ini(0, 10));
    v.f->BigView1.SetTopLine(3);
    v.Jump(row.text);
    if (row.top < 0) {
      EXPECT_EQ(v.LastShown(), kLineOutOfRange) << row.text;
      EXPECT_EQ(v.Top(), 3) << row.text;
      EXPECT_EQ(v.f->FJumpLine[1], "") << row.text;
    } else {
      EXPECT_EQ(v.Top(), row.top) << row.text;
      EXPECT_EQ(v.f->FJumpLine[1], row.text) << row.text;
    }
  }
}

TEST(JumpCommand, TypedDigitsReplaceTheRememberedNumber) {
  const struct {
    const char* keys;
    int64_t top;  // typed after or before the remembered 12: past the end
    std::string remembered;
  } rows[] = {
      {"5", 4, "5"},
      {"57\b", 4, "5"},
      {"3\b\b9", 8, "9"},
      {"\b", 0, "12"},  // nothing: as cancelled
  };
  for (const auto& row : rows) {
    Viewing v(Numbered(30));
    TForm1& f = *v.f;
    f.FJumpLine[1] = "12";
    v.rig.Then([&](TForm& form) {
      EXPECT_EQ(dynamic_cast<TJumpDialog&>(form).Edit1().Text(), "12");
      v.rig.Type(row.keys);
      v.rig.backend.SendKey(vk::Return);
    });
    f.MenuJumpClick(f);
    EXPECT_EQ(v.Top(), row.top) << row.keys;
    EXPECT_EQ(f.FJumpLine[1], row.remembered) << row.keys;
    EXPECT_EQ(v.rig.Seen().size(), 1u) << row.keys;  // no notice
  }
}

TEST(JumpCommand, DialogKeepsSixBytesAndHandsBackAnyText) {
  Viewing v({"a"});
  TForm1& f = *v.f;
  f.FJumpLine[1] = "7";
  v.rig.Then([&](TForm& form) {
    auto& d = dynamic_cast<TJumpDialog&>(form);
    EXPECT_EQ(d.Caption(), "Varlo (ｼﾞｬﾝﾌﾟ)");
    EXPECT_EQ(d.ClientWidth(), 342);
    EXPECT_EQ(d.ClientHeight(), 83);
    EXPECT_EQ(d.Edit1().Text(), "7");
    offscreen::WindowOf(d.Edit1()).Type("abcdef");
    offscreen::WindowOf(d.Edit1()).Type("abcdefg");
    EXPECT_EQ(d.Edit1().Text(), "abcdef");
    offscreen::WindowOf(d.Edit1()).SetFocus();
    v.rig.backend.SendKey(vk::Return);
  });
  f.MenuJumpClick(f);
  EXPECT_EQ(f.FJumpLine[0], "abcdef");
  EXPECT_EQ(v.LastShown(), kLineOutOfRange);
  // Esc and Cancel hand back nothing: no notice.
  const size_t seen = v.rig.Seen().size();
  v.rig.Then([&](TForm& form) {
    offscreen::WindowOf(dynamic_cast<TJumpDialog&>(form).BtnJump()).SetFocus();
    v.rig.backend.SendKey(vk::Escape);
  });
  f.MenuJumpClick(f);
  v.rig.Then([](TForm& form) { dynamic_cast<TJumpDialog&>(form).BtnCansel().Press(); });
  f.MenuJumpClick(f);
  EXPECT_EQ(v.rig.Seen().size(), seen + 2);
  EXPECT_EQ(f.FJumpLine[0], "");
}

TEST(LineDisplay, ShowsTheTopViewLineAndItsLogicalLine) {
  Viewing v({"short", std::string(25, 'x'), "end"}, Ini(0, 10));
  v.f->BigView1.SetTopLine(2);  // the middle piece of line 2
  v.f->MenuLineNumDispClick(*v.f);
  EXPECT_EQ(v.LastShown(), "表示行 : 3     論理行 : 2");
}

TEST(RangeCopy, CopiesWholeLinesUpToNineHundredNinetyNine) {
  std::vector<std::string> lines;
  for (int i = 1; i <= 1001; ++i) lines.push_back("l\t" + std::to_string(i));
  Viewing v(lines);
  TForm1& f = *v.f;
  const std::string counts = f.Caption();
  const auto topAt = [&](int64_t line) {
    f.BigView1.SetTopLine(f.BigView1.ViewIndexOfLine(line - 1));
  };

  // No start yet.
  topAt(5);
  f.MenuSelectEndClick(f);
  EXPECT_EQ(v.LastShown(), kRangeStart);
  EXPECT_EQ(f.Caption(), counts);

  topAt(1);
  f.MenuSelectStartClick(f);
  EXPECT_EQ(f.Caption(), " 選択中です。 開始行は  1  です。");
  topAt(999);
  const uint32_t before = v.rig.backend.TickCount();
  f.MenuSelectEndClick(f);
  std::string expected;
  for (int i = 1; i <= 999; ++i) expected += "l\t" + std::to_string(i) + "\r\n";
  EXPECT_EQ(v.rig.backend.ClipboardText(), expected);
  EXPECT_GT(v.rig.backend.TickCount() - before, 1000u);  // the caption's second
  EXPECT_EQ(f.Caption(), counts);

  // The start stays; 999 lines apart is too far.
  topAt(1000);
  f.MenuSelectEndClick(f);
  EXPECT_EQ(v.LastShown(), kRangeTooLong);
  EXPECT_EQ(f.Caption(), counts);
  // The order does not matter; one line is that line and CR LF.
  topAt(1001);
  f.MenuSelectStartClick(f);
  f.MenuSelectEndClick(f);
  EXPECT_EQ(v.rig.backend.ClipboardText(), "l\t1001\r\n");
  topAt(2);
  f.MenuSelectEndClick(f);
  EXPECT_EQ(v.LastShown(), kRangeTooLong);
}

// A start marked in a longer file before this one was opened: the start
// notice, not the store's index error.
TEST(RangeCopy, AStartPastTheEndOfTheFileNowShownGivesTheStartNotice) {
  Viewing v(Numbered(900));
  TForm1& f = *v.f;
  f.BigView1.SetTopLine(f.BigView1.ViewIndexOfLine(899));
  f.MenuSelectStartClick(f);
  std::string text;
  for (int i = 1; i <= 50; ++i) text += "short " + std::to_string(i) + "\r\n";
  v.rig.WriteFile("short.txt", text);
  v.rig.backend.OnOpenDialog = [&](TOpenDialog& d) {
    d.FileName = v.rig.Utf8Path("short.txt");
    return true;
  };
  f.MenuFileOpenClick(f);
  const std::string counts = f.Caption();
  f.BigView1.SetTopLine(10);
  f.MenuSelectEndClick(f);
  EXPECT_EQ(v.LastShown(), kRangeStart);
  EXPECT_EQ(f.Caption(), counts);
  EXPECT_TRUE(v.rig.backend.Errors().empty());
  // A start within the file copies as ever.
  f.MenuSelectStartClick(f);
  f.MenuSelectEndClick(f);
  EXPECT_EQ(v.rig.backend.ClipboardText(), "short 11\r\n");
}

TEST(SearchKeys, KeysReachTheCommands) {
  Viewing v(Numbered(12, 6));
  TForm1& f = *v.f;
  auto& keys = v.rig.backend;
  offscreen::WindowOf(f.BigView1).SetFocus();
  // N and P do nothing before the first search.
  keys.SendKey(vk::Key('N'));
  keys.SendKey(vk::Key('P'), ssCtrl);
  EXPECT_TRUE(v.rig.Seen().empty());
  v.rig.Then([](TForm& form) {
    auto& d = dynamic_cast<TSearchDialog&>(form);
    offscreen::WindowOf(d.Edit1()).Type("target");
    d.BtnSearch().Press();
  });
  keys.SendKey(vk::Key('F'), ssCtrl);
  EXPECT_EQ(v.Suffix(), Hit(6, 6, 3));
  keys.SendKey(vk::Key('N'));
  EXPECT_EQ(v.LastShown(), kNoHit);
  keys.SendKey(vk::Key('F'), ssAlt);  // Alt alone: nothing
  EXPECT_EQ(v.LastShown(), kNoHit);
  // A navigation key removes the mark.
  keys.SendKey(vk::Home);
  EXPECT_FALSE(f.SearchMark.Shown);
  keys.SendKey(vk::Key('I'));
  EXPECT_EQ(v.LastShown(), "表示行 : 1     論理行 : 1");
  v.rig.Then([](TForm& form) {
    auto& d = dynamic_cast<TJumpDialog&>(form);
    offscreen::WindowOf(d.Edit1()).Type("4");
    d.BtnJump().Press();
  });
  keys.SendKey(vk::Key('J'));
  EXPECT_EQ(v.Top(), 3);
  keys.SendKey(vk::Key('B'), ssCtrl);
  EXPECT_EQ(f.Caption(), " 選択中です。 開始行は  4  です。");
  keys.SendKey(vk::Down);
  keys.SendKey(vk::Insert, ssCtrl);
  EXPECT_EQ(keys.ClipboardText(), "line 4\r\nline 5\r\n");
  keys.SendKey(vk::Key('C'), ssCtrl);
  EXPECT_EQ(keys.ClipboardText(), "line 4\r\nline 5\r\n");
}

}  // namespace
}  // namespace varlo
