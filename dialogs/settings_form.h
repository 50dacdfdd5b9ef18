// The settings dialog (form Form2). Three pages, each with its own Cancel
// and Save: whether the main window's bounds are restored, the two history
// counts, and the display options. Save commits only its own page's
// controls; display numbers that pass their range test reach the viewer at
// once. The page shown last is kept in FOptionPage for the next opening.
#pragma once

#include "bigview/BigView.h"
#include "dialogs/main_state.h"
#include "platform/forms.h"

namespace varlo {

class TSettingsDialog : public TForm {
 public:
  // Loads the controls from the state; `main` is the window whose caption
  // the display page's Save rebuilds.
  TSettingsDialog(TMainState& state, TBigView& view, TForm& main);

  TPageControl& TabNote() { return Control<TPageControl>("TabNote"); }
  TCheckBox& CheckFormMain() { return Control<TCheckBox>("CheckFormMain"); }
  TCheckBox& CheckWrapChar() { return Control<TCheckBox>("CheckWrapChar"); }
  TCheckBox& CheckTabChar() { return Control<TCheckBox>("CheckTabChar"); }
  TCheckBox& CheckFindScroll() { return Control<TCheckBox>("CheckFindScroll"); }
  TCheckBox& CheckScrollSense() { return Control<TCheckBox>("CheckScrollSense"); }
  TCheckBox& CheckCloseDialog() { return Control<TCheckBox>("CheckCloseDialog"); }
  TEdit& EditWrapChar() { return Control<TEdit>("EditWrapChar"); }
  TEdit& EditTabChar() { return Control<TEdit>("EditTabChar"); }
  TEdit& EditFindScroll() { return Control<TEdit>("EditFindScroll"); }
  TEdit& EditScrollSense() { return Control<TEdit>("EditScrollSense"); }
  TButton& BtnFormCansel() { return Control<TButton>("BtnFormCansel"); }
  TButton& BtnFormSave() { return Control<TButton>("BtnFormSave"); }
  TButton& BtnFileCansel() { return Control<TButton>("BtnFileCansel"); }
  TButton& BtnFileSave() { return Control<TButton>("BtnFileSave"); }
  TButton& BtnDispCansel() { return Control<TButton>("BtnDispCansel"); }
  TButton& BtnDispSave() { return Control<TButton>("BtnDispSave"); }

 private:
  void FormKeyDown(TObject& sender, uint16_t& key, TShiftState shift);
  void FormClose(TObject& sender, TCloseAction& action);
  void BtnFormCanselClick(TObject& sender);
  void BtnFormSaveClick(TObject& sender);
  void BtnFileCanselClick(TObject& sender);
  void BtnFileSaveClick(TObject& sender);
  void BtnDispCanselClick(TObject& sender);
  void BtnDispSaveClick(TObject& sender);

  TMainState& FState;
  TBigView& FView;
  TForm& FMain;
};

}  // namespace varlo
