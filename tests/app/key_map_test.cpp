// The main window's key map, pressed as a user presses keys: every key of
// the map (and a few that are not in it) with no modifier, Shift, Ctrl,
// Alt and Ctrl+Shift, with no file, with a file before the first search
// and after it, against the command that must run. Then every item of the
// main and pop-up menus.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "tests/support/app_rig.h"

namespace varlo {
namespace {

using testing::AppRig;

constexpr TShiftState kStates[] = {0, ssShift, ssCtrl, ssAlt, ssCtrl | ssShift};
constexpr const char* kStateNames[] = {"", "Shift+", "Ctrl+", "Alt+", "Ctrl+Shift+"};

struct KeyRow {
  uint16_t key;
  const char* name;
  // What runs, for each state of kStates, with a file open after a search.
  std::array<const char*, 5> runs;
};

// clang-format off
const KeyRow kKeys[] = {
    //                       none       Shift      Ctrl       Alt        Ctrl+Shift
    {vk::Escape,   "Esc",   {"exit",    "exit",    "exit",    "exit",    "exit"}},
    {vk::Return,   "Enter", {"exit",    "launch1", "launch2", "exit",    "exit"}},
    {vk::OemOpenBracket, "[", {"",      "",        "maximise", "",       ""}},
    {vk::Key('J'), "J",     {"jump",    "jump",    "jump",    "",        "jump"}},
    {vk::Key('W'), "W",     {"wrap",    "",        "wrap",    "",        "wrap"}},
    {vk::Key('F'), "F",     {"find",    "find",    "find",    "",        "find"}},
    {vk::Key('N'), "N",     {"next",    "next",    "next",    "",        "next"}},
    {vk::Key('P'), "P",     {"prior",   "prior",   "prior",   "",        "prior"}},
    {vk::Key('O'), "O",     {"open",    "open",    "open",    "",        "open"}},
    {vk::Key('Q'), "Q",     {"exit",    "exit",    "",        "",        "exit"}},
    {vk::Key('I'), "I",     {"lines",   "lines",   "",        "",        "lines"}},
    {vk::Key('X'), "X",     {"",        "",        "clear",   "",        ""}},
    {vk::Key('E'), "E",     {"",        "",        "clear",   "",        ""}},
    {vk::Key('T'), "T",     {"clear",   "clear",   "",        "",        "clear"}},
    {vk::Key('B'), "B",     {"clear",   "clear",   "start",   "",        "clear"}},
    {vk::Key('C'), "C",     {"",        "",        "end",     "",        ""}},
    {vk::Down,     "Down",  {"clear",   "clear",   "clear",   "clear",   "clear"}},
    {vk::Up,       "Up",    {"clear",   "clear",   "clear",   "clear",   "clear"}},
    {vk::Left,     "Left",  {"clear",   "clear",   "clear",   "clear",   "clear"}},
    {vk::Right,    "Right", {"clear",   "clear",   "clear",   "clear",   "clear"}},
    {vk::Prior,    "PageUp", {"clear",  "clear",   "clear",   "clear",   "clear"}},
    {vk::Next,     "PageDown", {"clear", "clear",  "clear",   "clear",   "clear"}},
    {vk::Home,     "Home",  {"clear",   "clear",   "clear",   "clear",   "clear"}},
    {vk::End,      "End",   {"clear",   "clear",   "clear",   "clear",   "clear"}},
    {vk::Insert,   "Insert", {"",       "",        "end",     "",        ""}},
    {vk::F4,       "F4",    {"handoff", "handoff", "",        "",        "handoff"}},
    // Only the viewer's: the mark stays.
    {vk::Key('S'), "S",     {"",        "",        "",        "",        ""}},
    {vk::Key('D'), "D",     {"",        "",        "",        "",        ""}},
    {vk::Space,    "Space", {"",        "",        "",        "",        ""}},
    {vk::Key('A'), "A",     {"",        "",        "",        "",        ""}},
};
// clang-format on

// Commands that do nothing without a file, and without a search made.
const std::set<std::string> kNeedFile = {"launch1", "launch2", "jump",  "wrap",
                                         "find",    "next",    "prior", "lines"};
const std::set<std::string> kNeedSearch = {"next", "prior"};

enum class Situation { NoFile, FileNotSearched, FileSearched };

// The window in a known state before each key: the search mark shown,
// the last hit on line 21 (1-based) at the top, a range start marked.
class KeyRig {
 public:
  explicit KeyRig(Situation situation) : searched(situation == Situation::FileSearched) {
    rig.WriteIni("[ProgName]\r\n1=one.exe\r\n2=two.exe\r\n");
    std::string text;
    for (int i = 0; i < 60; ++i)
      text += "line " + std::to_string(i) + (i == 10 || i == 30 ? " hit" : "") + "\r\n";
    rig.WriteFile("keys.txt", text);
    std::vector<std::string> args;
    if (situation != Situation::NoFile) args.push_back(rig.Utf8Path("keys.txt"));
    f = &rig.Start(args);
    rig.backend.WindowClasses = {"CorvoMainWin"};
    if (searched) f->FSearched = true;
  }

