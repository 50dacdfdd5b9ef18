#include "platform/win32/command_line.h"

namespace varlo::win32 {
namespace {

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

}  // namespace

std::vector<std::wstring> SplitCommandLine(std::wstring_view line) {
  std::vector<std::wstring> words;
  size_t i = 0;
  while (true) {
    while (i < line.size() && IsBlank(line[i])) ++i;
    if (i == line.size()) break;
    std::wstring word;
    bool quoted = false;
    for (; i < line.size() && (quoted || !IsBlank(line[i])); ++i) {
      if (line[i] == L'"') {
        quoted = !quoted;
      } else {
        word += line[i];
      }
    }
    words.push_back(std::move(word));
  }
  // The first word is the program's own name.
  if (!words.empty()) words.erase(words.begin());
  return words;
}

}  // namespace varlo::win32
