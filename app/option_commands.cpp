// The commands of the settings and help menus: the settings dialog, the
// viewer's font and background colour, and the help page.
#include "app/main_form.h"
#include "dialogs/settings_form.h"
#include "platform/convert.h"
#include "platform/file.h"
#include "platform/shell.h"
#include "platform/text.h"

namespace varlo {

void TForm1::MenuOptionSetClick(TObject&) {
  TSettingsDialog form(*this, BigView1, *this);
  CenterOnScreen(form);
  form.ShowModal();
}

void TForm1::ApplyTextFont() {
  // One property at a time: a text that does not convert stops here with
  // the ones before it applied.
  TFont font = BigView1.Font();
  font.Name = Utf8FromShiftJis(FTextFontName.substr(0, 255));
  BigView1.SetFont(font);
  font.SetSize(StrToInt(FTextFontSize));
  BigView1.SetFont(font);
  font.Color = StringToColor(FTextFontColor);
  BigView1.SetFont(font);
}

void TForm1::MenuFontClick(TObject&) {
  // The stored texts are converted before anything changes: one that does
  // not convert ends the command with the conversion error.
  TFont preset = FontDialog1.Font;
  preset.Name = Utf8FromShiftJis(FTextFontName.substr(0, 255));
  preset.SetSize(StrToInt(FTextFontSize));
  preset.Color = StringToColor(FTextFontColor);
  FontDialog1.Font = preset;
  if (!FontDialog1.Execute()) return;
  // Style and character set are the dialog's only.
  FTextFontName = ShiftJisFromUtf8(FontDialog1.Font.Name);
  FTextFontSize = std::to_string(FontDialog1.Font.Size());
  FTextFontColor = ColorToString(FontDialog1.Font.Color);
  ApplyTextFont();
}

void TForm1::MenuBackColorClick(TObject&) {
  ColorDialog1.Color = StringToColor(FTextBackColor);
  if (!ColorDialog1.Execute()) return;
  FTextBackColor = ColorToString(ColorDialog1.Color);
  BigView1.SetColor(ColorDialog1.Color);
}

void TForm1::MenuHelpDispClick(TObject&) {
  // A page beside the executable, named as the settings file is, shown in
  // the browser; a user who has no page or no browser is told so.
  const std::filesystem::path help = HelpFileName();
  const std::string name = Utf8FromPath(help);
  if (!platform::FileExists(help)) {
    WarningBox("   ヘルプファイル " + name + " が見つかりません。          ");
    return;
  }
  if (!ShowHelpFile(*this, name))
    WarningBox("   ヘルプファイル " + name + " を表示できませんでした。          ");
}

}  // namespace varlo
