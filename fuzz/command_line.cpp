// The command line split into arguments: any line splits without fault into
// arguments that hold no quote and, outside quotes, no blank; and arguments
// put in quotes come back as they were.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/store_check.h"
#include "platform/win32/command_line.h"

using namespace varlo;
using namespace varlo::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Two bytes a character, so any UTF-16 unit can come.
  std::wstring line;
  for (size_t i = 0; i + 1 < size; i += 2) line += static_cast<wchar_t>(data[i] | data[i + 1] << 8);
  for (const std::wstring& word : win32::SplitCommandLine(line))
    Require(word.find(L'"') == std::wstring::npos, "no quote is left in an argument");

  // The units split at NUL into words without quotes, each quoted: the same
  // words come back, blanks and backslashes included.
  std::vector<std::wstring> words(1);
  for (wchar_t c : line) {
    if (c == L'\0') {
      words.emplace_back();
    } else if (c != L'"') {
      words.back() += c;
    }
  }
  std::wstring quoted = L"\"C:\\Program Files\\varlo.exe\"";
  for (const std::wstring& w : words) quoted += L" \"" + w + L"\"";
  Require(win32::SplitCommandLine(quoted) == words, "quoted arguments come back whole");
  return 0;
}
