// The settings dialog opened from the main window: its pages and controls,
// what each page's Save commits, the range test of the display numbers and
// its messages, Esc, and the page kept for the next opening. Then the font,
// background colour and help commands.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dialogs/settings_form.h"
#include "tests/support/app_rig.h"

namespace varlo {
namespace {

using testing::AppRig;

constexpr const char* kWrapMessage = "    折り返しの数値が範囲外です。          ";
constexpr const char* kTabMessage = "    タブ設定の数値が範囲外です。          ";
constexpr const char* kFindScrollMessage =
    "    検索後のスクロール設定の数値が範囲外です。          ";
constexpr const char* kScrollSenseMessage = "    １行スクロール設定の数値が範囲外です。          ";

// A window with a file of long lines open.
struct SettingsRig {
  SettingsRig() {
    std::string text;
    for (int i = 0; i < 30; ++i) text += std::string(160, 'x') + "\r\n";
    rig.WriteFile("long.txt", text);
    f = &rig.Start({rig.Utf8Path("long.txt")});
  }
  // Opens the dialog; `user` plays the user in it.
  void Open(std::function<void(TSettingsDialog&)> user) {
    rig.Then([user](TForm& form) { user(dynamic_cast<TSettingsDialog&>(form)); });
    f->MenuOptionSetClick(*f);
  }
  AppRig rig;
  TForm1* f = nullptr;
};

TEST(SettingsDialog, HasItsPagesControlsAndTabOrder) {
  SettingsRig s;
  s.f->FEditWrapChar = "72";
  s.f->FCheckTabChar = false;
  s.Open([&](TSettingsDialog& d) {
    EXPECT_EQ(d.Caption(), "Varlo (各種設定)");
    EXPECT_EQ(d.ClientWidth(), 517);
    EXPECT_EQ(d.ClientHeight(), 333);
    EXPECT_EQ(d.BorderStyle(), bsDialog);
    EXPECT_EQ(d.Font().Name, "ＭＳ Ｐゴシック");
    EXPECT_EQ(d.Font().Size(), 9);
    EXPECT_EQ(d.Left(), (1280 - d.Width()) / 2);
    EXPECT_EQ(d.TabNote().BoundsRect(), (TRect{5, 10, 510, 327}));
    EXPECT_EQ(d.TabNote().Font().Name, "System");
    EXPECT_EQ(
        offscreen::WindowOf(d.TabNote()).Pages(),
        (std::vector<std::string>{"　画面表示位置　", "　　履歴設定　　", "　表示情報設定　"}));
    // The first opening shows the first page, its Cancel focused.
    EXPECT_EQ(d.TabNote().ActivePageIndex(), 0);
    EXPECT_TRUE(d.BtnFormCansel().Focused());
    EXPECT_EQ(d.BtnFormSave().Caption(), "保存(&S)");
    EXPECT_EQ(d.BtnFormCansel().Width(), 100);
    EXPECT_EQ(d.CheckFormMain().Caption(), "メイン(&M)");
    // The controls hold the settings.
    EXPECT_EQ(d.EditWrapChar().Text(), "72");
    EXPECT_FALSE(d.CheckTabChar().Checked());
    EXPECT_TRUE(d.CheckCloseDialog().Checked());
    // Each row: check box, label giving its edit box the focus, edit box
    // with its byte limit, range.
    struct Row {
      TCheckBox& check;
      const char* caption;
      const char* label;
      TEdit& edit;
      int maxLength;
      const char* range;
    };
    const Row rows[] = {
        {d.CheckWrapChar(), "折り返し文字数(&C)", "Label1", d.EditWrapChar(), 3, "(2-255)"},
        {d.CheckTabChar(), "タブ幅(&T)", "Label2", d.EditTabChar(), 2, "(1-16)"},
        {d.CheckFindScroll(), "検索後のスクロール(&K)", "Label3", d.EditFindScroll(), 0, "(0-16)"},
        {d.CheckScrollSense(), "１行のスクロール速度(&V)", "Label4", d.EditScrollSense(), 0,
         "(1-10)"},
    };
    int n = 0;
    for (const Row& r : rows) {
      ++n;
      EXPECT_EQ(r.check.Caption(), r.caption);
      auto& label = d.Control<TLabel>(r.label);
      EXPECT_EQ(label.Caption(), "設定値(&" + std::to_string(n) + ")");
      EXPECT_EQ(label.FocusControl, &r.edit);
      EXPECT_EQ(r.edit.MaxLength(), r.maxLength);
      EXPECT_EQ(d.Control<TLabel>("Label" + std::to_string(n + 4)).Caption(), r.range);
    }
    EXPECT_EQ(d.CheckCloseDialog().Caption(), "終了時の確認表示(&E)");
    // Page 3 in tab order.
    std::vector<TWinControl*> order;
    const auto collect = [&](auto& self, TWinControl& parent) -> void {
      std::vector<TWinControl*> children = parent.Controls();
      std::stable_sort(children.begin(), children.end(),
                       [](auto* a, auto* b) { return a->TabOrder < b->TabOrder; });
      for (TWinControl* c : children) {
        if (c->TabStop()) order.push_back(c);
        self(self, *c);
      }
    };
    collect(collect, d.TabNote().Page(2));
    EXPECT_EQ(order,
              (std::vector<TWinControl*>{
                  &d.BtnDispCansel(), &d.BtnDispSave(), &d.CheckWrapChar(), &d.EditWrapChar(),
                  &d.CheckTabChar(), &d.EditTabChar(), &d.CheckFindScroll(), &d.EditFindScroll(),
                  &d.CheckScrollSense(), &d.EditScrollSense(), &d.CheckCloseDialog()}));
    d.BtnFormCansel().Press();
  });
  EXPECT_TRUE(s.rig.backend.Errors().empty());
}

TEST(SettingsDialog, AcceleratorsReachTheShownPageOnly) {
  SettingsRig s;
  s.f->FFormMem = false;
  s.Open([&](TSettingsDialog& d) {
    offscreen::WindowOf(d.TabNote()).SelectPage(2);
    auto& window = offscreen::WindowOf(d);
    EXPECT_TRUE(window.Accelerator('2'));
    EXPECT_TRUE(d.EditTabChar().Focused());
    // Its text selected: typed digits replace it.
    s.rig.Type("8");
    // The first page's Save is hidden: Alt+S saves the display page.
    d.CheckFormMain().SetChecked(true);
    d.CheckCloseDialog().SetChecked(false);
    EXPECT_TRUE(window.Accelerator('S'));
    EXPECT_TRUE(d.Closed());
  });
  EXPECT_FALSE(s.f->FFormMem);
  EXPECT_FALSE(s.f->FCheckCloseDialog);
  EXPECT_EQ(s.f->FEditTabChar, "8");
  EXPECT_EQ(s.f->BigView1.ViewTabStop(), 8);
}

TEST(SettingsDialog, SaveOnTheDisplayPageAppliesGoodNumbersAndClosesWithoutError) {
  struct Case {
    const char* name;
    std::array<const char*, 4> texts;  // wrap, tab, scroll after search, scroll step
    bool tabChecked;
    std::vector<std::string> messages;
    // The settings after Save; the viewer's wrap column, tab stop and step.
    std::array<const char*, 4> kept;
    int wrap, tab, findScroll, sense;
  };
  // clang-format off
  const Case cases[] = {
      {"the defaults",      {"80", "4", "0", "1"},    true,  {},
       {"80", "4", "0", "1"},    80, 4, 0, 1},
      {"wrap 1 rejected",   {"1", "8", "3", "5"},     true,  {kWrapMessage},
       {"80", "8", "3", "5"},    80, 8, 3, 5},
      // A switched-off row still needs a number in its range.
      {"empty tab, off",    {"40", "", "2", "2"},     false, {kTabMessage},
       {"40", "4", "2", "2"},    40, 4, 2, 2},
      // The tab box takes two bytes: "$10" fits the next one.
      {"hex and a blank",   {"+99", "$A", "$10", " 10"}, true, {},
       {"+99", "$A", "$10", " 10"}, 99, 10, 16, 10},
      {"switched off",      {"60", "16", "5", "3"},   false, {},
       {"60", "16", "5", "3"},   60, 0, 5, 3},
      {"every row bad",     {"256", "0", "17", "x"},  true,
       {kWrapMessage, kTabMessage, kFindScrollMessage, kScrollSenseMessage},
       {"80", "4", "0", "1"},    80, 4, 0, 1},
      {"signs and hex",     {"-2", "$", "-0", "$A"},  true,  {kWrapMessage, kTabMessage},
       {"80", "4", "-0", "$A"},  80, 4, 0, 10},
  };
  // clang-format on
  for (const Case& c : cases) {
    SettingsRig s;
    bool closed = false;
    s.Open([&](TSettingsDialog& d) {
      offscreen::WindowOf(d.TabNote()).SelectPage(2);
      d.CheckTabChar().SetChecked(c.tabChecked);
      offscreen::WindowOf(d.EditWrapChar()).Type(c.texts[0]);
      offscreen::WindowOf(d.EditTabChar()).Type(c.texts[1]);
      offscreen::WindowOf(d.EditFindScroll()).Type(c.texts[2]);
      offscreen::WindowOf(d.EditScrollSense()).Type(c.texts[3]);
      for (size_t i = 0; i < c.messages.size(); ++i) s.rig.Answer("OK");
      d.BtnDispSave().Press();
      closed = d.Closed();
      // Texts stay as typed when the dialog stays.
      EXPECT_EQ(d.EditWrapChar().Text(), c.texts[0]) << c.name;
      d.BtnDispCansel().Press();
    });
    EXPECT_EQ(closed, c.messages.empty()) << c.name;
    EXPECT_EQ(s.rig.BoxTexts(), c.messages) << c.name;
    for (const testing::Shown& box : s.rig.Seen())
      if (box.name == "MessageForm") {
        EXPECT_EQ(box.caption, "情報");
        EXPECT_EQ(box.buttons, (std::vector<std::string>{"OK"}));
      }
    TForm1& f = *s.f;
    EXPECT_EQ(f.FCheckTabChar, c.tabChecked) << c.name;
    EXPECT_EQ(f.FEditWrapChar, c.kept[0]) << c.name;
    EXPECT_EQ(f.FEditTabChar, c.kept[1]) << c.name;
    EXPECT_EQ(f.FEditFindScroll, c.kept[2]) << c.name;
    EXPECT_EQ(f.FEditScrollSense, c.kept[3]) << c.name;
    EXPECT_EQ(f.BigView1.WrapByte(), c.wrap) << c.name;
    EXPECT_EQ(f.BigView1.ViewTabStop(), c.tab) << c.name;
    EXPECT_EQ(f.FFindScroll, c.findScroll) << c.name;
    EXPECT_EQ(f.BigView1.ScrollSense(), c.sense) << c.name;
    // The caption counts the view lines of the new wrap column.
    EXPECT_EQ(f.Caption(), f.MainCaption(f.BigView1)) << c.name;
    EXPECT_NE(f.Caption().find("全行数 : " + std::to_string(30 * ((160 + c.wrap - 1) / c.wrap))),
              std::string::npos)
        << c.name << ": " << f.Caption();
  }
}

TEST(SettingsDialog, AWrapSwitchedOffShowsLinesWhole) {
  SettingsRig s;
  s.Open([&](TSettingsDialog& d) {
    d.TabNote().SetActivePageIndex(2);
    d.CheckWrapChar().SetChecked(false);
    d.BtnDispSave().Press();
  });
  EXPECT_FALSE(s.f->BigView1.WordWrap());
  EXPECT_EQ(s.f->BigView1.ViewCount(), 30);
  EXPECT_NE(s.f->Caption().find("全行数 : 30 (30)"), std::string::npos);
}

TEST(SettingsDialog, EachPagesSaveCommitsThatPageOnly) {
  SettingsRig s;
  TForm1& f = *s.f;
  s.Open([&](TSettingsDialog& d) {
    d.CheckFormMain().SetChecked(true);
    d.CheckWrapChar().SetChecked(false);
    d.CheckCloseDialog().SetChecked(false);
    d.EditTabChar().SetText("9");
    d.BtnFormSave().Press();
    EXPECT_TRUE(d.Closed());
  });
  EXPECT_TRUE(f.FFormMem);
  EXPECT_TRUE(f.FCheckWrapChar);
  EXPECT_TRUE(f.FCheckCloseDialog);
  EXPECT_EQ(f.FEditTabChar, "4");
  // The history page sets both counts to 1 and nothing else.
  f.FEditSearchResum = "5";
  f.FEditJumpResum = "7";
  s.Open([&](TSettingsDialog& d) {
    d.CheckFormMain().SetChecked(false);
    d.TabNote().SetActivePageIndex(1);
    d.BtnFileSave().Press();
  });
  EXPECT_EQ(f.FEditSearchResum, "1");
  EXPECT_EQ(f.FEditJumpResum, "1");
  EXPECT_TRUE(f.FFormMem);
  // Cancel on any page, and the close box, change nothing.
  for (int page = 0; page < 4; ++page)
    s.Open([&](TSettingsDialog& d) {
      d.CheckFormMain().SetChecked(false);
      d.CheckWrapChar().SetChecked(false);
      d.EditWrapChar().SetText("2");
      TButton* cancel[] = {&d.BtnFormCansel(), &d.BtnFileCansel(), &d.BtnDispCansel()};
      if (page < 3) {
        d.TabNote().SetActivePageIndex(page);
        cancel[page]->Press();
      } else {
        offscreen::WindowOf(d).CloseBox();
      }
      EXPECT_TRUE(d.Closed());
    });
  EXPECT_TRUE(f.FFormMem);
  EXPECT_TRUE(f.FCheckWrapChar);
  EXPECT_EQ(f.FEditWrapChar, "80");
  EXPECT_EQ(f.BigView1.WrapByte(), 80);
}

TEST(SettingsDialog, EscAsksAndYesClosesWithoutSaving) {
  SettingsRig s;
  s.Open([&](TSettingsDialog& d) {
    d.TabNote().SetActivePageIndex(2);
    d.CheckWrapChar().SetChecked(false);
    d.EditTabChar().SetFocus();
    s.rig.Answer("いいえ(&N)");
    s.rig.backend.SendKey(vk::Escape);
    EXPECT_FALSE(d.Closed());
    // From the notebook too (after a click on a tab).
    d.TabNote().SetFocus();
    s.rig.Answer("はい(&Y)");
    s.rig.backend.SendKey(vk::Escape);
    EXPECT_TRUE(d.Closed());
  });
  ASSERT_EQ(s.rig.Seen().size(), 3u);
  const testing::Shown& box = s.rig.Seen()[1];
  EXPECT_EQ(box.caption, "情報");
  EXPECT_EQ(box.text, "    メイン画面に戻りますか。   ");
  EXPECT_EQ(box.buttons, (std::vector<std::string>{"はい(&Y)", "いいえ(&N)"}));
  EXPECT_TRUE(s.f->FCheckWrapChar);
  // Esc in the question answers いいえ.
  s.Open([&](TSettingsDialog& d) {
    d.BtnFormCansel().SetFocus();
    s.rig.Then([&](TForm&) { s.rig.backend.SendKey(vk::Escape); });
    s.rig.backend.SendKey(vk::Escape);
    EXPECT_FALSE(d.Closed());
    d.BtnFormCansel().Press();
  });
}

TEST(SettingsDialog, ThePageShownLastOpensNextWithinTheRun) {
  SettingsRig s;
  s.Open([&](TSettingsDialog& d) {
    EXPECT_EQ(d.TabNote().ActivePageIndex(), 0);
    offscreen::WindowOf(d.TabNote()).SelectPage(1);
    d.BtnFileCansel().Press();
  });
  EXPECT_EQ(s.f->FOptionPage, 1);
  s.Open([&](TSettingsDialog& d) {
    EXPECT_EQ(d.TabNote().ActivePageIndex(), 1);
    EXPECT_TRUE(d.BtnFileCansel().Focused());
    offscreen::WindowOf(d.TabNote()).SelectPage(2);
    offscreen::WindowOf(d).CloseBox();
  });
  EXPECT_EQ(s.f->FOptionPage, 2);
  // Not a setting: a new run starts on the first page.
  s.rig.Finish();
  EXPECT_EQ(s.rig.ReadIni().find("Page"), std::string::npos);
  AppRig next;
  EXPECT_EQ(next.Start().FOptionPage, 0);
}

// --- Font, background colour, help. ---

TEST(FontAndColour, ChosenValuesAreStoredAsTextAppliedAndReadBackNextRun) {
  AppRig rig;
  TForm1& f = rig.Start();
  TFont offered;
  rig.backend.OnFontDialog = [&](TFontDialog& d) {
    offered = d.Font;
    d.Font.Name = "ＭＳ ゴシック";
    d.Font.SetSize(12);
    d.Font.Color = 0x00123456;
    d.Font.Style = fsBold | fsItalic;  // neither kept nor applied
    return true;
  };
  f.MenuFontClick(f);
  EXPECT_EQ(offered.Name, "system");
  EXPECT_EQ(offered.Size(), 14);
  EXPECT_EQ(offered.Color, clBlack);
  EXPECT_EQ(f.FTextFontName, "\x82\x6c\x82\x72 \x83\x53\x83\x56\x83\x62\x83\x4e");
  EXPECT_EQ(f.FTextFontSize, "12");
  EXPECT_EQ(f.FTextFontColor, "$00123456");
  EXPECT_EQ(f.BigView1.Font().Name, "ＭＳ ゴシック");
  EXPECT_EQ(f.BigView1.Font().Size(), 12);
  EXPECT_EQ(f.BigView1.Font().Color, 0x00123456u);
  EXPECT_EQ(f.BigView1.Font().Style, 0);
  // A named colour is stored by its name.
  rig.backend.OnColorDialog = [](TColorDialog& d) {
    EXPECT_EQ(d.Color, clWindow);
    d.Color = clBlue;
    return true;
  };
  f.MenuBackColorClick(f);
  EXPECT_EQ(f.FTextBackColor, "clBlue");
  EXPECT_EQ(f.BigView1.Color(), clBlue);
  // Cancelled: nothing changes.
  rig.backend.OnFontDialog = [](TFontDialog& d) {
    d.Font.SetSize(30);
    return false;
  };
  rig.backend.OnColorDialog = [](TColorDialog& d) {
    d.Color = clRed;
    return false;
  };
  f.MenuFontClick(f);
  f.MenuBackColorClick(f);
  EXPECT_EQ(f.FTextFontSize, "12");
  EXPECT_EQ(f.FTextBackColor, "clBlue");
  rig.Finish();
  const std::string ini = rig.ReadIni();
  EXPECT_NE(ini.find("[TextJyouhou]\r\nTextFontName=\x82\x6c\x82\x72 "
                     "\x83\x53\x83\x56\x83\x62\x83\x4e\r\nTextFontSize=12\r\n"
                     "TextFontColor=$00123456\r\nTextBackColor=clBlue\r\n"),
            std::string::npos)
      << ini;

  AppRig next;
  next.WriteIni(ini);
  TForm1& g = next.Start();
  EXPECT_EQ(g.BigView1.Font().Name, "ＭＳ ゴシック");
  EXPECT_EQ(g.BigView1.Font().Size(), 12);
  EXPECT_EQ(g.BigView1.Font().Color, 0x00123456u);
  EXPECT_EQ(g.BigView1.Color(), clBlue);
  EXPECT_TRUE(next.backend.Errors().empty());
}

TEST(FontAndColour, AStoredTextThatDoesNotConvertStopsTheCommand) {
  struct Case {
    const char* ini;
    bool font;  // else the background colour
    const char* error;
  };
  const Case cases[] = {
      {"TextFontSize=12pt", true, "'12pt' は整数ではありません"},
      {"TextFontColor=clBlackish", true, "'clBlackish' は整数ではありません"},
      {"TextBackColor=", false, "'' は整数ではありません"},
  };
  for (const Case& c : cases) {
    AppRig rig;
    TForm1& f = rig.Start();
    const TFont font = f.BigView1.Font();
    // Put there after start, which would have stopped on it.
    const std::string line = c.ini;
    const std::string key = line.substr(0, line.find('=')), value = line.substr(line.find('=') + 1);
    (key == "TextFontSize"    ? f.FTextFontSize
     : key == "TextFontColor" ? f.FTextFontColor
                              : f.FTextBackColor) = value;
    ControlEvents::Run([&] { c.font ? f.MenuFontClick(f) : f.MenuBackColorClick(f); });
    EXPECT_EQ(rig.backend.Errors(), (std::vector<std::string>{c.error})) << c.ini;
    EXPECT_TRUE(rig.backend.ModalLog().empty()) << c.ini;  // no dialog
    EXPECT_EQ(f.BigView1.Font(), font);
    EXPECT_EQ(f.BigView1.Color(), clWindow);
  }
}

TEST(Help, ThePageBesideTheExecutableIsAskedForElseAWarningNamesIt) {
  AppRig rig;
  TForm1& f = rig.Start();
  const std::string page = rig.Utf8Path("varlo.html");
  const std::string missing = "   ヘルプファイル " + page + " が見つかりません。          ";
  rig.Answer("中止(&A)");
  f.Item("MenuHelpDisp").Click();
  EXPECT_EQ(rig.BoxTexts(), (std::vector<std::string>{missing}));
  EXPECT_TRUE(rig.backend.HelpRequests().empty());

  rig.WriteFile("varlo.html", "<html></html>");
  f.Item("MenuHelpDisp").Click();
  EXPECT_EQ(rig.backend.HelpRequests(), (std::vector<std::string>{page}));
  EXPECT_EQ(rig.BoxTexts().size(), 1u);
  // No program to show it with.
  rig.backend.OnShowHelp = [](const std::string&) { return false; };
  f.Item("MenuHelpDisp").Click();
  EXPECT_EQ(rig.BoxTexts().back(),
            "   ヘルプファイル " + page + " を表示できませんでした。          ");
}

}  // namespace
}  // namespace varlo
