// The standard dialogs: message boxes with the program's own button
// captions, and the open, font and colour dialogs of the platform.
#pragma once

#include <initializer_list>
#include <string>
#include <vector>

#include "platform/font.h"
#include "platform/forms.h"

namespace varlo {

enum TMsgDlgType : uint8_t { mtWarning, mtError, mtInformation, mtConfirmation };
enum TMsgDlgBtn : uint8_t { mbYes, mbNo, mbOK, mbCancel, mbAbort };
// "No button" for the default or the cancel button of a box.
inline constexpr int kNoButton = -1;

// A message box, a form like any other: modal, centred on the screen,
// caption and icon from its kind, the text, and the buttons in order.
class TMessageForm : public TForm {
 public:
  // The captions are "はい(&Y)", "いいえ(&N)", "OK", "ｷｬﾝｾﾙ" and "中止(&A)".
  TMessageForm(const std::string& text, TMsgDlgType type, std::vector<TMsgDlgBtn> buttons,
               int defaultButton, int cancelButton);

  const std::string& Text() const { return FText; }
  TMsgDlgType Type() const { return FType; }
  const std::vector<TButton*>& Buttons() const { return FButtons; }
  // Presses the button with that caption (for scripted tests).
  void Press(const std::string& caption);

 protected:
  void Paint(TCanvas& canvas) override;
  bool FormKey(uint16_t key, TShiftState shift) override;

 private:
  std::string FText;
  TMsgDlgType FType;
  std::vector<std::string> FLines;
  std::vector<TButton*> FButtons;
  int FTextLeft = 0, FTextTop = 0, FLineHeight = 0;
};

std::string CaptionOf(TMsgDlgBtn button);
TModalResult ResultOf(TMsgDlgBtn button);

// Shows a message box and returns the result of the button chosen
// (mrCancel when it was closed otherwise).
TModalResult MessageDlg(const std::string& text, TMsgDlgType type,
                        std::initializer_list<TMsgDlgBtn> buttons, int defaultButton = kNoButton,
                        int cancelButton = kNoButton);

struct TOpenDialog {
  std::string Filter;    // UTF-8, "description|pattern" pairs
  std::string FileName;  // UTF-8; kept from one run to the next
  bool Execute();
};

struct TFontDialog {
  TFont Font;
  bool Execute();
};

struct TColorDialog {
  TColor Color = clBlack;
  bool Execute();
};

}  // namespace varlo
