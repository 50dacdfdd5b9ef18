// The launcher editor (form Form12). It edits launcher record FLaunchEdit of
// the main window's state: a title, the program, an option template, a
// working directory and a shortcut text. OK stores the record once a title
// and a program are given; a browse button fills the fields from a chosen
// program.
#pragma once

#include "dialogs/main_state.h"
#include "platform/dialogs.h"
#include "platform/forms.h"

namespace varlo {

class TLauncherEditor : public TForm {
 public:
  // Shows record FLaunchEdit (1 or 2) of the state.
  explicit TLauncherEditor(TMainState& state);
  TEdit& Edit1() { return Control<TEdit>("Edit1"); }
  TEdit& Edit2() { return Control<TEdit>("Edit2"); }
  TEdit& Edit3() { return Control<TEdit>("Edit3"); }
  TEdit& Edit4() { return Control<TEdit>("Edit4"); }
  TEdit& Edit5() { return Control<TEdit>("Edit5"); }
  TButton& BtnOk() { return Control<TButton>("BtnOk"); }
  TButton& BtnCansel() { return Control<TButton>("BtnCansel"); }
  TButton& BtnRef() { return Control<TButton>("BtnRef"); }

  TOpenDialog OpenDialog1;

  // Stores the record and closes when the title and the program are given;
  // otherwise says which is missing and stays open.
  void EditBoxCheck();

 private:
  void FormKeyDown(TObject& sender, uint16_t& key, TShiftState shift);
  void BtnOkClick(TObject& sender);
  void BtnCanselClick(TObject& sender);
  void BtnRefClick(TObject& sender);

  TMainState& FState;
};

}  // namespace varlo
