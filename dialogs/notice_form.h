// The notice (form Form17): one line of text, closed by any key or any
// click.
#pragma once

#include "platform/forms.h"

namespace varlo {

class TNoticeDialog : public TForm {
 public:
  TNoticeDialog();
  TLabel& Label1() { return Control<TLabel>("Label1"); }

 private:
  void FormKeyDown(TObject& sender, uint16_t& key, TShiftState shift);
  void FormClick(TObject& sender);
};

}  // namespace varlo
