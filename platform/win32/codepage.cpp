#include "platform/win32/codepage.h"

#include <windows.h>

#include <limits>

#include "platform/checked.h"

namespace varlo::win32 {

std::wstring ToWide(unsigned codePage, std::string_view bytes) {
  if (bytes.empty()) return {};
  const int n = CheckedCast<int>(bytes.size());
  const int len = MultiByteToWideChar(codePage, 0, bytes.data(), n, nullptr, 0);
  std::wstring out(static_cast<size_t>(len), L'\0');
  MultiByteToWideChar(codePage, 0, bytes.data(), n, out.data(), len);
  return out;
}

std::string FromWide(unsigned codePage, std::wstring_view text) {
  if (text.empty()) return {};
  const int n = CheckedCast<int>(text.size());
  const int len = WideCharToMultiByte(codePage, 0, text.data(), n, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(len), '\0');
  WideCharToMultiByte(codePage, 0, text.data(), n, out.data(), len, nullptr, nullptr);
  return out;
}

std::string SystemMessage(unsigned long error) {
  wchar_t* buffer = nullptr;
  const DWORD len = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, error, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::wstring text = len > 0 ? std::wstring(buffer, len) : std::wstring();
  if (buffer != nullptr) LocalFree(buffer);
  while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' '))
    text.pop_back();
  if (text.empty()) return "error " + std::to_string(error);
  return FromWide(kUtf8, text);
}

}  // namespace varlo::win32
