#include "platform/canvas.h"

namespace varlo {

void TCanvas::SetFont(const TFont& font) {
  if (font == FFont) return;
  FFont = font;
  FontChanged();
}

void TCanvas::TextWidths(std::span<const std::string_view> texts, std::span<int> widths) {
  for (size_t i = 0; i < texts.size(); ++i) widths[i] = TextWidth(texts[i]);
}

}  // namespace varlo
