// Conversions between byte text and window (UTF-16) text. Each names its
// code page: file text is 932 whatever the system's ANSI code page is, the
// program's own strings are UTF-8.
#pragma once

#include <string>
#include <string_view>

namespace varlo::win32 {

inline constexpr unsigned kShiftJis = 932;
inline constexpr unsigned kUtf8 = 65001;

std::wstring ToWide(unsigned codePage, std::string_view bytes);
std::string FromWide(unsigned codePage, std::wstring_view text);

// The system's message for a Win32 error code, as UTF-8.
std::string SystemMessage(unsigned long error);

}  // namespace varlo::win32
