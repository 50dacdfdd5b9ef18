// The program's command line split into arguments.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace varlo::win32 {

// The arguments of a command line, without the program name before them.
// Blanks (spaces and tabs) separate arguments; a stretch in double quotes
// may hold blanks, and the quotes go. A backslash is an ordinary character,
// so a quoted folder name may end in one ("C:\dir\").
std::vector<std::wstring> SplitCommandLine(std::wstring_view line);

}  // namespace varlo::win32
