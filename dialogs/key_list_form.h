// The key list (form Form10): the main window's keys, a function and its
// keys on each line, given by the main window's table of commands.
#pragma once

#include <string>
#include <vector>

#include "platform/forms.h"

namespace varlo {

// One line of the list: a function and its keys, and where a second one
// shares the line, that one's (else empty).
struct TKeyListLine {
  std::string Function, Keys;
  std::string Function2{}, Keys2{};
};

class TKeyListDialog : public TForm {
 public:
  explicit TKeyListDialog(const std::vector<TKeyListLine>& lines);
  TButton& BtnOk() { return Control<TButton>("BtnOk"); }

 private:
  void FormKeyDown(TObject& sender, uint16_t& key, TShiftState shift);
  void BtnOkClick(TObject& sender);
};

}  // namespace varlo
