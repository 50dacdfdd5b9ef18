#include "dialogs/key_list_form.h"

#include <string>
#include <vector>

namespace varlo {
namespace {

// Rows 20 pixels apart from top 25: a function and its keys, and on four
// rows a second pair. The labels take the size of their texts.
struct Row {
  const char* function;
  const char* keys;
  const char* function2 = nullptr;
  const char* keys2 = nullptr;
};

const Row kRows[] = {
    {"☆上へ", "↑, Ctrl+E"},
    {"☆下へ", "↓, Ctrl+X"},
    {"☆１画面上へ", "←, Ctrl+S, PageUp,    Shift+↑, Shift+Space"},
    {"☆１画面下へ", "→, Ctrl+D, PageDown, Shift+↓, Space"},
    {"☆先頭行へ", "T, Home, Ctrl+Home, Ctrl+↑"},
    {"☆最終行へ", "B, End,    Ctrl+End,   Ctrl+↓"},
    {"☆検索", "F, Ctrl+F"},
    {"☆次検索(下検索)", "N, Ctrl+N", "☆前検索(上検索)", "P, Ctrl+P"},
    {"☆指定行へ", "J, Ctrl+J"},
    {"☆ランチャー１起動", "Shift+Enter", "☆ランチャー２起動", "Ctrl+Enter"},
    {"☆ファイルを開く", "O, Ctrl+O"},
    {"☆現在行表示", "I", "☆折返切替", "W, Ctrl+W"},
    {"☆最大化／元のサイズ", "Ctrl+["},
    {"☆終了", "Q, Esc, Enter"},
    {"☆F1", "キー操作一覧画面"},
    {"☆F4", "Corvo または ｴｸｽﾌﾟﾛｰﾗ にフォーカス移動"},
    {"☆範囲選択開始", "Ctrl+B"},
    {"☆範囲選択終了", "Ctrl+C, Ctrl+Insert"},
};

TFormDescription KeyListDescription() {
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
  for (const Row& r : kRows) {
    const auto add = [&](const char* text, int left) {
      // clang-format off
      form.Controls.push_back({.Kind = TControlKind::Label, .Name = "Label" + std::to_string(++labels),
                               .Left = left, .Top = top, .Caption = text, .AutoSize = true});
      // clang-format on
    };
    add(r.function, 20);
    add(r.keys, 220);
    if (r.function2) {
      add(r.function2, 330);
      add(r.keys2, 500);
    }
    top += 20;
  }
  return form;
}

}  // namespace

TForm10::TForm10() {
  Build(KeyListDescription(),
        Bind(this).On("FormKeyDown", &TForm10::FormKeyDown).On("BtnOkClick", &TForm10::BtnOkClick));
  ActiveControl = &BtnOk();
}

void TForm10::FormKeyDown(TObject&, uint16_t& key, TShiftState) {
  if (key == vk::Escape || key == vk::Return || key == vk::F1) Close();
}

void TForm10::BtnOkClick(TObject&) { Close(); }

}  // namespace varlo
