#include "platform/application.h"

#include "platform/backend.h"
#include "platform/errors.h"
#include "platform/forms.h"

namespace varlo {

TApplication::TApplication() {
  ControlEvents::SetErrorReport([this](const std::exception* error) {
    if (error != nullptr) {
      HandleException(*error);
    } else {
      HandleUnknownException();
    }
  });
}

void TApplication::ProcessMessages() { CurrentBackend().ProcessMessages(); }

void TApplication::HandleException(const std::exception& e) {
  if (OnException && OnException(e)) return;
  CurrentBackend().ShowError(e.what());
}

void TApplication::HandleUnknownException() { CurrentBackend().ShowError(kUnexpectedError); }

void TApplication::Run(TForm& mainForm) {
  FMainForm = &mainForm;
  FTerminated = false;
  if (!mainForm.Closed()) {
    mainForm.Show();
    CurrentBackend().RunMessageLoop();
  }
}

void TApplication::Terminate() {
  FTerminated = true;
  CurrentBackend().Terminate();
}

void TApplication::Minimize() {
  if (FMainForm != nullptr) FMainForm->SetWindowState(wsMinimized);
}

void TApplication::Restore() {
  if (FMainForm != nullptr && FMainForm->WindowState() == wsMinimized)
    FMainForm->SetWindowState(wsNormal);
}

std::string TApplication::ExeName() { return CurrentBackend().ExecutablePath(); }

std::vector<std::string> TApplication::Arguments() {
  return CurrentBackend().CommandLineArguments();
}

TApplication& Application() {
  static TApplication app;
  return app;
}

}  // namespace varlo
