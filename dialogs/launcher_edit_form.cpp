#include "dialogs/launcher_edit_form.h"

#include "platform/text.h"

namespace varlo {
namespace {

// A shortcut of one blank stands for none.
constexpr const char* kNoShortCut = " ";

// clang-format off
const TFormDescription kForm12 = {
    .Name = "Form12",
    .Caption = "Varlo (ﾗﾝﾁｬｰ編集)",
    .ClientWidth = 562,
    .ClientHeight = 153,
    .BorderStyle = bsDialog,
    .FontName = "System",
    .OnKeyDown = "FormKeyDown",
    .Controls =
        {
            // In tab order.
            {.Kind = TControlKind::Edit, .Name = "Edit1", .Left = 120, .Top = 5, .Width = 430, .Height = 24, .OnKeyDown = "FormKeyDown"},
            {.Kind = TControlKind::Edit, .Name = "Edit2", .Left = 120, .Top = 35, .Width = 320, .Height = 24, .OnKeyDown = "FormKeyDown"},
            {.Kind = TControlKind::Edit, .Name = "Edit3", .Left = 120, .Top = 65, .Width = 430, .Height = 24, .OnKeyDown = "FormKeyDown"},
            {.Kind = TControlKind::Edit, .Name = "Edit4", .Left = 120, .Top = 95, .Width = 430, .Height = 24, .OnKeyDown = "FormKeyDown"},
            {.Kind = TControlKind::Edit, .Name = "Edit5", .Left = 120, .Top = 125, .Width = 30, .Height = 24, .OnKeyDown = "FormKeyDown"},
            {.Kind = TControlKind::Button, .Name = "BtnOk", .Left = 330, .Top = 125, .Width = 100, .Height = 25, .Caption = "OK(&O)", .OnClick = "BtnOkClick", .OnKeyDown = "FormKeyDown"},
            {.Kind = TControlKind::Button, .Name = "BtnCansel", .Left = 450, .Top = 125, .Width = 100, .Height = 25, .Caption = "ｷｬﾝｾﾙ", .OnClick = "BtnCanselClick", .OnKeyDown = "FormKeyDown"},
            {.Kind = TControlKind::Button, .Name = "BtnRef", .Left = 450, .Top = 35, .Width = 100, .Height = 25, .Caption = "参照(&B)...", .OnClick = "BtnRefClick", .OnKeyDown = "FormKeyDown"},
            {.Kind = TControlKind::Label, .Name = "Label1", .Left = 10, .Top = 10, .Width = 110, .Height = 20, .Caption = "ﾌﾟﾛｸﾞﾗﾑﾀｲﾄﾙ"},
            {.Kind = TControlKind::Label, .Name = "Label2", .Left = 10, .Top = 40, .Width = 110, .Height = 20, .Caption = "実行ﾌｧｲﾙ名"},
            {.Kind = TControlKind::Label, .Name = "Label3", .Left = 10, .Top = 70, .Width = 110, .Height = 20, .Caption = "ｵﾌﾟｼｮﾝ"},
            {.Kind = TControlKind::Label, .Name = "Label4", .Left = 10, .Top = 100, .Width = 110, .Height = 20, .Caption = "実行ﾃﾞｨﾚｸﾄﾘ"},
            {.Kind = TControlKind::Label, .Name = "Label5", .Left = 10, .Top = 130, .Width = 110, .Height = 20, .Caption = "起動ｼｮｰﾄｶｯﾄ"},
        },
};
// clang-format on

}  // namespace

TLauncherEditor::TLauncherEditor(TMainState& state) : FState(state) {
  Build(kForm12, Bind(this)
                     .On("FormKeyDown", &TLauncherEditor::FormKeyDown)
                     .On("BtnOkClick", &TLauncherEditor::BtnOkClick)
                     .On("BtnCanselClick", &TLauncherEditor::BtnCanselClick)
                     .On("BtnRefClick", &TLauncherEditor::BtnRefClick));
  OpenDialog1.Filter =
      "実行ﾌｧｲﾙ(EXE ; COM)|*.EXE;*.COM|実行ﾌｧｲﾙ(PIF ; BAT ; LNK)|*.PIF;*.BAT;*.LNK|全ﾌｧｲﾙ(*.*)|*.*";
  const size_t n = static_cast<size_t>(FState.FLaunchEdit);
  Edit1().SetText(FState.FProgTitle.at(n));
  Edit2().SetText(FState.FProgName.at(n));
  Edit3().SetText(FState.FProgOption.at(n));
  Edit4().SetText(FState.FProgDir.at(n));
  Edit5().SetText(FState.FProgShortCut.at(n) == kNoShortCut ? "" : FState.FProgShortCut.at(n));
}

void TLauncherEditor::FormKeyDown(TObject&, uint16_t& key, TShiftState) {
  if (key == vk::Escape) Close();
}

void TLauncherEditor::BtnOkClick(TObject&) { EditBoxCheck(); }

void TLauncherEditor::BtnCanselClick(TObject&) { Close(); }

void TLauncherEditor::EditBoxCheck() {
  const size_t n = static_cast<size_t>(FState.FLaunchEdit);
  if (Edit1().Text().empty()) {
    MessageDlg("    タイトル名は必ず指定してください。          ", mtWarning, {mbOK});
    return;
  }
  // The title is kept even when the program is missing.
  FState.FProgTitle.at(n) = Edit1().Text();
  if (Edit2().Text().empty()) {
    MessageDlg("    実行ファイル名は必ず指定してください。          ", mtWarning, {mbOK});
    return;
  }
  FState.FProgName.at(n) = Edit2().Text();
  FState.FProgOption.at(n) = Edit3().Text();
  FState.FProgDir.at(n) = Edit4().Text();
  FState.FProgShortCut.at(n) = Edit5().Text().empty() ? kNoShortCut : Edit5().Text();
  Close();
}

void TLauncherEditor::BtnRefClick(TObject&) {
  if (!OpenDialog1.Execute()) return;
  // Cut at the last "\" of the UTF-8 name, where no character can hold
  // that byte; in Shift-JIS a trail byte can.
  const std::string& chosen = OpenDialog1.FileName;
  const size_t slash = chosen.rfind('\\');
  const std::string folder = slash == std::string::npos ? "" : chosen.substr(0, slash);
  const std::string name = slash == std::string::npos ? chosen : chosen.substr(slash + 1);
  if (Edit1().Text().empty()) Edit1().SetText(ShiftJisFromUtf8(name));
  Edit2().SetText(ShiftJisFromUtf8(chosen));
  Edit3().SetText("");
  Edit4().SetText(ShiftJisFromUtf8(folder));
}

}  // namespace varlo