  // The commands a key ran, by what each leaves behind.
  std::string Press(uint16_t key, TShiftState shift) {
    TForm1& m = *f;
    m.SetWindowState(wsNormal);
    if (m.BigView1.ViewCount() > 20) m.BigView1.SetTopLine(20);
    m.SearchMark.FoundLine = 21;
    m.SearchMark.Shown = true;
    m.FSelStartLine = 7;
    m.FSelEndLine = -3;
    // The search dialog, cancelled, leaves no search text.
    if (searched) m.FFindStr[0] = "hit";
    const size_t seen = rig.Seen().size(), shell = rig.backend.ShellRequests().size(),
                 activated = rig.backend.Activated().size(), modal = rig.backend.ModalLog().size();
    offscreen::WindowOf(m.BigView1).SetFocus();
    rig.backend.SendKey(key, shift);

    std::vector<std::string> ran;
    for (size_t i = seen; i < rig.Seen().size(); ++i) {
      if (rig.Seen()[i].text == "    終了しますか。          ") ran.push_back("exit");
      if (rig.Seen()[i].text.rfind("表示行 : ", 0) == 0) ran.push_back("lines");
    }
    for (size_t i = shell; i < rig.backend.ShellRequests().size(); ++i)
      ran.push_back(rig.backend.ShellRequests()[i].Program == "one.exe" ? "launch1" : "launch2");
    if (m.WindowState() == wsMaximized) ran.push_back("maximise");
    for (size_t i = modal; i < rig.backend.ModalLog().size(); ++i) {
      const std::string& name = rig.backend.ModalLog()[i];
      if (name == "Form5") ran.push_back("jump");
      if (name == "Form19") ran.push_back("wrap");
      if (name == "Form4") ran.push_back("find");
      if (name == "OpenDialog") ran.push_back("open");
    }
    if (m.SearchMark.FoundLine == 31) ran.push_back("next");
    if (m.SearchMark.FoundLine == 11) ran.push_back("prior");
    // The search dialog clears the mark before it opens.
    if (!m.SearchMark.Shown && (ran.empty() || ran.back() != "find")) ran.push_back("clear");
    if (m.FSelStartLine != 7) ran.push_back("start");
    if (m.FSelEndLine != -3) ran.push_back("end");
    if (rig.backend.Activated().size() > activated) ran.push_back("handoff");
    std::string all;
    for (const std::string& r : ran) all += (all.empty() ? "" : " ") + r;
    return all;
  }

