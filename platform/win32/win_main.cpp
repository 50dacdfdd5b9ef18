// The platform's entry point: installs the Win32 backend and runs the
// program block. The command line arrives as Unicode (-municode).
#include <windows.h>

#include "platform/application.h"
#include "platform/win32/backend.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  varlo::win32::Win32Backend backend;
  varlo::SetCurrentBackend(&backend);
  const int code = varlo::ProgramMain();
  varlo::SetCurrentBackend(nullptr);
  return code;
}
