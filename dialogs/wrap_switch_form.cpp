#include "dialogs/wrap_switch_form.h"

namespace varlo {
namespace {

// clang-format off
const TFormDescription kForm19 = {
    .Name = "Form19",
    .Caption = "Varlo (折返切替)",
    .ClientWidth = 462,
    .ClientHeight = 53,
    .BorderStyle = bsDialog,
    .FontName = "System",
    .OnKeyDown = "FormKeyDown",
    .Controls =
        {
            {.Kind = TControlKind::Button, .Name = "BtnWrapOn", .Left = 10, .Top = 10, .Width = 140,
             .Height = 31, .Caption = "画面幅で折返(&Y)", .OnClick = "BtnWrapOnClick",
             .OnKeyDown = "FormKeyDown"},
            {.Kind = TControlKind::Button, .Name = "BtnWrapOff", .Left = 160, .Top = 10, .Width = 140,
             .Height = 31, .Caption = "設定値で折返(&N)", .OnClick = "BtnWrapOffClick",
             .OnKeyDown = "FormKeyDown"},
            {.Kind = TControlKind::Button, .Name = "BtnCansel", .Left = 310, .Top = 10, .Width = 140,
             .Height = 31, .Caption = "ｷｬﾝｾﾙ", .OnClick = "BtnCanselClick", .OnKeyDown = "FormKeyDown"},
        },
};
// clang-format on

}  // namespace

TWrapSwitchDialog::TWrapSwitchDialog(TMainState& state) : FState(state) {
  Build(kForm19, Bind(this)
                     .On("FormKeyDown", &TWrapSwitchDialog::FormKeyDown)
                     .On("BtnWrapOnClick", &TWrapSwitchDialog::BtnWrapOnClick)
                     .On("BtnWrapOffClick", &TWrapSwitchDialog::BtnWrapOffClick)
                     .On("BtnCanselClick", &TWrapSwitchDialog::BtnCanselClick));
}

void TWrapSwitchDialog::FormKeyDown(TObject&, uint16_t& key, TShiftState) {
  if (key == vk::Escape) Close();
}

void TWrapSwitchDialog::BtnWrapOnClick(TObject&) {
  FState.FWrapChoice = wcWindowWidth;
  Close();
}

void TWrapSwitchDialog::BtnWrapOffClick(TObject&) {
  FState.FWrapChoice = wcSetColumn;
  Close();
}

void TWrapSwitchDialog::BtnCanselClick(TObject&) { Close(); }

}  // namespace varlo
