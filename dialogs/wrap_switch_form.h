// TForm19: the wrap switch offers wrapping at the window width or at the
// set column. Its answer goes into FWrapChoice: -1 none, 0 the set column,
// 1 the window width.
#pragma once

#include "dialogs/main_state.h"
#include "platform/forms.h"

namespace varlo {

class TForm19 : public TForm {
 public:
  explicit TForm19(TMainState& state);
  TButton& BtnWrapOn() { return Control<TButton>("BtnWrapOn"); }
  TButton& BtnWrapOff() { return Control<TButton>("BtnWrapOff"); }
  TButton& BtnCansel() { return Control<TButton>("BtnCansel"); }

 private:
  void FormKeyDown(TObject& sender, uint16_t& key, TShiftState shift);
  void BtnWrapOnClick(TObject& sender);
  void BtnWrapOffClick(TObject& sender);
  void BtnCanselClick(TObject& sender);

  TMainState& FState;
};

}  // namespace varlo
