#include "tests/support/app_rig.h"

#include <fstream>
#include <thread>

#include "dialogs/notice_form.h"

namespace varlo::testing {

AppRig::AppRig() {
  backend.SetExecutablePath(Utf8FromPath(dir.Path() / "varlo.exe"));
  backend.OnShowModal = [this](TForm& f) {
    Shown shown{f.Name, f.Caption(), "", {}};
    if (auto* box = dynamic_cast<TMessageForm*>(&f)) {
      shown.text = box->Text();
      for (TButton* b : box->Buttons()) shown.buttons.push_back(b->Caption());
    }
    if (auto* notice = dynamic_cast<TNoticeDialog*>(&f)) shown.text = notice->Label1().Caption();
    FSeen.push_back(shown);
    if (FSteps.empty()) return;  // closed as cancelled
    auto step = std::move(FSteps.front());
    FSteps.pop_front();
    step(f);
  };
}

AppRig::~AppRig() {
  form.reset();
  Application().SetMainForm(nullptr);
}

void AppRig::WriteIni(const std::string& text) { dir.Write("varlo.INI", text); }

std::string AppRig::ReadIni() { return ReadAll(IniPath()); }

TForm1& AppRig::Start(const std::vector<std::string>& arguments, std::vector<TCommand> commands) {
  backend.SetArguments(arguments);
  form = std::make_unique<TForm1>(std::move(commands));
  Application().SetMainForm(form.get());
  form->Show();
  Settle();
  return *form;
}

void AppRig::Settle() {
  // The indexing threads work in real time; the main window takes in what
  // they found on its timer.
  while (form != nullptr && form->BigView1.Indexing()) {
    backend.AdvanceTime(15);
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
}

void AppRig::Finish() {
  ControlEvents::Run([&] { form->Destroy(); });
}

void AppRig::Then(std::function<void(TForm&)> step) { FSteps.push_back(std::move(step)); }

void AppRig::Answer(const std::string& caption) {
  Then([caption](TForm& f) { dynamic_cast<TMessageForm&>(f).Press(caption); });
}

void AppRig::Type(const std::string& keys) {
  size_t from = 0;
  for (size_t at = keys.find('\b'); at != std::string::npos; at = keys.find('\b', from)) {
    backend.TypeText(keys.substr(from, at - from));
    backend.SendKey(vk::Back);
    from = at + 1;
  }
  backend.TypeText(keys.substr(from));
}

std::vector<std::string> AppRig::BoxTexts() const {
  std::vector<std::string> texts;
  for (const Shown& s : FSeen)
    if (s.name == "MessageForm") texts.push_back(s.text);
  return texts;
}

}  // namespace varlo::testing
