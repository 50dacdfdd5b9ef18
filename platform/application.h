// The application object: the main form and its message loop, minimising
// and restoring the program, the error box of the dispatch boundary, and
// the program's own path and command line.
#pragma once

#include <exception>
#include <functional>
#include <string>
#include <vector>

namespace varlo {

class TForm;

// A message the application sees before any window gets it.
struct TAppMessage {
  enum Kind : uint8_t { DropFiles } Message;
  TForm* Target = nullptr;         // the top-level window it is addressed to
  std::vector<std::string> Files;  // UTF-8 names, for DropFiles
};

class TApplication {
 public:
  // Reports what escapes an event handler in its error box.
  TApplication();
  void ProcessMessages();
  // Shows the exception's message in the toolkit's error box.
  void HandleException(const std::exception& e);
  void HandleUnknownException();

  // Shows the main form and runs the message loop until it closes.
  void Run(TForm& mainForm);
  void Terminate();
  bool Terminated() const { return FTerminated; }
  TForm* MainForm() const { return FMainForm; }
  void SetMainForm(TForm* form) { FMainForm = form; }
  void Minimize();
  void Restore();

  std::string ExeName();  // UTF-8
  std::vector<std::string> Arguments();

  std::function<void(TAppMessage& message, bool& handled)> OnMessage;
  // Sees an exception that left a handler before the error box does; true
  // when it took care of it (no box then).
  std::function<bool(const std::exception& e)> OnException;

 private:
  TForm* FMainForm = nullptr;
  bool FTerminated = false;
};

TApplication& Application();

// The program block, defined by the program: what runs once the platform's
// entry point has installed the backend. Returns the exit code.
int ProgramMain();

}  // namespace varlo
