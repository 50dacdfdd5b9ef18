#include "tests/support/viewer_rig.h"

#include <sstream>

namespace varlo::testing {

OffscreenScope::OffscreenScope() : FPrevious(CurrentBackendOrNull()) {
  SetCurrentBackend(&FBackend);
}

OffscreenScope::~OffscreenScope() { SetCurrentBackend(FPrevious); }

ViewerRig::ViewerRig(int width, int height, TScrollStyle bar) {
  host.SetBounds(0, 0, width + 100, height + 100);
  view.SetBvStyle(0);
  view.SetScrollBar(bar);
  const int barWidth = bar == ssVertical || bar == ssBoth ? offscreen::kScrollBarSize : 0;
  const int barHeight = bar == ssHorizontal || bar == ssBoth ? offscreen::kScrollBarSize : 0;
  view.SetBounds(0, 0, width + barWidth, height + barHeight);
  TFont font = view.Font();
  font.Color = clBlack;
  view.SetFont(font);
  view.HandleNeeded();
}

void ViewerRig::Load(const std::vector<std::string>& lines) {
  std::string text;
  for (const auto& line : lines) text += line + "\r\n";
  std::istringstream stream(text);
  view.LoadFromStream(stream);
}

}  // namespace varlo::testing
