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

TNoticeDialog::TNoticeDialog() {
  Build(kForm17, Bind(this)
                     .On("FormKeyDown", &TNoticeDialog::FormKeyDown)
                     .On("FormClick", &TNoticeDialog::FormClick));
  // A double click on the form or on the text closes it too.
  OnDblClick = OnClick;
  Label1().OnDblClick = OnClick;
}

void TNoticeDialog::FormKeyDown(TObject&, uint16_t&, TShiftState) { Close(); }

void TNoticeDialog::FormClick(TObject&) { Close(); }

}  // namespace varlo
