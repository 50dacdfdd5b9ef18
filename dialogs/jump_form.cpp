#include "dialogs/jump_form.h"

namespace varlo {
namespace {

// clang-format off
const TFormDescription kForm5 = {
    .Name = "Form5",
    .Caption = "Varlo (ｼﾞｬﾝﾌﾟ)",
    .ClientWidth = 342,
    .ClientHeight = 83,
    .BorderStyle = bsDialog,
    .FontName = "System",
    .OnKeyDown = "FormKeyDown",
    .Controls =
        {
            {.Kind = TControlKind::Label, .Name = "Label1", .Left = 10, .Top = 15, .Width = 90,
             .Height = 20, .Caption = "行番号(&J)", .FocusControl = "Edit1"},
            {.Kind = TControlKind::Edit, .Name = "Edit1", .Left = 10, .Top = 45, .Width = 320,
             .Height = 24, .OnKeyDown = "EditBoxKeyDown", .MaxLength = 6},
            {.Kind = TControlKind::Button, .Name = "BtnJump", .Left = 110, .Top = 10, .Width = 100,
             .Height = 25, .Caption = "実行(&O)", .OnClick = "BtnJumpClick", .OnKeyDown = "FormKeyDown"},
            {.Kind = TControlKind::Button, .Name = "BtnCansel", .Left = 230, .Top = 10, .Width = 100,
             .Height = 25, .Caption = "ｷｬﾝｾﾙ", .OnClick = "BtnCancelClick", .OnKeyDown = "FormKeyDown"},
        },
};
// clang-format on

}  // namespace

TJumpDialog::TJumpDialog(TMainState& state) : FState(state) {
  Build(kForm5, Bind(this)
                    .On("FormKeyDown", &TJumpDialog::FormKeyDown)
                    .On("EditBoxKeyDown", &TJumpDialog::EditBoxKeyDown)
                    .On("BtnJumpClick", &TJumpDialog::BtnJumpClick)
                    .On("BtnCancelClick", &TJumpDialog::BtnCancelClick));
  // The first in the tab order has the focus when the form shows.
  ActiveControl = &Edit1();
}

void TJumpDialog::FormKeyDown(TObject&, uint16_t& key, TShiftState) {
  if (key != vk::Escape) return;
  FState.FJumpLine[0].clear();
  Close();
}

void TJumpDialog::EditBoxKeyDown(TObject& sender, uint16_t& key, TShiftState shift) {
  if (key == vk::Return) {
    FState.FJumpLine[0] = Edit1().Text();
    Close();
    return;
  }
  FormKeyDown(sender, key, shift);
}

void TJumpDialog::BtnJumpClick(TObject&) {
  FState.FJumpLine[0] = Edit1().Text();
  Close();
}

void TJumpDialog::BtnCancelClick(TObject&) {
  FState.FJumpLine[0].clear();
  Close();
}

}  // namespace varlo
