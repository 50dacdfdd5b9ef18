// The launchers: editing the two launcher records, starting a launcher's
// program with the file name and the top line in its command line, and
// handing the foreground to the file manager or an Explorer window.
#include <algorithm>
#include <array>

#include "app/launch_template.h"
#include "app/main_form.h"
#include "dialogs/launcher_edit_form.h"
#include "platform/shell.h"
#include "platform/text.h"

namespace varlo {
namespace {

// Looked for in this order: the companion file manager, then an Explorer
// window by its older class and by the one current systems give it.
constexpr std::array<const char*, 3> kHandOffClasses = {"CorvoMainWin", "ExploreWClass",
                                                        "CabinetWClass"};

void EditLauncher(TForm1& main, int n) {
  main.FLaunchEdit = n;
  TLauncherEditor form(main);
  main.CenterOnScreen(form);
  form.ShowModal();
}

void RunLauncher(TForm1& main, int n) {
  if (main.FFileName.empty()) return;
  main.FLaunchNo = n;
  main.ProgramExecute();
}

}  // namespace

void TForm1::MenuLaunchClick(TObject&) { EditLauncher(*this, 1); }

void TForm1::MenuLaunchClick2(TObject&) { EditLauncher(*this, 2); }

void TForm1::PopLaunchRunClick(TObject&) { RunLauncher(*this, 1); }

void TForm1::PopLaunchRun2Click(TObject&) { RunLauncher(*this, 2); }

void TForm1::ProgramExecute() {
  const int n = FLaunchNo;
  if (n != 1 && n != 2) return;
  // The records are Shift-JIS; the file name is UTF-8 and may hold
  // characters Shift-JIS has not, so the command line is built in UTF-8.
  // A view without lines has the file's first line at the top.
  const int64_t line = std::max<int64_t>(BigView1.LineIndexOfView(BigView1.TopLine()), 0);
  const std::string program = ExpandLaunchTemplate(Utf8FromShiftJis(FProgName[n]), FFileName, line);
  const std::string options =
      ExpandLaunchTemplate(Utf8FromShiftJis(FProgOption[n]), FFileName, line);
  if (ShellOpen(*this, program, options, Utf8FromShiftJis(FProgDir[n]))) {
    Close();
    return;
  }
  WarningBox("    " + program + " の実行に失敗しました。          ");
}

void TForm1::FocusMoveToApli() {
  for (const char* windowClass : kHandOffClasses)
    if (ActivateWindowOfClass(windowClass)) return;
}

void TForm1::FocusMoveToApliMinimized() { FocusMoveToApli(); }

}  // namespace varlo
