// Conversions between the program's own UTF-8 text and Shift-JIS (code page
// 932) bytes, whatever the system's code page is.
#pragma once

#include <string>
#include <string_view>

namespace varlo {

// Bytes the code page does not define become U+30FB (・).
std::string Utf8FromShiftJis(std::string_view shiftJis);
// Characters the code page cannot write become "?"; `lossless` (if given)
// tells whether all could.
std::string ShiftJisFromUtf8(std::string_view utf8, bool* lossless = nullptr);

}  // namespace varlo
