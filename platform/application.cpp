#include "platform/application.h"

#include "platform/backend.h"
#include "platform/forms.h"

namespace varlo {

void TApplication::ProcessMessages() { CurrentBackend().ProcessMessages(); }

void TApplication::HandleException(const std::exception& e) {
  if (OnException && OnException(e)) return;
  CurrentBackend().ShowError(e.what());
}

void TApplication::HandleUnknownException() {
  CurrentBackend().ShowError("予期しないエラーが発生しました");
}

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

std::filesystem::path PathFromUtf8(const std::string& utf8) {
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string Utf8FromPath(const std::filesystem::path& path) {
  const std::u8string s = path.u8string();
  return std::string(s.begin(), s.end());
}

}  // namespace varlo
