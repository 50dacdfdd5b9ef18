// The toolkit's forms on the offscreen backend: a form from its
// description, accelerators, the byte limit of edit boxes, default and
// cancel buttons, modal results, message boxes, notebooks and timers.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/dialogs.h"
#include "platform/forms.h"
#include "platform/timer.h"
#include "tests/support/viewer_rig.h"

namespace varlo {
namespace {

using testing::OffscreenScope;

struct SampleForm : TForm {
  std::vector<std::string> log;
  SampleForm() {
    // clang-format off
    Build({.Name = "Sample",
           .Caption = "見本",
           .ClientWidth = 300,
           .ClientHeight = 200,
           .Controls =
               {
                   {.Kind = TControlKind::Label, .Name = "Label1", .Left = 10, .Top = 10, .Width = 80,
                    .Height = 20, .Caption = "文字列 (&S)", .FocusControl = "Edit1"},
                   {.Kind = TControlKind::Edit, .Name = "Edit1", .Left = 10, .Top = 30, .Width = 200,
                    .Height = 20, .MaxLength = 5},
                   {.Kind = TControlKind::CheckBox, .Name = "Check1", .Left = 10, .Top = 60,
                    .Width = 200, .Height = 20, .Caption = "大文字(&C)", .OnClick = "CheckClick"},
                   {.Kind = TControlKind::Button, .Name = "BtnOk", .Left = 10, .Top = 90, .Width = 80,
                    .Height = 25, .Caption = "OK", .OnClick = "OkClick", .Default = true,
                    .ModalResult = mrOk},
                   {.Kind = TControlKind::Button, .Name = "BtnCancel", .Left = 100, .Top = 90,
                    .Width = 80, .Height = 25, .Caption = "ｷｬﾝｾﾙ", .Cancel = true,
                    .ModalResult = mrCancel},
                   {.Kind = TControlKind::PageControl, .Name = "Pages", .Left = 10, .Top = 120,
                    .Width = 280, .Height = 70},
                   {.Kind = TControlKind::TabSheet, .Name = "Page1", .Caption = "一", .Parent = "Pages"},
                   {.Kind = TControlKind::TabSheet, .Name = "Page2", .Caption = "二", .Parent = "Pages"},
               }},
          THandlers()
              .Notify("CheckClick", [this](TObject&) { log.push_back("check"); })
              .Notify("OkClick", [this](TObject&) { log.push_back("ok"); }));
    // clang-format on
  }
  TEdit& Edit1() { return Control<TEdit>("Edit1"); }
};

TEST(Forms, AreBuiltFromTheirDescription) {
  OffscreenScope scope;
  SampleForm f;
  f.HandleNeeded();
  EXPECT_EQ(f.ClientWidth(), 300);
  EXPECT_EQ(f.ClientHeight(), 200);
  EXPECT_EQ(f.Control<TLabel>("Label1").FocusControl, &f.Edit1());
  EXPECT_EQ(f.Control<TButton>("BtnCancel").TabOrder, 4);
  EXPECT_TRUE(offscreen::WindowOf(f.Control<TButton>("BtnOk")).DefaultButton());
  EXPECT_EQ(offscreen::WindowOf(f.Control<TPageControl>("Pages")).Pages(),
            (std::vector<std::string>{"一", "二"}));
  EXPECT_THROW(f.Control<TEdit>("Label1"), std::logic_error);
  TForm bad;
  // clang-format off
  EXPECT_THROW(bad.Build({.Name = "Bad",
                          .Controls = {{.Kind = TControlKind::Button, .Name = "B", .OnClick = "Nope"}}},
                         THandlers()),
               std::logic_error);
  // clang-format on
}

// A form is written in pixels at 96 per inch: built for a screen of 144 it
// is half as large again, edge for edge, its client area too; opened on a
// display of 192 it stays where it is and grows again; moved back it is as
// written. A label that takes its text's size keeps fitting it.
TEST(Forms, AreScaledToTheResolutionOfTheirDisplay) {
  OffscreenScope scope;
  scope.Backend().SetScreenPixelsPerInch(144);
  SampleForm f;
  TLabel& fitted = f.Owned<TLabel>();
  fitted.SetAutoSize(true);
  fitted.SetCaption("幅(&W)");
  const TRect fit = fitted.BoundsRect();
  f.HandleNeeded();
  EXPECT_EQ(f.PixelsPerInch(), 144);
  EXPECT_EQ(f.ClientWidth(), 450);
  EXPECT_EQ(f.ClientHeight(), 300);
  EXPECT_EQ(f.Control<TLabel>("Label1").BoundsRect(), (TRect{15, 15, 135, 45}));
  EXPECT_EQ(f.Control<TButton>("BtnOk").BoundsRect(), (TRect{15, 135, 135, 173}));
  EXPECT_EQ(f.Edit1().Font().Height, -29);
  EXPECT_EQ(f.Edit1().PixelsPerInch(), 144);
  EXPECT_EQ(f.Scaled(10), 15);
  EXPECT_EQ(f.Unscaled(15), 10);

  scope.Backend().SetDisplayPixelsPerInch(192);
  SampleForm g;
  g.SetBounds(100, 50, g.Width(), g.Height());
  g.HandleNeeded();
  EXPECT_EQ(g.Left(), 100);
  EXPECT_EQ(g.Top(), 50);
  EXPECT_EQ(g.ClientWidth(), 600);
  EXPECT_EQ(g.Control<TLabel>("Label1").BoundsRect(), (TRect{20, 20, 180, 60}));
  EXPECT_EQ(g.Edit1().Font().Height, -39);

  ControlEvents::PixelsPerInchChanged(f, 96, {0, 0, 320, 240});
  EXPECT_EQ(fitted.Width(), fit.Width());
  EXPECT_EQ(f.BoundsRect(), (TRect{0, 0, 320, 240}));
  EXPECT_EQ(f.Control<TLabel>("Label1").BoundsRect(), (TRect{10, 10, 90, 30}));
  EXPECT_EQ(f.Edit1().Font().Height, -19);
  EXPECT_EQ(f.Edit1().Font().Size(), 14);
}

TEST(Forms, AShownFormFocusesItsFirstUsableTabStopUnlessItNamesOne) {
  OffscreenScope scope;
  SampleForm named, first, skipping;
  named.ActiveControl = &named.Control<TButton>("BtnOk");
  named.Show();
  EXPECT_TRUE(named.Control<TButton>("BtnOk").Focused());
  first.Show();
  EXPECT_TRUE(first.Edit1().Focused());
  skipping.Edit1().SetEnabled(false);
  skipping.Show();
  EXPECT_TRUE(skipping.Control<TCheckBox>("Check1").Focused());
}

TEST(Forms, AcceleratorsFocusAndPress) {
  OffscreenScope scope;
  SampleForm f;
  f.Show();
  auto& window = offscreen::WindowOf(f);
  EXPECT_TRUE(window.Accelerator('s'));
  EXPECT_TRUE(f.Edit1().Focused());
  EXPECT_TRUE(window.Accelerator('C'));
  EXPECT_TRUE(f.Control<TCheckBox>("Check1").Checked());
  EXPECT_EQ(f.log, (std::vector<std::string>{"check"}));
  EXPECT_FALSE(window.Accelerator('z'));
  EXPECT_EQ(AcceleratorOf("範囲選択開始('&B)"), 'B');
  EXPECT_EQ(AcceleratorOf("a && b"), 0);
}

TEST(Forms, EditBoxesCountShiftJisBytes) {
  OffscreenScope scope;
  SampleForm f;
  f.Show();
  auto& edit = offscreen::WindowOf(f.Edit1());
  int changes = 0;
  f.Edit1().OnChange = [&](TObject&) { ++changes; };
  edit.Type("ab\x8a\xbf");  // 4 bytes
  EXPECT_EQ(f.Edit1().Text(), "ab\x8a\xbf");
  edit.Type("ab\x8a\xbf\x8e\x9a");  // 6 bytes: refused
  EXPECT_EQ(f.Edit1().Text(), "ab\x8a\xbf");
  EXPECT_EQ(edit.Text(), "ab\x8a\xbf");
  EXPECT_EQ(changes, 1);
  // Set in code, a text is cut whole characters short of the limit.
  f.Edit1().SetText("abcd\x8a\xbf");
  EXPECT_EQ(f.Edit1().Text(), "abcd");
}

// Keys typed into an edit box, as the platform's box takes them: a box that
// gets the focus as a dialog gives it (on opening, by a label's
// accelerator) has its text selected, so that typing replaces it.
TEST(Forms, EditBoxesTakeTypedKeysAsThePlatformsBoxDoes) {
  struct Step {
    uint16_t key = 0;  // else the text
    std::string text{};
  };
  const auto T = [](std::string text) { return Step{0, std::move(text)}; };
  const auto K = [](uint16_t key) { return Step{key}; };
  enum class Focus { Opening, Accelerator, TextSetAfter };
  const std::string nichi = "\x93\xfa", hon = "\x96\x7b";  // 日, 本
  const struct {
    const char* name;
    std::string preset;
    Focus focus;
    std::vector<Step> steps;
    std::string text;
  } rows[] = {
      {"typing replaces the text the box opens with", "abc", Focus::Opening, {T("xy")}, "xy"},
      {"Backspace takes the last character back",
       "abc",
       Focus::Opening,
       {T("xyz"), K(vk::Back)},
       "xy"},
      {"Backspace removes the selection", "abc", Focus::Opening, {K(vk::Back)}, ""},
      {"a double-byte character goes whole",
       "abc",
       Focus::Opening,
       {T(nichi + hon), K(vk::Back)},
       nichi},
      {"a key past the byte limit is refused and the caret stays",
       "",
       Focus::Opening,
       {T("123456"), K(vk::Back)},
       "1234"},
      {"so is a double-byte character with one byte of room",
       "",
       Focus::Opening,
       {T("abcd" + nichi), T("e")},
       "abcde"},
      {"the label's accelerator selects the text too", "abc", Focus::Accelerator, {T("q")}, "q"},
      {"a text set in code leaves the caret before it",
       "abc",
       Focus::TextSetAfter,
       {T("x")},
       "xabc"},
      {"the arrows, Home, End and Delete",
       "abc",
       Focus::Opening,
       {K(vk::Left), K(vk::Left), K(vk::Delete), K(vk::Home), K(vk::Delete), K(vk::End), T("d")},
       "cd"},
  };
  for (const auto& row : rows) {
    OffscreenScope scope;
    SampleForm f;
    if (row.focus != Focus::TextSetAfter) f.Edit1().SetText(row.preset);
    f.Show();
    auto& edit = offscreen::WindowOf(f.Edit1());
    if (row.focus == Focus::Opening) {
      EXPECT_EQ(edit.SelStart(), 0) << row.name;
      EXPECT_EQ(edit.SelLength(), static_cast<int>(row.preset.size())) << row.name;
    }
    if (row.focus == Focus::Accelerator) {
      f.Control<TCheckBox>("Check1").SetFocus();
      offscreen::WindowOf(f).Accelerator('s');
    }
    if (row.focus == Focus::TextSetAfter) f.Edit1().SetText(row.preset);
    for (const Step& step : row.steps) {
      if (step.key != 0) {
        scope.Backend().SendKey(step.key);
      } else {
        scope.Backend().TypeText(step.text);
      }
    }
    EXPECT_EQ(f.Edit1().Text(), row.text) << row.name;
    EXPECT_EQ(edit.Text(), row.text) << row.name;
  }
}

TEST(Forms, EnterPressesTheDefaultAndEscTheCancelButton) {
  OffscreenScope scope;
  auto& backend = scope.Backend();
  SampleForm f;
  backend.OnShowModal = [&](TForm&) {
    f.Edit1().SetFocus();
    backend.SendKey(vk::Return);
  };
  EXPECT_EQ(f.ShowModal(), mrOk);
  EXPECT_EQ(f.log, (std::vector<std::string>{"ok"}));
  backend.OnShowModal = [&](TForm&) {
    f.Edit1().SetFocus();
    backend.SendKey(vk::Escape);
  };
  EXPECT_EQ(f.ShowModal(), mrCancel);
  // Enter on a focused button presses that one.
  backend.OnShowModal = [&](TForm&) {
    f.Control<TButton>("BtnCancel").SetFocus();
    backend.SendKey(vk::Return);
  };
  EXPECT_EQ(f.ShowModal(), mrCancel);
  EXPECT_EQ(f.log.size(), 1u);
  // The close box cancels; OnClose may keep the form open.
  int refusals = 0;
  f.OnClose = [&](TObject&, TCloseAction& action) {
    if (refusals++ == 0) action = caNone;
  };
  backend.OnShowModal = [&](TForm& form) {
    offscreen::WindowOf(form).CloseBox();
    EXPECT_FALSE(form.Closed());
    offscreen::WindowOf(form).CloseBox();
  };
  EXPECT_EQ(f.ShowModal(), mrCancel);
  EXPECT_EQ(refusals, 2);
}

TEST(Forms, MessageBoxesHaveTheirCaptionsAndKeys) {
  OffscreenScope scope;
  auto& backend = scope.Backend();
  TMessageForm* box = nullptr;
  backend.OnShowModal = [&](TForm& form) {
    box = dynamic_cast<TMessageForm*>(&form);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->Caption(), "情報");
    ASSERT_EQ(box->Buttons().size(), 2u);
    EXPECT_EQ(box->Buttons()[0]->Caption(), "はい(&Y)");
    EXPECT_TRUE(box->Buttons()[0]->Focused());
    backend.SendKey(vk::Escape);  // Esc answers いいえ
  };
  EXPECT_EQ(MessageDlg("質問", mtInformation, {mbYes, mbNo}, 0, 1), mrNo);
  // A warning box without a cancel button stays open on Esc; Enter presses
  // the focused button.
  backend.OnShowModal = [&](TForm& form) {
    EXPECT_EQ(form.Caption(), "警告");
    backend.SendKey(vk::Escape);
    EXPECT_FALSE(form.Closed());
    backend.SendKey(vk::Return);
    EXPECT_TRUE(form.Closed());
  };
  EXPECT_EQ(MessageDlg("x", mtWarning, {mbAbort}), mrAbort);
  EXPECT_EQ(backend.ModalLog(), (std::vector<std::string>{"MessageForm", "MessageForm"}));
  // Centred on the screen.
  TMessageForm centred("text", mtWarning, {mbOK}, kNoButton, kNoButton);
  EXPECT_EQ(centred.Left(), (1280 - centred.Width()) / 2);
  EXPECT_EQ(centred.Top(), (1024 - centred.Height()) / 2);
}

TEST(Forms, NotebooksShowTheActivePageOnly) {
  OffscreenScope scope;
  SampleForm f;
  f.Show();
  auto& pages = f.Control<TPageControl>("Pages");
  EXPECT_TRUE(pages.Page(0).Visible());
  EXPECT_FALSE(pages.Page(1).Visible());
  int changes = 0;
  pages.OnChange = [&](TObject&) { ++changes; };
  offscreen::WindowOf(pages).SelectPage(1);
  EXPECT_EQ(pages.ActivePageIndex(), 1);
  EXPECT_FALSE(pages.Page(0).Visible());
  EXPECT_TRUE(pages.Page(1).Visible());
  EXPECT_EQ(changes, 1);
}

TEST(Forms, TimersFireEveryIntervalUntilStopped) {
  OffscreenScope scope;
  auto& backend = scope.Backend();
  TTimer timer;
  int ticks = 0;
  timer.OnTimer = [&](TObject&) {
    if (++ticks == 3) timer.SetInterval(0);
  };
  timer.SetInterval(100);
  backend.AdvanceTime(99);
  EXPECT_EQ(ticks, 0);
  for (int i = 0; i < 10; ++i) backend.AdvanceTime(100);
  EXPECT_EQ(ticks, 3);
  // An exception in a handler is shown, not lost.
  timer.OnTimer = [](TObject&) { throw Exception("timer failed"); };
  timer.SetInterval(10);
  backend.AdvanceTime(10);
  EXPECT_EQ(backend.Errors(), (std::vector<std::string>{"timer failed"}));
}

}  // namespace
}  // namespace varlo
