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
  if (OnProcessMessages) OnProcessMessages();
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
