#include "dialogs/search_pause_form.h"

namespace varlo {
namespace {

// No border and no caption: one pixel high, at the main window's corner.
const TFormDescription kForm14 = {
    .Name = "Form14",
    .ClientWidth = 105,
    .ClientHeight = 1,
    .BorderStyle = bsNone,
};

}  // namespace

TSearchPause::TSearchPause() {
  Build(kForm14, THandlers());
  Timer1.OnTimer = [this](TObject& s) { Timer1Timer(s); };
  // Running from the start: the pause counts from the form's making.
  Timer1.SetInterval(300);
}

void TSearchPause::Timer1Timer(TObject&) {
  Timer1.SetInterval(0);
  Close();
}

}  // namespace varlo
