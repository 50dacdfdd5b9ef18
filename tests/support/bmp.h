// Writes pixels as a 24-bit BMP file, for a person to look at what a test
// rendered.
#pragma once

#include <filesystem>
#include <functional>

#include "platform/types.h"

namespace varlo::testing {

// pixel(x, y) gives 0x00BBGGRR.
void WriteBmp(const std::filesystem::path& path, int width, int height,
              const std::function<TColor(int x, int y)>& pixel);

}  // namespace varlo::testing
