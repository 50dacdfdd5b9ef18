// The main window on the offscreen backend: a program folder of its own
// (executable path, settings file), a command line, and a script that plays
// the user in every modal form and message box.
#pragma once

#include <chrono>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/main_form.h"
#include "platform/dialogs.h"
#include "platform/text.h"
#include "tests/support/temp_dir.h"
#include "tests/support/viewer_rig.h"

namespace varlo::testing {

// What a modal form showed.
struct Shown {
  std::string name;                  // the form's name ("MessageForm" for boxes)
  std::string caption;               // the form's caption
  std::string text;                  // a box's or a notice's text
  std::vector<std::string> buttons;  // a box's button captions
};

class AppRig {
 public:
  AppRig();
  ~AppRig();

  // Writes the settings file beside the executable.
  void WriteIni(const std::string& text);
  std::string ReadIni();
  std::filesystem::path IniPath() const { return dir.Path() / "varlo.INI"; }
  // Creates the main window with this command line (and these commands),
  // and lets the file it opens be indexed to its end (Settle).
  TForm1& Start(const std::vector<std::string>& arguments = {},
                std::vector<TCommand> commands = MainCommands());
  // Lets time pass until the main window's file is indexed to its end, as
  // a user who waits sees it.
  void Settle();
  // Closes it as the program does at exit (FormDestroy).
  void Finish();

  // The next modal form runs this (then it is closed, if it is still open).
  void Then(std::function<void(TForm&)> step);
  // Answers the next message box by pressing the button with this caption.
  void Answer(const std::string& caption);
  // Keys typed into the focused control: the text, "\b" standing for
  // Backspace.
  void Type(const std::string& keys);
  // Modal forms shown so far.
  const std::vector<Shown>& Seen() const { return FSeen; }
  std::vector<std::string> BoxTexts() const;

  std::filesystem::path WriteFile(const std::string& name, const std::string& bytes) {
    return dir.Write(name, bytes);
  }
  std::string Utf8Path(const std::string& name) const { return Utf8FromPath(dir.Path() / name); }

  OffscreenScope scope;
  offscreen::OffscreenBackend& backend = scope.Backend();
  TempDir dir;
  std::unique_ptr<TForm1> form;

 private:
  std::deque<std::function<void(TForm&)>> FSteps;
  std::vector<Shown> FSeen;
};

}  // namespace varlo::testing
