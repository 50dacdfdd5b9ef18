// The jump dialog (form Form5): asks for a line number to jump to. The text
// goes into the main window's FJumpLine[0] unchecked (empty when cancelled);
// the jump command decides what it means.
#pragma once

#include "dialogs/main_state.h"
#include "platform/forms.h"

namespace varlo {

class TJumpDialog : public TForm {
 public:
  explicit TJumpDialog(TMainState& state);
  TLabel& Label1() { return Control<TLabel>("Label1"); }
  TEdit& Edit1() { return Control<TEdit>("Edit1"); }
  TButton& BtnJump() { return Control<TButton>("BtnJump"); }
  TButton& BtnCansel() { return Control<TButton>("BtnCansel"); }

 private:
  void FormKeyDown(TObject& sender, uint16_t& key, TShiftState shift);
  void EditBoxKeyDown(TObject& sender, uint16_t& key, TShiftState shift);
  void BtnJumpClick(TObject& sender);
  void BtnCancelClick(TObject& sender);

  TMainState& FState;
};

}  // namespace varlo
