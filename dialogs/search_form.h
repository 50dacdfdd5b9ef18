// The search dialog (form Form4): asks for the search text, the direction
// and whether case counts. The answer goes into the main window's state:
// FFindStr[0] (empty when cancelled), FFindPrior and FSearchUperLower.
#pragma once

#include "dialogs/main_state.h"
#include "platform/forms.h"

namespace varlo {

class TSearchDialog : public TForm {
 public:
  explicit TSearchDialog(TMainState& state);
  TLabel& Label1() { return Control<TLabel>("Label1"); }
  TEdit& Edit1() { return Control<TEdit>("Edit1"); }
  TButton& BtnSearch() { return Control<TButton>("BtnSearch"); }
  TButton& BtnCansel() { return Control<TButton>("BtnCansel"); }
  TCheckBox& CheckUperLower() { return Control<TCheckBox>("CheckUperLower"); }
  TButton& BtnPriorSearch() { return Control<TButton>("BtnPriorSearch"); }

 private:
  void FormKeyDown(TObject& sender, uint16_t& key, TShiftState shift);
  void EditBoxKeyDown(TObject& sender, uint16_t& key, TShiftState shift);
  void BtnSearchClick(TObject& sender);
  void BtnPriorSearchClick(TObject& sender);
  void BtnCancelClick(TObject& sender);
  void CheckUperLowerClick(TObject& sender);

  TMainState& FState;
};

}  // namespace varlo
