// TForm17: one line of text, closed by any key or any click.
#pragma once

#include "platform/forms.h"

namespace varlo {

class TForm17 : public TForm {
 public:
  TForm17();
  TLabel& Label1() { return Control<TLabel>("Label1"); }

 private:
  void FormKeyDown(TObject& sender, uint16_t& key, TShiftState shift);
  void FormClick(TObject& sender);
};

}  // namespace varlo
