// Conversions between the program's own UTF-8 text and Shift-JIS (code page
// 932) bytes, whatever the system's code page is, and between UTF-8 text and
// the file names of the platform.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace varlo {

// Bytes the code page does not define become U+30FB (・).
std::string Utf8FromShiftJis(std::string_view shiftJis);
// Characters the code page cannot write become "?"; `lossless` (if given)
// tells whether all could.
std::string ShiftJisFromUtf8(std::string_view utf8, bool* lossless = nullptr);

// Paths from and to the program's UTF-8 text.
inline std::filesystem::path PathFromUtf8(const std::string& utf8) {
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}
inline std::string Utf8FromPath(const std::filesystem::path& path) {
  const std::u8string s = path.u8string();
  return std::string(s.begin(), s.end());
}

}  // namespace varlo
