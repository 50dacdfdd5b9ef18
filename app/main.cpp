// The program block: the main window and the message loop.
#include <memory>

#include "app/main_form.h"
#include "platform/application.h"

namespace varlo {

int ProgramMain() {
  auto form = std::make_unique<TForm1>();
  Application().Run(*form);
  ControlEvents::Run([&] { form->Destroy(); });
  return 0;
}

}  // namespace varlo
