// The launchers on the offscreen backend: the template expansion, starting
// a launcher from the keys and the pop-up menu, the failure warning, the
// launcher editor with its checks and its browse button, and the hand-off
// of the foreground with F4.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "app/launch_template.h"
#include "app/settings.h"
#include "dialogs/launcher_edit_form.h"
#include "tests/support/app_rig.h"

namespace varlo {
namespace {

using testing::AppRig;

constexpr const char* kNoTitle = "    タイトル名は必ず指定してください。          ";
constexpr const char* kNoProgram = "    実行ファイル名は必ず指定してください。          ";

TEST(LaunchTemplate, ReplacesTheFirstOfEachPlaceholder) {
  struct Row {
    const char* text;
    const char* file;
    int64_t line;
    const char* want;
  };
  const Row rows[] = {
      {"%f /L%l", "C:\\A.TXT", 0, "C:\\A.TXT /L0"},
      {"%f %f", "a.txt", 3, "a.txt %f"},
      {"%l %l", "a.txt", 3, "3 %l"},
      {"%F /L%L", "a.txt", 3, "%F /L%L"},
      // A "%l" the file name brings in is replaced, and the template's own
      // then stays.
      {"%f /L%l", "C:\\%l\\a.txt", 5, "C:\\5\\a.txt /L%l"},
      // Nothing is quoted but what the template quotes.
      {"\"%f\" -n%l", "C:\\My Files\\a b.txt", 12, "\"C:\\My Files\\a b.txt\" -n12"},
      {"%%ff", "x", 1, "%xf"},
      {"%", "x", 1, "%"},
      {"EDIT.EXE", "x", 1, "EDIT.EXE"},
      {"", "x", 1, ""},
      {"+%l", "", 12345678901, "+12345678901"},
  };
  for (const Row& r : rows)
    EXPECT_EQ(ExpandLaunchTemplate(r.text, r.file, r.line), r.want) << r.text << " / " << r.file;
}

// A settings file with launcher n's record (Shift-JIS texts).
std::string LauncherIni(int n, const std::string& title, const std::string& program,
                        const std::string& option, const std::string& dir,
                        const std::string& shortCut = " ") {
  const std::string key = std::to_string(n) + "=";
  return "[KoumokuSetName]\r\nCheckCloseDialog=0\r\n[ProgTitle]\r\n" + key + title +
         "\r\n[ProgName]\r\n" + key + program + "\r\n[ProgOption]\r\n" + key + option +
         "\r\n[ProgDir]\r\n" + key + dir + "\r\n[ProgShortCut]\r\n" + key + shortCut + "\r\n";
}

// 50 lines of 150 bytes each: every line wraps at 80 into two view lines.
std::string LongLines() {
  std::string text;
  for (int i = 0; i < 50; ++i) text += std::string(150, static_cast<char>('a' + i % 26)) + "\r\n";
  return text;
}

// The main window with `name` open and the focus in the viewer.
TForm1& StartWith(AppRig& rig, const std::string& name, const std::string& text) {
  rig.WriteFile(name, text);
  TForm1& f = rig.Start({rig.Utf8Path(name)});
  offscreen::WindowOf(f.BigView1).SetFocus();
  return f;
}

TEST(Launchers, ShiftEnterStartsLauncherOneWithTheNameAndTopLineAndCloses) {
  AppRig rig;
  // The working folder is longer than 255 bytes in Shift-JIS (表 0x95 0x5C
  // has a "\" as its trail byte), and so is the option text.
  std::string dir = "C:\\";
  for (int i = 0; i < 140; ++i) dir += "\x95\x5c";
  const std::string tail(300, 'o');
  rig.WriteIni(LauncherIni(1, "Ed", "C:\\\x95\x5c\\EDIT.EXE", "\"%f\" /L%l " + tail, dir));
  // The name holds blanks, Japanese and Korean: Korean is beyond Shift-JIS.
  const std::string name = "日本 語 한글.txt";
  TForm1& f = StartWith(rig, name, LongLines());
  f.BigView1.SetTopLine(f.BigView1.ViewIndexOfLine(20) + 1);  // the second row of line 20
  rig.backend.OnShellOpen = [](const auto&) { return true; };
  rig.backend.SendKey(vk::Return, ssShift);
  ASSERT_EQ(rig.backend.ShellRequests().size(), 1u);
  const auto& asked = rig.backend.ShellRequests()[0];
  EXPECT_EQ(asked.Owner, &f);
  EXPECT_EQ(asked.Program, "C:\\表\\EDIT.EXE");
  EXPECT_EQ(asked.Parameters, "\"" + rig.Utf8Path(name) + "\" /L20 " + tail);
  std::string wantDir = "C:\\";
  for (int i = 0; i < 140; ++i) wantDir += "表";
  EXPECT_EQ(asked.Directory, wantDir);
  EXPECT_EQ(f.FLaunchNo, 1);
  EXPECT_TRUE(f.Closed());
  EXPECT_TRUE(rig.Seen().empty());
}

TEST(Launchers, CtrlEnterAndThePopupRunLauncherTwoAndAFailureWarns) {
  AppRig rig;
  // The program may be a placeholder too: the shell opens the file itself.
  rig.WriteIni(LauncherIni(2, "Doc", "%f", "-l %l", ""));
  TForm1& f = StartWith(rig, "a.txt", LongLines());
  f.BigView1.SetTopLine(f.BigView1.ViewIndexOfLine(7));
  const std::string file = rig.Utf8Path("a.txt");
  const std::string failed = "    " + file + " の実行に失敗しました。          ";
  rig.Answer("中止(&A)");
  rig.backend.SendKey(vk::Return, ssCtrl);
  rig.Answer("中止(&A)");
  f.Item("PopLaunchRun2").Click();
  ASSERT_EQ(rig.backend.ShellRequests().size(), 2u);
  for (const auto& asked : rig.backend.ShellRequests()) {
    EXPECT_EQ(asked.Program, file);
    EXPECT_EQ(asked.Parameters, "-l 7");
    EXPECT_EQ(asked.Directory, "");
  }
  EXPECT_EQ(rig.BoxTexts(), (std::vector<std::string>{failed, failed}));
  EXPECT_EQ(rig.Seen()[0].caption, "警告");
  EXPECT_EQ(rig.Seen()[0].buttons, (std::vector<std::string>{"中止(&A)"}));
  EXPECT_FALSE(f.Closed());
  EXPECT_EQ(f.BigView1.LineCount(), 50);
}

TEST(Launchers, AnEmptyProgramFailsWithoutAskingTheShell) {
  AppRig rig;
  rig.WriteIni(LauncherIni(1, "none", "", "%f", "C:\\"));
  TForm1& f = StartWith(rig, "a.txt", "x\r\n");
  rig.backend.OnShellOpen = [](const auto&) { return true; };
  rig.Answer("中止(&A)");
  f.PopLaunchRunClick(f);
  EXPECT_TRUE(rig.backend.ShellRequests().empty());
  EXPECT_EQ(rig.BoxTexts(), (std::vector<std::string>{"     の実行に失敗しました。          "}));
  EXPECT_FALSE(f.Closed());
}

TEST(Launchers, AFileWithoutLinesGivesLineZero) {
  AppRig rig;
  rig.WriteIni(LauncherIni(1, "Ed", "ed", "+%l", ""));
  TForm1& f = StartWith(rig, "empty.txt", "");
  ASSERT_EQ(f.BigView1.LineCount(), 0);
  rig.backend.OnShellOpen = [](const auto&) { return true; };
  rig.backend.SendKey(vk::Return, ssShift);
  ASSERT_EQ(rig.backend.ShellRequests().size(), 1u);
  EXPECT_EQ(rig.backend.ShellRequests()[0].Parameters, "+0");
}

TEST(Launchers, WithoutAFileTheKeysAndPopupItemsDoNothing) {
  AppRig rig;
  rig.WriteIni(LauncherIni(1, "Ed", "ed", "%f", "") + "[ProgName]\r\n2=ed\r\n");
  TForm1& f = rig.Start();
  offscreen::WindowOf(f.BigView1).SetFocus();
  rig.backend.OnShellOpen = [](const auto&) { return true; };
  rig.backend.SendKey(vk::Return, ssShift);
  rig.backend.SendKey(vk::Return, ssCtrl);
  f.PopLaunchRunClick(f);
  f.PopLaunchRun2Click(f);
  EXPECT_TRUE(rig.backend.ShellRequests().empty());
  EXPECT_TRUE(rig.Seen().empty());
  EXPECT_FALSE(f.Closed());
  EXPECT_EQ(f.FLaunchNo, 0);
  // The editor opens all the same.
  f.MenuLaunchClick(f);
  ASSERT_EQ(rig.Seen().size(), 1u);
  EXPECT_EQ(rig.Seen()[0].name, "Form12");
}

TEST(Launchers, F4HandsTheForegroundToTheFileManagerElseExplorer) {
  struct Row {
    std::set<std::string> running;
    TShiftState shift;
    std::vector<std::string> activated;
  };
  const std::set<std::string> all = {"CorvoMainWin", "ExploreWClass", "CabinetWClass"};
  const Row rows[] = {
      {all, 0, {"CorvoMainWin"}},
      {{"ExploreWClass", "CabinetWClass"}, ssShift, {"ExploreWClass"}},
      {{"CabinetWClass"}, 0, {"CabinetWClass"}},
      {{}, 0, {}},
      {all, ssCtrl | ssShift, {"CorvoMainWin"}},
      {all, ssCtrl, {}},
      {all, ssAlt, {}},
  };
  for (const Row& r : rows) {
    AppRig rig;
    TForm1& f = rig.Start();
    offscreen::WindowOf(f.BigView1).SetFocus();
    rig.backend.WindowClasses = r.running;
    rig.backend.SendKey(vk::F4, r.shift);
    EXPECT_EQ(rig.backend.Activated(), r.activated) << r.running.size() << " shift " << +r.shift;
    EXPECT_TRUE(rig.Seen().empty());
  }
}

// --- The launcher editor. ---

TEST(LauncherEditor, ShowsTheRecordInItsForm) {
  AppRig rig;
  rig.WriteIni(LauncherIni(2, "\x83\x5e\x83\x43\x83\x67\x83\x8b", "ed.exe", "%f", "C:\\", " "));
  TForm1& f = rig.Start();
  rig.Then([&](TForm& form) {
    auto& d = dynamic_cast<TLauncherEditor&>(form);
    EXPECT_EQ(d.Caption(), "Varlo (ﾗﾝﾁｬｰ編集)");
    EXPECT_EQ(d.ClientWidth(), 562);
    EXPECT_EQ(d.ClientHeight(), 153);
    EXPECT_EQ(d.Left(), (1280 - d.Width()) / 2);
    EXPECT_EQ(d.Edit1().Text(), "\x83\x5e\x83\x43\x83\x67\x83\x8b");
    EXPECT_EQ(d.Edit2().Text(), "ed.exe");
    EXPECT_EQ(d.Edit3().Text(), "%f");
    EXPECT_EQ(d.Edit4().Text(), "C:\\");
    EXPECT_EQ(d.Edit5().Text(), "");  // one blank: no shortcut
    EXPECT_EQ(d.Edit2().BoundsRect(), (TRect{120, 35, 440, 59}));
    EXPECT_EQ(d.BtnRef().BoundsRect(), (TRect{450, 35, 550, 60}));
    EXPECT_EQ(d.BtnRef().Caption(), "参照(&B)...");
    EXPECT_EQ(d.Control<TLabel>("Label5").Caption(), "起動ｼｮｰﾄｶｯﾄ");
    int tab = 0;
    for (const char* name :
         {"Edit1", "Edit2", "Edit3", "Edit4", "Edit5", "BtnOk", "BtnCansel", "BtnRef"})
      EXPECT_EQ(d.FindControl(name)->TabOrder, tab++) << name;
    // The title has the focus, selected: what is typed replaces it.
    EXPECT_TRUE(d.Edit1().Focused());
    rig.Type("vim\b");
    d.BtnOk().Press();
  });
  f.MenuLaunchClick2(f);
  EXPECT_EQ(f.FLaunchEdit, 2);
  EXPECT_EQ(rig.Seen().size(), 1u);
  EXPECT_EQ(f.FProgTitle[2], "vi");
  EXPECT_EQ(f.FProgName[2], "ed.exe");
}

TEST(LauncherEditor, OkStoresTheRecordOnceATitleAndAProgramAreGiven) {
  struct Row {
    const char* title;
    const char* program;
    const char* shortCut;
    const char* option;
    const char* warning;  // null: none, the form closes
    const char* storedTitle;
    const char* storedProgram;
    const char* storedShortCut;
  };
  const Row rows[] = {
      {"", "new.exe", "", "%f", kNoTitle, "old", "old.exe", "K"},
      // The title goes in before the program is checked.
      {"T", "", "", "%f", kNoProgram, "T", "old.exe", "K"},
      // Blanks are text; an empty shortcut is one blank. Blanks at the
      // ends and quotes round a text survive the settings file.
      {" ", " ", "", " %f ", nullptr, " ", " ", " "},
      {"T", "p.exe", "S", "\"%f\"", nullptr, "T", "p.exe", "S"},
  };
  for (const Row& r : rows) {
    AppRig rig;
    rig.WriteIni(LauncherIni(1, "old", "old.exe", "o", "d", "K"));
    TForm1& f = rig.Start();
    rig.Then([&](TForm& form) {
      auto& d = dynamic_cast<TLauncherEditor&>(form);
      offscreen::WindowOf(d.Edit1()).Type(r.title);
      offscreen::WindowOf(d.Edit2()).Type(r.program);
      offscreen::WindowOf(d.Edit3()).Type(r.option);
      offscreen::WindowOf(d.Edit5()).Type(r.shortCut);
      d.BtnOk().Press();
      EXPECT_EQ(d.Closed(), r.warning == nullptr) << r.title << "/" << r.program;
      // Cancel after a refused OK keeps what was stored.
      if (!d.Closed()) d.BtnCansel().Press();
    });
    if (r.warning != nullptr) rig.Answer("OK");
    f.MenuLaunchClick(f);
    if (r.warning != nullptr) {
      ASSERT_EQ(rig.Seen().size(), 2u);
      EXPECT_EQ(rig.Seen()[1].text, r.warning);
      EXPECT_EQ(rig.Seen()[1].caption, "警告");
      EXPECT_EQ(rig.Seen()[1].buttons, (std::vector<std::string>{"OK"}));
    }
    EXPECT_EQ(f.FProgTitle[1], r.storedTitle);
    EXPECT_EQ(f.FProgName[1], r.storedProgram);
    const std::string storedOption = r.warning ? "o" : r.option;
    EXPECT_EQ(f.FProgOption[1], storedOption);
    EXPECT_EQ(f.FProgShortCut[1], r.storedShortCut);
    // The settings file written at exit gives the record back.
    rig.Finish();
    TMainState back;
    ReadSettings(rig.IniPath(), back);
    EXPECT_EQ(back.FProgTitle[1], r.storedTitle);
    EXPECT_EQ(back.FProgOption[1], storedOption);
    EXPECT_EQ(back.FProgShortCut[1], r.storedShortCut);
  }
}

TEST(LauncherEditor, EscInAnyControlClosesWithoutStoring) {
  for (const char* name :
       {"Edit1", "Edit2", "Edit3", "Edit4", "Edit5", "BtnOk", "BtnCansel", "BtnRef"}) {
    AppRig rig;
    rig.WriteIni(LauncherIni(1, "old", "old.exe", "o", "d"));
    TForm1& f = rig.Start();
    rig.Then([&](TForm& form) {
      auto& d = dynamic_cast<TLauncherEditor&>(form);
      offscreen::WindowOf(d.Edit1()).Type("new");
      offscreen::WindowOf(d.Edit2()).Type("new.exe");
      offscreen::WindowOf(*d.FindControl(name)).SetFocus();
      rig.backend.SendKey(vk::Escape);
      EXPECT_TRUE(d.Closed()) << name;
    });
    f.MenuLaunchClick(f);
    EXPECT_EQ(f.FProgTitle[1], "old") << name;
    EXPECT_EQ(f.FProgName[1], "old.exe") << name;
  }
}

TEST(LauncherEditor, BrowseFillsTheFieldsFromTheChosenProgram) {
  struct Row {
    const char* chosen;  // UTF-8, as the dialog gives it
    const char* title;   // typed before
    const char* wantTitle;
    const char* wantProgram;
    const char* wantDir;  // Shift-JIS
  };
  const Row rows[] = {
      {"C:\\Tools\\viewer.exe", "", "viewer.exe", "C:\\Tools\\viewer.exe", "C:\\Tools"},
      {"C:\\x.exe", "", "x.exe", "C:\\x.exe", "C:"},
      {"C:\\Tools\\viewer.exe", "Mine", "Mine", "C:\\Tools\\viewer.exe", "C:\\Tools"},
      // 表 ends in the byte of "\" in Shift-JIS: still one character.
      {"C:\\表示\\表.exe", "", "\x95\x5c.exe", "C:\\\x95\x5c\x8e\xa6\\\x95\x5c.exe",
       "C:\\\x95\x5c\x8e\xa6"},
  };
  for (const Row& r : rows) {
    AppRig rig;
    TForm1& f = rig.Start();
    std::string filter;
    rig.backend.OnOpenDialog = [&](TOpenDialog& d) {
      filter = d.Filter;
      d.FileName = r.chosen;
      return true;
    };
    rig.Then([&](TForm& form) {
      auto& d = dynamic_cast<TLauncherEditor&>(form);
      offscreen::WindowOf(d.Edit1()).Type(r.title);
      offscreen::WindowOf(d.Edit3()).Type("old option");
      offscreen::WindowOf(d.Edit5()).Type("K");
      d.BtnRef().Press();
      EXPECT_EQ(d.Edit1().Text(), r.wantTitle) << r.chosen;
      EXPECT_EQ(d.Edit2().Text(), r.wantProgram);
      EXPECT_EQ(d.Edit3().Text(), "");
      EXPECT_EQ(d.Edit4().Text(), r.wantDir);
      EXPECT_EQ(d.Edit5().Text(), "K");
    });
    f.MenuLaunchClick(f);
    EXPECT_EQ(filter,
              "実行ﾌｧｲﾙ(EXE ; COM)|*.EXE;*.COM|実行ﾌｧｲﾙ(PIF ; BAT ; LNK)|*.PIF;*.BAT;*.LNK|"
              "全ﾌｧｲﾙ(*.*)|*.*");
    // Nothing is stored until OK.
    EXPECT_EQ(f.FProgName[1], "");
  }
  // Cancelled: nothing changes.
  AppRig rig;
  TForm1& f = rig.Start();
  rig.Then([&](TForm& form) {
    auto& d = dynamic_cast<TLauncherEditor&>(form);
    offscreen::WindowOf(d.Edit3()).Type("keep");
    d.BtnRef().Press();
    EXPECT_EQ(d.Edit3().Text(), "keep");
  });
  f.MenuLaunchClick(f);
  EXPECT_EQ(rig.backend.ModalLog().back(), "OpenDialog");
}

}  // namespace
}  // namespace varlo
