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

TForm19::TForm19(int& wrapChoice) : FWrapChoice(wrapChoice) {
  Build(kForm19, THandlers()
                     .Key("FormKeyDown", [this](TObject& s, uint16_t& k,
                                                TShiftState sh) { FormKeyDown(s, k, sh); })
                     .Notify("BtnWrapOnClick", [this](TObject& s) { BtnWrapOnClick(s); })
                     .Notify("BtnWrapOffClick", [this](TObject& s) { BtnWrapOffClick(s); })
                     .Notify("BtnCanselClick", [this](TObject& s) { BtnCanselClick(s); }));
}

void TForm19::FormKeyDown(TObject&, uint16_t& key, TShiftState) {
  if (key == vk::Escape) Close();
}

void TForm19::BtnWrapOnClick(TObject&) {
  FWrapChoice = 1;
  Close();
}

void TForm19::BtnWrapOffClick(TObject&) {
  FWrapChoice = 0;
  Close();
}

void TForm19::BtnCanselClick(TObject&) { Close(); }

}  // namespace varlo
