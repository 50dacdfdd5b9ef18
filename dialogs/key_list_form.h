// TForm10: the list of the main window's keys.
#pragma once

#include "platform/forms.h"

namespace varlo {

class TForm10 : public TForm {
 public:
  TForm10();
  TButton& BtnOk() { return Control<TButton>("BtnOk"); }

 private:
  void FormKeyDown(TObject& sender, uint16_t& key, TShiftState shift);
  void BtnOkClick(TObject& sender);
};

}  // namespace varlo
