#include "dialogs/settings_form.h"

#include <optional>
#include <string>

#include "dialogs/display_settings.h"
#include "platform/convert.h"
#include "platform/dialogs.h"

namespace varlo {
namespace {

// The display page's rows of number settings, top to bottom.
struct TDisplayRow {
  const char* Check;
  const char* CheckCaption;
  const char* Edit;
  int MaxLength;  // bytes; 0: no limit
  const TDisplaySetting& Setting;
  const char* Message;  // when the text is no number in the range
};

// clang-format off
const TDisplayRow kDisplayRows[] = {
    {"CheckWrapChar",    "折り返し文字数(&C)",       "EditWrapChar",    3, kWrapColumn,
     "    折り返しの数値が範囲外です。          "},
    {"CheckTabChar",     "タブ幅(&T)",               "EditTabChar",     2, kTabWidth,
     "    タブ設定の数値が範囲外です。          "},
    {"CheckFindScroll",  "検索後のスクロール(&K)",   "EditFindScroll",  0, kLinesAboveHit,
     "    検索後のスクロール設定の数値が範囲外です。          "},
    {"CheckScrollSense", "１行のスクロール速度(&V)", "EditScrollSense", 0, kScrollStep,
     "    １行スクロール設定の数値が範囲外です。          "},
};
// clang-format on

constexpr const char* kBackToMain = "    メイン画面に戻りますか。   ";

// A page with its button bar across the top: Cancel on the left, Save on
// the right.
void AddPage(TFormDescription& form, int n, const char* caption, const char* cancel,
             const char* save) {
  const std::string page = "TabSheet" + std::to_string(n), bar = "Panel" + std::to_string(n);
  // clang-format off
  form.Controls.push_back({.Kind = TControlKind::TabSheet, .Name = page, .Caption = caption, .Parent = "TabNote"});
  form.Controls.push_back({.Kind = TControlKind::Panel, .Name = bar, .Left = 0, .Top = 0, .Width = 497, .Height = 41, .Parent = page});
  form.Controls.push_back({.Kind = TControlKind::Button, .Name = cancel, .Left = 280, .Top = 8, .Width = 100, .Height = 25,
                           .Caption = "ｷｬﾝｾﾙ", .Parent = bar, .OnClick = std::string(cancel) + "Click", .OnKeyDown = "FormKeyDown"});
  form.Controls.push_back({.Kind = TControlKind::Button, .Name = save, .Left = 390, .Top = 8, .Width = 100, .Height = 25,
                           .Caption = "保存(&S)", .Parent = bar, .OnClick = std::string(save) + "Click", .OnKeyDown = "FormKeyDown"});
  // clang-format on
}

TFormDescription SettingsDescription() {
  TFormDescription form{
      .Name = "Form2",
      .Caption = "Varlo (各種設定)",
      .ClientWidth = 517,
      .ClientHeight = 333,
      .BorderStyle = bsDialog,
      .FontName = "ＭＳ Ｐゴシック",
      .FontSize = 9,
      .OnKeyDown = "FormKeyDown",
      .OnClose = "FormClose",
  };
  // clang-format off
  // The notebook takes Esc too: it has the focus after a click on a tab.
  form.Controls.push_back({.Kind = TControlKind::PageControl, .Name = "TabNote", .Left = 5, .Top = 10, .Width = 505, .Height = 317,
                           .OnKeyDown = "FormKeyDown"});

  AddPage(form, 1, "　画面表示位置　", "BtnFormCansel", "BtnFormSave");
  form.Controls.push_back({.Kind = TControlKind::CheckBox, .Name = "CheckFormMain", .Left = 24, .Top = 64, .Width = 200, .Height = 20,
                           .Caption = "メイン(&M)", .Parent = "TabSheet1", .OnKeyDown = "FormKeyDown"});

  AddPage(form, 2, "　　履歴設定　　", "BtnFileCansel", "BtnFileSave");

  // Tab order: the bar's buttons, then each row's check box and edit box.
  AddPage(form, 3, "　表示情報設定　", "BtnDispCansel", "BtnDispSave");
  int top = 60, n = 0;
  for (const TDisplayRow& r : kDisplayRows) {
    const std::string number = std::to_string(++n);
    const TRange& limits = r.Setting.Range;
    const std::string range = "(" + std::to_string(limits.Min) + "-" + std::to_string(limits.Max) + ")";
    form.Controls.push_back({.Kind = TControlKind::CheckBox, .Name = r.Check, .Left = 24, .Top = top, .Width = 200, .Height = 20,
                             .Caption = r.CheckCaption, .Parent = "TabSheet3", .OnKeyDown = "FormKeyDown"});
    form.Controls.push_back({.Kind = TControlKind::Label, .Name = "Label" + number, .Left = 236, .Top = top + 3, .Width = 64, .Height = 17,
                             .Caption = "設定値(&" + number + ")", .Parent = "TabSheet3", .FocusControl = r.Edit});
    form.Controls.push_back({.Kind = TControlKind::Edit, .Name = r.Edit, .Left = 304, .Top = top, .Width = 50, .Height = 22,
                             .Parent = "TabSheet3", .OnKeyDown = "FormKeyDown", .MaxLength = r.MaxLength});
    form.Controls.push_back({.Kind = TControlKind::Label, .Name = "Label" + std::to_string(n + 4), .Left = 364, .Top = top + 3, .Width = 80,
                             .Height = 17, .Caption = range, .Parent = "TabSheet3"});
    top += 36;
  }
  form.Controls.push_back({.Kind = TControlKind::CheckBox, .Name = "CheckCloseDialog", .Left = 24, .Top = top + 8, .Width = 200, .Height = 20,
                           .Caption = "終了時の確認表示(&E)", .Parent = "TabSheet3", .OnKeyDown = "FormKeyDown"});
  // clang-format on
  return form;
}

}  // namespace

TSettingsDialog::TSettingsDialog(TMainState& state, TBigView& view, TForm& main)
    : FState(state), FView(view), FMain(main) {
  Build(SettingsDescription(), Bind(this)
                                   .On("FormKeyDown", &TSettingsDialog::FormKeyDown)
                                   .On("FormClose", &TSettingsDialog::FormClose)
                                   .On("BtnFormCanselClick", &TSettingsDialog::BtnFormCanselClick)
                                   .On("BtnFormSaveClick", &TSettingsDialog::BtnFormSaveClick)
                                   .On("BtnFileCanselClick", &TSettingsDialog::BtnFileCanselClick)
                                   .On("BtnFileSaveClick", &TSettingsDialog::BtnFileSaveClick)
                                   .On("BtnDispCanselClick", &TSettingsDialog::BtnDispCanselClick)
                                   .On("BtnDispSaveClick", &TSettingsDialog::BtnDispSaveClick));
  // The tabs in the notebook's own face at the form's size; the pages'
  // controls keep the form's font.
  TFont tabs = Font();
  tabs.Name = "System";
  tabs.Color = clBlack;
  TabNote().SetFont(tabs);
  CheckFormMain().SetChecked(FState.FFormMem);
  for (const TDisplayRow& r : kDisplayRows) {
    Control<TCheckBox>(r.Check).SetChecked(FState.*r.Setting.Switch);
    Control<TEdit>(r.Edit).SetText(FState.*r.Setting.Number);
  }
  CheckCloseDialog().SetChecked(FState.FCheckCloseDialog);
  TabNote().SetActivePageIndex(FState.FOptionPage);
}

void TSettingsDialog::FormKeyDown(TObject&, uint16_t& key, TShiftState) {
  if (key != vk::Escape) return;
  if (MessageDlg(kBackToMain, mtInformation, {mbYes, mbNo}, 0, 1) == mrYes) Close();
}

void TSettingsDialog::FormClose(TObject&, TCloseAction&) {
  FState.FOptionPage = TabNote().ActivePageIndex();
}

void TSettingsDialog::BtnFormCanselClick(TObject&) { Close(); }

void TSettingsDialog::BtnFormSaveClick(TObject&) {
  FState.FFormMem = CheckFormMain().Checked();
  Close();
}

void TSettingsDialog::BtnFileCanselClick(TObject&) { Close(); }

void TSettingsDialog::BtnFileSaveClick(TObject&) {
  FState.FEditSearchResum = "1";
  FState.FEditJumpResum = "1";
  Close();
}

void TSettingsDialog::BtnDispCanselClick(TObject&) { Close(); }

void TSettingsDialog::BtnDispSaveClick(TObject&) {
  // The switches are taken whatever the numbers say.
  for (const TDisplayRow& r : kDisplayRows)
    FState.*r.Setting.Switch = Control<TCheckBox>(r.Check).Checked();
  FState.FCheckCloseDialog = CheckCloseDialog().Checked();
  // Each row on its own: a number is range-checked even where its switch
  // is off; a good one is kept as typed and applied, a bad one says so and
  // leaves its setting as it was.
  bool error = false;
  for (const TDisplayRow& r : kDisplayRows) {
    const std::string& text = Control<TEdit>(r.Edit).Text();
    const std::optional<int32_t> value = ParseInteger(text);
    if (!value || !r.Setting.Range.Holds(*value)) {
      error = true;
      MessageDlg(r.Message, mtInformation, {mbOK}, 0, 0);
      continue;
    }
    FState.*r.Setting.Number = text;
    ApplyDisplaySetting(r.Setting, FState, FView, [&] { return *value; });
  }
  // The view-line count may have changed, error or not.
  FMain.SetCaption(FState.MainCaption(FView));
  if (!error) Close();
}

}  // namespace varlo
