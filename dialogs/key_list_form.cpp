#include "dialogs/key_list_form.h"

#include <string>
#include <vector>

namespace varlo {
namespace {

// Lines 20 pixels apart from top 25: a function and its keys, and on some
// lines a second pair. The labels take the size of their texts.
TFormDescription KeyListDescription(const std::vector<TKeyListLine>& lines) {
  TFormDescription form{
      .Name = "Form10",
      .Caption = "Varlo (ｷｰ操作一覧)",
      .ClientWidth = 612,
      .ClientHeight = 393,
      .BorderStyle = bsDialog,
      .FontName = "System",
      .OnKeyDown = "FormKeyDown",
  };
  // clang-format off
  form.Controls.push_back({.Kind = TControlKind::Label, .Name = "LabelTitle", .Left = 80, .Top = 8,
                           .Caption = "キー操作一覧画面", .AutoSize = true});
  form.Controls.push_back({.Kind = TControlKind::Button, .Name = "BtnOk", .Left = 400, .Top = 3,
                           .Width = 100, .Height = 25, .Caption = "OK(&O)", .OnClick = "BtnOkClick",
                           .OnKeyDown = "FormKeyDown"});
  // clang-format on
  int top = 25, labels = 0;
  for (const TKeyListLine& line : lines) {
    const auto add = [&](const std::string& text, int left) {
      // clang-format off
      form.Controls.push_back({.Kind = TControlKind::Label, .Name = "Label" + std::to_string(++labels),
                               .Left = left, .Top = top, .Caption = text, .AutoSize = true});
      // clang-format on
    };
    add(line.Function, 20);
    add(line.Keys, 220);
    if (!line.Function2.empty()) {
      add(line.Function2, 330);
      add(line.Keys2, 500);
    }
    top += 20;
  }
  return form;
}

}  // namespace

TKeyListDialog::TKeyListDialog(const std::vector<TKeyListLine>& lines) {
  Build(KeyListDescription(lines), Bind(this)
                                       .On("FormKeyDown", &TKeyListDialog::FormKeyDown)
                                       .On("BtnOkClick", &TKeyListDialog::BtnOkClick));
  ActiveControl = &BtnOk();
}

void TKeyListDialog::FormKeyDown(TObject&, uint16_t& key, TShiftState) {
  if (key == vk::Escape || key == vk::Return || key == vk::F1) Close();
}

void TKeyListDialog::BtnOkClick(TObject&) { Close(); }

}  // namespace varlo
