#include "platform/text.h"

#include <windows.h>

#include "platform/win32/codepage.h"

namespace varlo {

std::string Utf8FromShiftJis(std::string_view shiftJis) {
  return win32::FromWide(win32::kUtf8, win32::ToWide(win32::kShiftJis, shiftJis));
}

std::string ShiftJisFromUtf8(std::string_view utf8, bool* lossless) {
  const std::wstring wide = win32::ToWide(win32::kUtf8, utf8);
  BOOL lost = FALSE;
  std::string out;
  if (!wide.empty()) {
    const int n = static_cast<int>(wide.size());
    const int len =
        WideCharToMultiByte(win32::kShiftJis, 0, wide.data(), n, nullptr, 0, "?", &lost);
    out.resize(static_cast<size_t>(len));
    WideCharToMultiByte(win32::kShiftJis, 0, wide.data(), n, out.data(), len, "?", &lost);
  }
  if (lossless) *lossless = !lost;
  return out;
}

}  // namespace varlo
