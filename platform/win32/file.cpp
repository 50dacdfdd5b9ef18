#include "platform/file.h"

#include <windows.h>

#include <string>

#include "platform/errors.h"
#include "platform/win32/codepage.h"

namespace varlo::platform {
namespace {

HANDLE AsHandle(intptr_t h) { return reinterpret_cast<HANDLE>(h); }

std::string Utf8Name(const std::filesystem::path& name) {
  return win32::FromWide(win32::kUtf8, name.native());
}

[[noreturn]] void Fail(const char* what, const std::filesystem::path& name, DWORD err) {
  throw InOutError(std::string(what) + " '" + Utf8Name(name) + "': " + win32::SystemMessage(err));
}

}  // namespace

ReadOnlyFile::ReadOnlyFile(const std::filesystem::path& name) : FName(name) {
  HANDLE h = CreateFileW(name.c_str(), GENERIC_READ,
                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (h == INVALID_HANDLE_VALUE) Fail("ファイルを開けません", name, GetLastError());
  FHandle = reinterpret_cast<intptr_t>(h);
}

ReadOnlyFile::~ReadOnlyFile() { CloseHandle(AsHandle(FHandle)); }

int64_t ReadOnlyFile::Size() const {
  LARGE_INTEGER size;
  if (!GetFileSizeEx(AsHandle(FHandle), &size))
    Fail("ファイルの大きさを読めません", FName, GetLastError());
  return size.QuadPart;
}

size_t ReadOnlyFile::Read(char* buffer, size_t n) {
  // ReadFile takes 32-bit counts.
  const DWORD chunk = n > (1u << 30) ? (1u << 30) : static_cast<DWORD>(n);
  DWORD got = 0;
  if (!ReadFile(AsHandle(FHandle), buffer, chunk, &got, nullptr)) {
    const DWORD err = GetLastError();
    if (err == ERROR_HANDLE_EOF) return 0;
    Fail("ファイルを読めません", FName, err);
  }
  return got;
}

NewFile::NewFile(const std::filesystem::path& name) : FName(name) {
  HANDLE h = CreateFileW(name.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) Fail("ファイルを作れません", name, GetLastError());
  FHandle = reinterpret_cast<intptr_t>(h);
}

NewFile::~NewFile() {
  if (FHandle != 0) CloseHandle(AsHandle(FHandle));
}

void NewFile::Write(const char* data, size_t n) {
  while (n > 0) {
    const DWORD chunk = n > (1u << 30) ? (1u << 30) : static_cast<DWORD>(n);
    DWORD put = 0;
    if (!WriteFile(AsHandle(FHandle), data, chunk, &put, nullptr))
      Fail("ファイルに書き込めません", FName, GetLastError());
    data += put;
    n -= put;
  }
}

void NewFile::Close() {
  HANDLE h = AsHandle(FHandle);
  FHandle = 0;
  if (!CloseHandle(h)) Fail("ファイルに書き込めません", FName, GetLastError());
}

bool FileExists(const std::filesystem::path& name) {
  const DWORD attr = GetFileAttributesW(name.c_str());
  return attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

}  // namespace varlo::platform
