#include "dialogs/search_form.h"

namespace varlo {
namespace {

// clang-format off
const TFormDescription kForm4 = {
    .Name = "Form4",
    .Caption = "Varlo (検索)",
    .ClientWidth = 487,
    .ClientHeight = 123,
    .BorderStyle = bsDialog,
    .FontName = "System",
    .OnKeyDown = "FormKeyDown",
    .Controls =
        {
            {.Kind = TControlKind::Label, .Name = "Label1", .Left = 10, .Top = 15, .Width = 120,
             .Height = 20, .Caption = "検索文字列 (&S)", .FocusControl = "Edit1"},
            {.Kind = TControlKind::Edit, .Name = "Edit1", .Left = 10, .Top = 60, .Width = 470,
             .Height = 24, .OnKeyDown = "EditBoxKeyDown", .MaxLength = 255},
            {.Kind = TControlKind::Button, .Name = "BtnSearch", .Left = 140, .Top = 10, .Width = 100,
             .Height = 25, .Caption = "次検索(&N)", .OnClick = "BtnSearchClick",
             .OnKeyDown = "FormKeyDown"},
            {.Kind = TControlKind::Button, .Name = "BtnCansel", .Left = 380, .Top = 10, .Width = 100,
             .Height = 25, .Caption = "ｷｬﾝｾﾙ", .OnClick = "BtnCancelClick", .OnKeyDown = "FormKeyDown"},
            {.Kind = TControlKind::CheckBox, .Name = "CheckUperLower", .Left = 90, .Top = 90,
             .Width = 300, .Height = 20, .Caption = "大文字と小文字を区別する(&C)",
             .OnClick = "CheckUperLowerClick", .OnKeyDown = "FormKeyDown"},
            {.Kind = TControlKind::Button, .Name = "BtnPriorSearch", .Left = 260, .Top = 10,
             .Width = 100, .Height = 25, .Caption = "前検索(&P)", .OnClick = "BtnPriorSearchClick",
             .OnKeyDown = "FormKeyDown"},
        },
};
// clang-format on

}  // namespace

TSearchDialog::TSearchDialog(TMainState& state) : FState(state) {
  Build(kForm4, Bind(this)
                    .On("FormKeyDown", &TSearchDialog::FormKeyDown)
                    .On("EditBoxKeyDown", &TSearchDialog::EditBoxKeyDown)
                    .On("BtnSearchClick", &TSearchDialog::BtnSearchClick)
                    .On("BtnPriorSearchClick", &TSearchDialog::BtnPriorSearchClick)
                    .On("BtnCancelClick", &TSearchDialog::BtnCancelClick)
                    .On("CheckUperLowerClick", &TSearchDialog::CheckUperLowerClick));
  // The first in the tab order has the focus when the form shows.
  ActiveControl = &Edit1();
}

void TSearchDialog::FormKeyDown(TObject&, uint16_t& key, TShiftState) {
  if (key != vk::Escape) return;
  FState.FFindStr[0].clear();
  Close();
}

void TSearchDialog::EditBoxKeyDown(TObject& sender, uint16_t& key, TShiftState shift) {
  if (key == vk::Return) {
    // The direction stays what the last button set.
    FState.FFindStr[0] = Edit1().Text();
    Close();
    return;
  }
  FormKeyDown(sender, key, shift);
}

void TSearchDialog::BtnSearchClick(TObject&) {
  FState.FFindPrior = sdDown;
  FState.FFindStr[0] = Edit1().Text();
  Close();
}

void TSearchDialog::BtnPriorSearchClick(TObject&) {
  FState.FFindPrior = sdUp;
  FState.FFindStr[0] = Edit1().Text();
  Close();
}

void TSearchDialog::BtnCancelClick(TObject&) {
  FState.FFindStr[0].clear();
  Close();
}

// At once: a cancelled dialog keeps the new setting.
void TSearchDialog::CheckUperLowerClick(TObject&) {
  FState.FSearchUperLower = CheckUperLower().Checked();
}

}  // namespace varlo
