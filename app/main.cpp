// The program block: the Win32 backend, the main window, the message loop.
#include <windows.h>

#include <memory>

#include "app/main_form.h"
#include "platform/win32/backend.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  varlo::win32::Win32Backend backend;
  varlo::SetCurrentBackend(&backend);
  {
    auto form = std::make_unique<varlo::TForm1>();
    varlo::Application().Run(*form);
    varlo::ControlEvents::Run([&] { form->Destroy(); });
  }
  varlo::SetCurrentBackend(nullptr);
  return 0;
}
