#include "platform/file.h"

#include <windows.h>

#include <atomic>
#include <string>
#include <thread>

#include "platform/errors.h"
#include "platform/win32/codepage.h"
#include "platform/win32/handles.h"

namespace varlo::platform {

struct FileHandle {
  win32::UniqueKernel Kernel;
};

namespace {

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
  FHandle = std::make_unique<FileHandle>(win32::UniqueKernel(h));
  // Only a file on disk: reading a device named like a file (CON, COM1, a
  // pipe) could wait forever, or never end.
  if (GetFileType(h) != FILE_TYPE_DISK) Fail("ファイルを開けません", name, ERROR_BAD_FILE_TYPE);
}

ReadOnlyFile::~ReadOnlyFile() = default;

int64_t ReadOnlyFile::Size() const {
  LARGE_INTEGER size;
  if (!GetFileSizeEx(FHandle->Kernel.Get(), &size))
    Fail("ファイルの大きさを読めません", FName, GetLastError());
  return size.QuadPart;
}

size_t ReadOnlyFile::Read(char* buffer, size_t n) {
  // ReadFile takes 32-bit counts.
  const DWORD chunk = n > (1u << 30) ? (1u << 30) : static_cast<DWORD>(n);
  DWORD got = 0;
  if (!ReadFile(FHandle->Kernel.Get(), buffer, chunk, &got, nullptr)) {
    const DWORD err = GetLastError();
    if (err == ERROR_HANDLE_EOF) return 0;
    Fail("ファイルを読めません", FName, err);
  }
  return got;
}

size_t ReadOnlyFile::ReadAt(int64_t offset, char* buffer, size_t n) const {
  size_t done = 0;
  while (done < n) {
    // ReadFile takes 32-bit counts; with an offset of its own, reads on one
    // handle from several threads do not disturb each other.
    const size_t left = n - done;
    const DWORD chunk = left > (1u << 30) ? (1u << 30) : static_cast<DWORD>(left);
    const auto at = static_cast<uint64_t>(offset) + done;
    OVERLAPPED where{};
    where.Offset = static_cast<DWORD>(at);
    where.OffsetHigh = static_cast<DWORD>(at >> 32);
    DWORD got = 0;
    if (!ReadFile(FHandle->Kernel.Get(), buffer + done, chunk, &got, &where)) {
      const DWORD err = GetLastError();
      if (err == ERROR_HANDLE_EOF) break;
      Fail("ファイルを読めません", FName, err);
    }
    if (got == 0) break;
    done += got;
  }
  return done;
}

// A thread waits for the folder's change notices and marks them.
struct ChangeWatch::State {
  win32::UniqueKernel Stop;
  HANDLE Notice = INVALID_HANDLE_VALUE;
  std::atomic<bool> Seen{false};
  std::thread Waiter;
};

ChangeWatch::ChangeWatch(const std::filesystem::path& file) : FState(std::make_unique<State>()) {
  const std::filesystem::path folder =
      file.has_parent_path() ? file.parent_path() : std::filesystem::path(L".");
  HANDLE notice = FindFirstChangeNotificationW(
      folder.c_str(), FALSE,
      FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_SIZE | FILE_NOTIFY_CHANGE_LAST_WRITE);
  if (notice == INVALID_HANDLE_VALUE) return;
  FState->Stop.Reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  if (!FState->Stop) {
    FindCloseChangeNotification(notice);
    return;
  }
  FState->Notice = notice;
  FState->Waiter = std::thread([s = FState.get()] {
    const HANDLE handles[2] = {s->Stop.Get(), s->Notice};
    while (WaitForMultipleObjects(2, handles, FALSE, INFINITE) == WAIT_OBJECT_0 + 1) {
      s->Seen.store(true, std::memory_order_release);
      if (!FindNextChangeNotification(s->Notice)) break;
    }
  });
}

ChangeWatch::~ChangeWatch() {
  if (FState->Waiter.joinable()) {
    SetEvent(FState->Stop.Get());
    FState->Waiter.join();
  }
  if (FState->Notice != INVALID_HANDLE_VALUE) FindCloseChangeNotification(FState->Notice);
}

bool ChangeWatch::Changed() { return FState->Seen.exchange(false, std::memory_order_acq_rel); }

bool ReadOnlyFile::OnDisk() const {
  // The constructor refuses anything else.
  return true;
}

bool ReadOnlyFile::Rereadable() const {
  // Only files on disk are opened at all.
  LARGE_INTEGER size;
  return GetFileSizeEx(FHandle->Kernel.Get(), &size) && size.QuadPart > 0;
}

FileIdentity ReadOnlyFile::Identity() const {
  BY_HANDLE_FILE_INFORMATION info;
  if (!GetFileInformationByHandle(FHandle->Kernel.Get(), &info))
    Fail("ファイルを読めません", FName, GetLastError());
  return {info.dwVolumeSerialNumber,
          (static_cast<uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
}

NewFile::NewFile(const std::filesystem::path& name) : FName(name) {
  HANDLE h = CreateFileW(name.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) Fail("ファイルを作れません", name, GetLastError());
  FHandle = std::make_unique<FileHandle>(win32::UniqueKernel(h));
}

NewFile::~NewFile() = default;

void NewFile::Write(const char* data, size_t n) {
  while (n > 0) {
    const DWORD chunk = n > (1u << 30) ? (1u << 30) : static_cast<DWORD>(n);
    DWORD put = 0;
    if (!WriteFile(FHandle->Kernel.Get(), data, chunk, &put, nullptr))
      Fail("ファイルに書き込めません", FName, GetLastError());
    data += put;
    n -= put;
  }
}

void NewFile::Close() {
  // Closed here, so that what the close reports is seen.
  HANDLE h = FHandle->Kernel.Release();
  if (!CloseHandle(h)) Fail("ファイルに書き込めません", FName, GetLastError());
}

namespace {

win32::UniqueKernel Open(const std::filesystem::path& name, DWORD disposition) {
  HANDLE h = CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, disposition,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  return win32::UniqueKernel(h == INVALID_HANDLE_VALUE ? nullptr : h);
}

void WriteAll(HANDLE h, std::string_view bytes, const std::filesystem::path& name) {
  size_t done = 0;
  while (done < bytes.size()) {
    const size_t left = bytes.size() - done;
    const DWORD chunk = left > (1u << 30) ? (1u << 30) : static_cast<DWORD>(left);
    DWORD put = 0;
    if (!WriteFile(h, bytes.data() + done, chunk, &put, nullptr))
      Fail("ファイルに書き込めません", name, GetLastError());
    done += put;
  }
}

// A name beside `name` that no other writer uses, created empty.
win32::UniqueKernel CreateUnique(const std::filesystem::path& name, std::wstring& temp,
                                 DWORD& error) {
  static unsigned counter = 0;
  for (int attempt = 0; attempt < 16; ++attempt) {
    temp = name.native() + L"." + std::to_wstring(GetCurrentProcessId()) + L"-" +
           std::to_wstring(GetTickCount64()) + L"-" + std::to_wstring(++counter) + L".tmp";
    win32::UniqueKernel h = Open(temp, CREATE_NEW);
    if (h) return h;
    error = GetLastError();
    if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) break;
  }
  return {};
}

}  // namespace

void ReplaceFileContents(const std::filesystem::path& name, std::string_view bytes) {
  const DWORD attributes = GetFileAttributesW(name.c_str());
  const bool exists = attributes != INVALID_FILE_ATTRIBUTES;
  // A file the user made read-only stays as it is; a folder is no file.
  if (exists && (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)))
    Fail("ファイルに書き込めません", name, ERROR_ACCESS_DENIED);
  std::wstring temp;
  DWORD error = 0;
  win32::UniqueKernel out = CreateUnique(name, temp, error);
  if (!out) {
    // No new file in that folder: in place, as a last resort.
    win32::UniqueKernel in = Open(name, OPEN_ALWAYS);
    if (!in) Fail("ファイルに書き込めません", name, error != 0 ? error : GetLastError());
    WriteAll(in.Get(), bytes, name);
    if (!SetEndOfFile(in.Get())) Fail("ファイルに書き込めません", name, GetLastError());
    return;
  }
  const auto failed = [&](DWORD err) {
    out.Reset();
    DeleteFileW(temp.c_str());
    Fail("ファイルに書き込めません", name, err);
  };
  try {
    WriteAll(out.Get(), bytes, name);
  } catch (...) {
    out.Reset();
    DeleteFileW(temp.c_str());
    throw;
  }
  if (!FlushFileBuffers(out.Get())) failed(GetLastError());
  out.Reset();
  const BOOL placed =
      exists ? ReplaceFileW(name.c_str(), temp.c_str(), nullptr,
                            REPLACEFILE_IGNORE_MERGE_ERRORS | REPLACEFILE_IGNORE_ACL_ERRORS,
                            nullptr, nullptr)
             : MoveFileExW(temp.c_str(), name.c_str(), MOVEFILE_WRITE_THROUGH);
  if (!placed) failed(GetLastError());
  // The file keeps the attributes it had (hidden, archive, ...).
  if (exists) SetFileAttributesW(name.c_str(), attributes);
}

bool FileExists(const std::filesystem::path& name) {
  const DWORD attr = GetFileAttributesW(name.c_str());
  return attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

}  // namespace varlo::platform
