// The wrap switch (form Form19): offers wrapping at the window width or at
// the set column. Its answer goes into FWrapChoice.
#pragma once

#include "dialogs/main_state.h"
#include "platform/forms.h"

namespace varlo {

class TWrapSwitchDialog : public TForm {
 public:
  explicit TWrapSwitchDialog(TMainState& state);
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
