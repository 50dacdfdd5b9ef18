// The pause before a repeated search moves the view (form Form14). Shown
// modally, it closes itself on its timer's first tick, 300 milliseconds
// after it was made; the program takes no input meanwhile.
#pragma once

#include "platform/forms.h"
#include "platform/timer.h"

namespace varlo {

class TSearchPause : public TForm {
 public:
  TSearchPause();
  TTimer Timer1;

 private:
  void Timer1Timer(TObject& sender);
};

}  // namespace varlo