  bool searched;
  AppRig rig;
  TForm1* f = nullptr;
};

TEST(KeyMap, EveryKeyWithEveryModifierRunsItsCommand) {
  for (Situation situation :
       {Situation::NoFile, Situation::FileNotSearched, Situation::FileSearched}) {
    KeyRig k(situation);
    for (const KeyRow& row : kKeys) {
      for (size_t s = 0; s < std::size(kStates); ++s) {
        std::string want = row.runs[s];
        if ((situation == Situation::NoFile && kNeedFile.contains(want)) ||
            (situation != Situation::FileSearched && kNeedSearch.contains(want)))
          want = "";
        EXPECT_EQ(k.Press(row.key, kStates[s]), want)
            << kStateNames[s] << row.name << " in situation " << static_cast<int>(situation);
      }
    }
    EXPECT_FALSE(k.f->Closed());
    EXPECT_TRUE(k.rig.backend.Errors().empty());
  }
}

TEST(KeyMap, ExitKeysCloseWithoutTheQuestionWhenItIsOff) {
  for (uint16_t key : {vk::Escape, vk::Return, vk::Key('Q')}) {
    AppRig rig;
    rig.WriteIni("[KoumokuSetName]\r\nCheckCloseDialog=0\r\n");
    TForm1& f = rig.Start();
    offscreen::WindowOf(f.BigView1).SetFocus();
    rig.backend.SendKey(key);
    EXPECT_TRUE(f.Closed()) << key;
    EXPECT_TRUE(rig.Seen().empty());
  }
}

TEST(Menus, EveryItemRunsItsCommand) {
  // What each item shows, in order ("box" a message box, "shell" a start
  // asked of the shell).
  const std::vector<std::pair<const char*, const char*>> items = {
      {"MenuFileOpen", "OpenDialog"},
      {"MenuExit", "box:    終了しますか。"},
      {"MenuWrapChange", "Form19"},
      {"MenuFind", "Form4"},
      // Off until the first search.
      {"MenuReFind", ""},
      {"MenuReFindPrior", ""},
      {"MenuJump", "Form5"},
      {"MenuLineNumDisp", "Form17:表示行"},
      {"MenuSelectStart", "start"},
      {"MenuSelectEnd", "Form17:    選択開始"},
      {"MenuOptionSet", "Form2"},
      {"MenuFont", "FontDialog"},
      {"MenuBackColor", "ColorDialog"},
      {"MenuLaunch", "Form12"},
      {"MenuLaunch2", "Form12"},
      {"MenuHelpDisp", "box:   ヘルプファイル"},
      {"MenuKeyFunc", "Form10"},
      {"PopFileOpen", "OpenDialog"},
      {"PopExit", "box:    終了しますか。"},
      {"PopLaunchRun", "shell:one.exe box:    one.exe"},
      {"PopLaunchRun2", "shell:two.exe box:    two.exe"},
  };
  AppRig rig;
  rig.WriteIni("[ProgName]\r\n1=one.exe\r\n2=two.exe\r\n");
  rig.WriteFile("a.txt", "one\r\ntwo\r\n");
  TForm1& f = rig.Start({rig.Utf8Path("a.txt")});
  for (const auto& [name, shows] : items) {
    f.FSelStartLine = 0;
    const size_t seen = rig.Seen().size(), shell = rig.backend.ShellRequests().size(),
                 modal = rig.backend.ModalLog().size();
    f.Item(name).Click();
    std::string got;
    const auto add = [&](const std::string& what) { got += (got.empty() ? "" : " ") + what; };
    for (size_t i = shell; i < rig.backend.ShellRequests().size(); ++i)
      add("shell:" + rig.backend.ShellRequests()[i].Program);
    size_t shown = seen;
    for (size_t i = modal; i < rig.backend.ModalLog().size(); ++i) {
      const std::string& form = rig.backend.ModalLog()[i];
      if (form == "OpenDialog" || form == "FontDialog" || form == "ColorDialog") {
        add(form);
        continue;
      }
      const testing::Shown& s = rig.Seen().at(shown++);
      if (s.name == "MessageForm") {
        add("box:" + s.text);
      } else {
        add(s.text.empty() ? s.name : s.name + ":" + s.text);
      }
    }
    if (f.FSelStartLine != 0) add("start");
    // Texts are compared as far as the table gives them.
    EXPECT_EQ(got.substr(0, std::string(shows).size()), shows) << name << ": " << got;
    EXPECT_TRUE(rig.backend.Errors().empty()) << name;
  }
  EXPECT_FALSE(f.Closed());
}

// A command added to the table, as the next ones will be: the one row gives
// it its menu item with the shortcut shown, its key, and the rules that
// enable and check the item.
TEST(Commands, ARowOfTheTableIsAMenuItemAKeyAndItsEnabling) {
  AppRig rig;
  rig.WriteFile("a.txt", "one\r\ntwo\r\n");
  std::vector<TCommand> commands = MainCommands();
  commands.push_back({.Menu = {"MenuDisp", "MenuLines", "行番号(&L)", vk::F1 + 6},
                      .Run = &TForm1::MenuLineNumDispClick,
                      .Enabled = TEnabled::Searched,
                      .Checked = &TForm1::FSearchUperLower,
                      .Keys = {{vk::F1 + 7, TModifiers::ShiftAlone, TNeeds::File}}});
  TForm1& f = rig.Start({rig.Utf8Path("a.txt")}, commands);
  TMenuItem& disp = *f.MainMenu1.Items.Find("MenuDisp");
  // After reload and follow.
  ASSERT_EQ(disp.Count(), 4);
  TMenuItem& item = disp.Item(3);
  EXPECT_EQ(item.Name, "MenuLines");
  EXPECT_EQ(item.Caption(), "行番号(&L)");
  EXPECT_EQ(item.ShortCutKey, vk::F1 + 6);
  EXPECT_FALSE(item.Enabled());
  EXPECT_FALSE(item.Checked());
  const auto notices = [&] {
    size_t n = 0;
    for (const testing::Shown& s : rig.Seen()) n += s.text.rfind("表示行 : ", 0) == 0;
    return n;
  };
  // Its key, with its modifiers only; the shortcut of a disabled item does
  // nothing.
  offscreen::WindowOf(f.BigView1).SetFocus();
  rig.backend.SendKey(vk::F1 + 7, ssShift);
  EXPECT_EQ(notices(), 1u);
  rig.backend.SendKey(vk::F1 + 7);
  rig.backend.SendKey(vk::F1 + 6);
  EXPECT_EQ(notices(), 1u);
  // Enabled by a search, checked by the case setting, as any command leaves
  // them.
  f.FSearchUperLower = true;
  rig.Then([&](TForm&) {
    rig.Type("two");
    rig.backend.SendKey(vk::Return);
  });
  rig.backend.SendKey(vk::Key('F'));
  EXPECT_TRUE(item.Enabled());
  EXPECT_TRUE(item.Checked());
  rig.backend.SendKey(vk::F1 + 6);
  EXPECT_EQ(notices(), 2u);
  // Not in the key list, which keeps its lines.
  EXPECT_EQ(KeyListLines(commands).size(), 18u);
  EXPECT_EQ(KeyListLines(commands)[7].Function2, "☆前検索(上検索)");
  EXPECT_TRUE(rig.backend.Errors().empty());
}

// A row that takes a key another row takes, or names an item twice, fails
// at the start.
TEST(Commands, RowsThatClashAreRefused) {
  const std::vector<TCommand> clashes[] = {
      {{.Run = &TForm1::MenuJumpClick, .Keys = {{vk::Key('Q'), TModifiers::ShiftAlone}}}},
      {{.Run = &TForm1::MenuJumpClick, .Keys = {{vk::Return, TModifiers::AnyOther}}}},
      {{.Menu = {"MenuHelp", "MenuFind", "x"}, .Run = &TForm1::MenuJumpClick}},
  };
  for (const std::vector<TCommand>& extra : clashes) {
    std::vector<TCommand> commands = MainCommands();
    commands.insert(commands.end(), extra.begin(), extra.end());
    EXPECT_THROW(CheckCommands(commands), std::logic_error);
  }
  EXPECT_NO_THROW(CheckCommands(MainCommands()));
}

}  // namespace
}  // namespace varlo
