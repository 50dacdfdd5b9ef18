// TForm14: a pause before a repeat search moves the view. Shown modally, it
// closes itself on its timer's first tick, 300 milliseconds after it was
// made; the program takes no input meanwhile.
#pragma once

#include "platform/forms.h"
#include "platform/timer.h"

namespace varlo {

class TForm14 : public TForm {
 public:
  TForm14();
  TTimer Timer1;

 private:
  void Timer1Timer(TObject& sender);
};

}  // namespace varlo
