#include "platform/canvas.h"

namespace varlo {

void TCanvas::SetFont(const TFont& font) {
  if (font == FFont) return;
  FFont = font;
  FontChanged();
}

}  // namespace varlo
