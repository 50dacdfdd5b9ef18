#include "platform/dialogs.h"

#include <algorithm>
#include <stdexcept>

#include "platform/backend.h"
#include "platform/bitmap.h"

namespace varlo {

std::string CaptionOf(TMsgDlgBtn button) {
  switch (button) {
    case mbYes: return "はい(&Y)";
    case mbNo: return "いいえ(&N)";
    case mbOK: return "OK";
    case mbCancel: return "ｷｬﾝｾﾙ";
    case mbAbort: return "中止(&A)";
  }
  return "";
}

TModalResult ResultOf(TMsgDlgBtn button) {
  switch (button) {
    case mbYes: return mrYes;
    case mbNo: return mrNo;
    case mbOK: return mrOk;
    case mbCancel: return mrCancel;
    case mbAbort: return mrAbort;
  }
  return mrNone;
}

namespace {

const char* CaptionOfType(TMsgDlgType type) {
  switch (type) {
    case mtWarning: return "警告";
    case mtError: return "エラー";
    case mtInformation: return "情報";
    case mtConfirmation: return "確認";
  }
  return "";
}

// Lines as the platform breaks them: CR LF is one break, a lone CR or LF
// another.
std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines(1);
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' || text[i] == '\n') {
      if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      lines.emplace_back();
    } else {
      lines.back() += text[i];
    }
  }
  return lines;
}

// At 96 pixels per inch; the box is laid out in the screen's pixels.
constexpr int kMargin = 12, kIcon = 32, kButtonWidth = 75, kButtonHeight = 25, kGap = 8;

}  // namespace

TMessageForm::TMessageForm(const std::string& text, TMsgDlgType type,
                           std::vector<TMsgDlgBtn> buttons, int defaultButton, int cancelButton)
    : FText(text), FType(type), FLines(SplitLines(text)) {
  Name = "MessageForm";
  SetCaption(CaptionOfType(type));
  SetBorderStyle(bsDialog);
  ScaleForPPI(CurrentBackend().ScreenPixelsPerInch());
  TFont font = Font();
  font.Name = "ＭＳ Ｐゴシック";
  font.SetSize(9);
  SetFont(font);
  const int margin = Scaled(kMargin), icon = Scaled(kIcon), gap = Scaled(kGap);
  const int buttonWidth = Scaled(kButtonWidth), buttonHeight = Scaled(kButtonHeight);

  // Measure the text in the form's font to size the box.
  TBitmap measure;
  measure.Canvas().SetFont(Font());
  int textWidth = 0;
  for (const std::string& line : FLines)
    textWidth = std::max(textWidth, measure.Canvas().TextWidthUtf8(line));
  FLineHeight = std::max(measure.Canvas().TextMetrics().Height, 1);
  const int textHeight = FLineHeight * static_cast<int>(FLines.size());
  FTextLeft = margin + icon + margin;
  FTextTop = margin + std::max(0, (icon - textHeight) / 2);
  const int buttonsWidth = static_cast<int>(buttons.size()) * (buttonWidth + gap) - gap;
  const int width = std::max(FTextLeft + textWidth + margin, buttonsWidth + 2 * margin);
  const int top = margin + std::max(icon, textHeight) + margin;
  const int height = top + buttonHeight + margin;
  SetClientSize(width, height);

  int y = FTextTop;
  for (const std::string& line : FLines) {
    auto& label = Owned<TLabel>();
    label.SetCaption(line);
    label.SetBounds(FTextLeft, y, textWidth + Scaled(4), FLineHeight);
    y += FLineHeight;
  }
  int x = (width - buttonsWidth) / 2;
  for (size_t i = 0; i < buttons.size(); ++i) {
    auto& b = Owned<TButton>();
    b.Name = "Button" + std::to_string(i + 1);
    b.SetCaption(CaptionOf(buttons[i]));
    b.SetBounds(x, top, buttonWidth, buttonHeight);
    b.ModalResult = ResultOf(buttons[i]);
    b.SetDefault(static_cast<int>(i) == defaultButton);
    b.Cancel = static_cast<int>(i) == cancelButton;
    FButtons.push_back(&b);
    x += buttonWidth + gap;
  }
  if (!FButtons.empty())
    ActiveControl = defaultButton >= 0 && defaultButton < static_cast<int>(FButtons.size())
                        ? FButtons[static_cast<size_t>(defaultButton)]
                        : FButtons.front();
  const TPoint at = CenteredOnScreen(Width(), Height());
  SetBounds(static_cast<int>(at.X), static_cast<int>(at.Y), Width(), Height());
}

void TMessageForm::Press(const std::string& caption) {
  for (TButton* b : FButtons)
    if (b->Caption() == caption) {
      b->Press();
      return;
    }
  throw std::logic_error("no button " + caption);
}

void TMessageForm::Paint(TCanvas& canvas) {
  static constexpr TSystemIcon kIcons[] = {TSystemIcon::Warning, TSystemIcon::Error,
                                           TSystemIcon::Information, TSystemIcon::Question};
  canvas.DrawSystemIcon(Scaled(kMargin), Scaled(kMargin), Scaled(kIcon), kIcons[FType]);
}

bool TMessageForm::FormKey(uint16_t key, TShiftState shift) {
  // A box without a cancel button stays open on Esc.
  return TForm::FormKey(key, shift) || (key == vk::Escape && (shift & kModifierMask) == 0);
}

TModalResult MessageDlg(const std::string& text, TMsgDlgType type,
                        std::initializer_list<TMsgDlgBtn> buttons, int defaultButton,
                        int cancelButton) {
  TMessageForm form(text, type, buttons, defaultButton, cancelButton);
  return form.ShowModal();
}

bool TOpenDialog::Execute() { return CurrentBackend().ExecuteOpenDialog(*this); }
bool TFontDialog::Execute() { return CurrentBackend().ExecuteFontDialog(*this); }
bool TColorDialog::Execute() { return CurrentBackend().ExecuteColorDialog(*this); }

}  // namespace varlo
