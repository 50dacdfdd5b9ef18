// A launcher's program or option template with its placeholders filled in.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace varlo {

// The first "%f" becomes the file name; then the first "%l" of that result
// (one the file name brought in counts too) becomes the line number in
// decimal. Lower-case placeholders only; later ones stay as they are, and
// nothing is quoted. Byte for byte, so it serves UTF-8 and Shift-JIS alike:
// "%" is never part of a double-byte character.
std::string ExpandLaunchTemplate(std::string_view text, std::string_view fileName, int64_t line);

}  // namespace varlo
