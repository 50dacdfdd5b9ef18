#include "dialogs/notice_form.h"

namespace varlo {
namespace {

// clang-format off
const TFormDescription kForm17 = {
    .Name = "Form17",
    .Caption = "Varlo (ﾒｯｾｰｼﾞ)",
    .ClientWidth = 392,
    .ClientHeight = 73,
    .BorderStyle = bsDialog,
    .FontName = "System",
    .OnKeyDown = "FormKeyDown",
    .OnClick = "FormClick",
    .Controls =
        {
            {.Kind = TControlKind::Label, .Name = "Label1", .Left = 20, .Top = 25, .Width = 350,
             .Height = 20, .OnClick = "FormClick"},
        },
};
// clang-format on

}  // namespace

TForm17::TForm17() {
  Build(kForm17,
        Bind(this).On("FormKeyDown", &TForm17::FormKeyDown).On("FormClick", &TForm17::FormClick));
  // A double click on the form or on the text closes it too.
  OnDblClick = OnClick;
  Label1().OnDblClick = OnClick;
}

void TForm17::FormKeyDown(TObject&, uint16_t&, TShiftState) { Close(); }

void TForm17::FormClick(TObject&) { Close(); }

}  // namespace varlo
