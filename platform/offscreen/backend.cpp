#include "platform/offscreen/backend.h"

#include <algorithm>

#include "platform/menu.h"

namespace varlo::offscreen {
namespace {

// The platform's classic defaults for the system colours 0 to 24.
constexpr TColor kSystemColors[] = {
    0xC8D0D4, 0x808000, 0x6A240A, 0x808080, 0xC8D0D4, 0xFFFFFF, 0x000000, 0x000000, 0x000000,
    0xFFFFFF, 0xC8D0D4, 0xC8D0D4, 0x808080, 0x6A240A, 0xFFFFFF, 0xC8D0D4, 0x808080, 0x808080,
    0x000000, 0xC8D0D4, 0xFFFFFF, 0x404040, 0xC8D0D4, 0x000000, 0xE1FFFF,
};

}  // namespace

OffscreenBackend::OffscreenBackend() = default;
OffscreenBackend::~OffscreenBackend() = default;

std::unique_ptr<WindowPeer> OffscreenBackend::CreateWindowPeer(TWinControl& control) {
  return std::make_unique<Window>(*this, control);
}

std::unique_ptr<TBitmapCanvas> OffscreenBackend::CreateBitmapCanvas() {
  return std::make_unique<PixelCanvas>();
}

bool OffscreenBackend::KeyPressed(uint16_t key) {
  const auto it = FKeys.find(key);
  return it != FKeys.end() && it->second;
}

int OffscreenBackend::SystemMetric(TSystemMetric metric) {
  switch (metric) {
    case TSystemMetric::CxScreen: return 1280;
    case TSystemMetric::CyScreen: return 1024;
    case TSystemMetric::CxVScroll:
    case TSystemMetric::CyHScroll: return kScrollBarSize;
    case TSystemMetric::CyCaption: return kCaptionHeight;
    case TSystemMetric::CxBorder:
    case TSystemMetric::CyBorder: return kBorder;
    case TSystemMetric::CxEdge:
    case TSystemMetric::CyEdge: return kClientEdge;
    case TSystemMetric::CxFrame:
    case TSystemMetric::CyFrame: return kFrameSize;
    case TSystemMetric::CxDlgFrame:
    case TSystemMetric::CyDlgFrame: return kDialogFrame;
    case TSystemMetric::CxMin: return 112;
    case TSystemMetric::CyMin: return 27;
  }
  return 0;
}

TColor OffscreenBackend::ColorToRGB(TColor color) {
  if ((color & kSystemColorFlag) != 0) {
    const uint32_t index = color & 0xFF;
    return index < std::size(kSystemColors) ? kSystemColors[index] : 0;
  }
  return color & 0xFFFFFF;
}

void OffscreenBackend::ProcessMessages() {
  ++FProcessCalls;
  // Pending paint messages first, as a message loop delivers them.
  for (size_t i = 0; i < FWindows.size(); ++i) FWindows[i]->Update();
  FireDueTimers();
  if (OnProcessMessages) OnProcessMessages();
}

void OffscreenBackend::ProcessPaintMessages() {
  for (size_t i = 0; i < FWindows.size(); ++i) FWindows[i]->Update();
  if (OnProcessPaintMessages) OnProcessPaintMessages();
}

bool OffscreenBackend::ProcessBusyMessages() {
  for (size_t i = 0; i < FWindows.size(); ++i) FWindows[i]->Update();
  return OnProcessBusyMessages && OnProcessBusyMessages();
}

void OffscreenBackend::RunModal(TForm& form) {
  Window* before = FFocus;
  form.Show();
  FModalLog.push_back(form.Name);
  if (OnShowModal) {
    OnShowModal(form);
  } else {
    FErrors.push_back("modal form shown without a script: " + form.Name);
  }
  // A script that did not close the form has cancelled it.
  if (!form.Closed()) form.Close();
  if (!form.Closed()) FErrors.push_back("modal form left open: " + form.Name);
  form.Hide();
  // The focus goes back where it was, as the platform does for a dialog.
  if (std::find(FWindows.begin(), FWindows.end(), before) != FWindows.end()) SetFocusTo(before);
}

void OffscreenBackend::RunMessageLoop() {
  FTerminated = false;
  if (OnMessageLoop) OnMessageLoop();
}

TSize OffscreenBackend::FrameSize(uint32_t style, uint32_t exStyle, bool menu, int) {
  int frame = 0;
  if (style & ws::ThickFrame) {
    frame = kFrameSize;
  } else if ((style & ws::DlgFrame) || (exStyle & ws::ExDlgModalFrame)) {
    frame = kDialogFrame;
  } else if (style & ws::Border) {
    frame = kBorder;
  }
  if (exStyle & ws::ExClientEdge) frame += kClientEdge;
  int height = 2 * frame;
  if ((style & ws::Caption) == ws::Caption) height += kCaptionHeight;
  if (menu) height += kMenuHeight;
  return {2 * frame, height};
}

bool OffscreenBackend::ExecuteOpenDialog(TOpenDialog& dialog) {
  FModalLog.push_back("OpenDialog");
  return OnOpenDialog && OnOpenDialog(dialog);
}

bool OffscreenBackend::ShellOpen(TWinControl& owner, const std::string& program,
                                 const std::string& parameters, const std::string& directory) {
  FShellRequests.push_back({&owner, program, parameters, directory});
  return OnShellOpen && OnShellOpen(FShellRequests.back());
}

bool OffscreenBackend::ShowHelp(TWinControl&, const std::string& file) {
  FHelpRequests.push_back(file);
  return !OnShowHelp || OnShowHelp(file);
}

bool OffscreenBackend::ActivateWindowOfClass(const std::string& className) {
  if (!WindowClasses.contains(className)) return false;
  FActivated.push_back(className);
  return true;
}

bool OffscreenBackend::ExecuteFontDialog(TFontDialog& dialog) {
  FModalLog.push_back("FontDialog");
  return OnFontDialog && OnFontDialog(dialog);
}

bool OffscreenBackend::ExecuteColorDialog(TColorDialog& dialog) {
  FModalLog.push_back("ColorDialog");
  return OnColorDialog && OnColorDialog(dialog);
}

void OffscreenBackend::StartTimer(TTimer& timer, unsigned milliseconds) {
  FTimers[&timer] = {milliseconds, FTicks + milliseconds};
}

void OffscreenBackend::StopTimer(TTimer& timer) { FTimers.erase(&timer); }

void OffscreenBackend::FireDueTimers() {
  // A timer that falls due several times in one step fires once, as the
  // platform merges its timer messages.
  std::vector<TTimer*> due;
  for (auto& [timer, d] : FTimers)
    if (static_cast<int32_t>(FTicks - d.next) >= 0) {
      due.push_back(timer);
      d.next = FTicks + d.interval;
    }
  for (TTimer* t : due)
    if (FTimers.count(t)) t->Fire();
}

void OffscreenBackend::AdvanceTime(uint32_t ms) {
  FTicks += ms;
  FireDueTimers();
}

void OffscreenBackend::SendKey(uint16_t key, TShiftState shift) {
  Window* target = FFocus;
  if (target == nullptr) return;
  TWinControl* top = &target->Control();
  while (top->Parent() != nullptr) top = top->Parent();
  const auto hold = [&](bool down) {
    if (shift & ssShift) SetKeyPressed(vk::Shift, down);
    if (shift & ssCtrl) SetKeyPressed(vk::Control, down);
    if (shift & ssAlt) SetKeyPressed(vk::Menu, down);
    SetKeyPressed(key, down);
  };
  hold(true);
  auto* form = dynamic_cast<TForm*>(top);
  const bool taken = form != nullptr && FormEvents::Key(*form, key, shift);
  // The form's handler may have closed or replaced the focused window.
  if (!taken && FFocus != nullptr) {
    Window* focus = FFocus;
    ControlEvents::Key(focus->Control(), key, true, shift);
    if (FFocus == focus) focus->EditKey(key);
  }
  hold(false);
  if (FFocus != nullptr) ControlEvents::Key(FFocus->Control(), key, false, shift);
}

void OffscreenBackend::TypeText(const std::string& shiftJis) {
  if (FFocus != nullptr) FFocus->TypeChars(shiftJis);
}

void OffscreenBackend::TrackPopupMenu(TPopupMenu& menu, TPoint screen) {
  FPopups.push_back({&menu, screen});
  if (PopupChoice.empty()) return;
  if (TMenuItem* item = menu.Items.Find(PopupChoice)) item->Click();
}

void OffscreenBackend::SetFocusTo(Window* window) {
  if (window == FFocus) return;
  Window* old = FFocus;
  FFocus = window;
  if (old != nullptr) ControlEvents::FocusLost(old->Control());
  if (window != nullptr) ControlEvents::FocusGained(window->Control());
}

void OffscreenBackend::Forget(Window* window) {
  if (FFocus == window) FFocus = nullptr;
  FWindows.erase(std::remove(FWindows.begin(), FWindows.end(), window), FWindows.end());
}

Window& OffscreenBackend::WindowOf(TWinControl& control) {
  return static_cast<Window&>(control.Peer());
}

}  // namespace varlo::offscreen
