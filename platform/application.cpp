#include "platform/application.h"

#include "platform/backend.h"

namespace varlo {

void TApplication::ProcessMessages() { CurrentBackend().ProcessMessages(); }

void TApplication::HandleException(const std::exception& e) { CurrentBackend().ShowError(e.what()); }

void TApplication::HandleUnknownException() {
  CurrentBackend().ShowError("予期しないエラーが発生しました");
}

TApplication& Application() {
  static TApplication app;
  return app;
}

}  // namespace varlo
