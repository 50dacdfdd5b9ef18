#include "platform/file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <utility>

#include "platform/errors.h"

namespace varlo::platform {

// A descriptor, closed with its owner.
struct FileHandle {
  explicit FileHandle(int fd) : Fd(fd) {}
  ~FileHandle() {
    if (Fd >= 0) ::close(Fd);
  }
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;
  int Fd;
};

namespace {

[[noreturn]] void Fail(const char* what, const std::filesystem::path& name, int err) {
  throw InOutError(std::string(what) + " '" + name.string() + "': " + std::strerror(err));
}

}  // namespace

ReadOnlyFile::ReadOnlyFile(const std::filesystem::path& name) : FName(name) {
  const int fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) Fail("ファイルを開けません", name, errno);
  FHandle = std::make_unique<FileHandle>(fd);
  struct stat st {};
  if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) Fail("ファイルを開けません", name, EISDIR);
  // Indexing reads the file once, start to end.
  ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
}

ReadOnlyFile::~ReadOnlyFile() = default;

int64_t ReadOnlyFile::Size() const {
  struct stat st {};
  if (::fstat(FHandle->Fd, &st) != 0) Fail("ファイルの大きさを読めません", FName, errno);
  return st.st_size;
}

size_t ReadOnlyFile::Read(char* buffer, size_t n) {
  for (;;) {
    const ssize_t got = ::read(FHandle->Fd, buffer, n);
    if (got >= 0) return static_cast<size_t>(got);
    if (errno != EINTR) Fail("ファイルを読めません", FName, errno);
  }
}

size_t ReadOnlyFile::ReadAt(int64_t offset, char* buffer, size_t n) const {
  size_t done = 0;
  while (done < n) {
    const ssize_t got = ::pread(FHandle->Fd, buffer + done, n - done,
                                static_cast<off_t>(offset + static_cast<int64_t>(done)));
    if (got == 0) break;
    if (got < 0) {
      if (errno == EINTR) continue;
      Fail("ファイルを読めません", FName, errno);
    }
    done += static_cast<size_t>(got);
  }
  return done;
}

bool ReadOnlyFile::Rereadable() const { return OnDisk() && Size() > 0; }

struct ChangeWatch::State {};

ChangeWatch::ChangeWatch(const std::filesystem::path&) {}
ChangeWatch::~ChangeWatch() = default;
bool ChangeWatch::Changed() { return false; }

bool ReadOnlyFile::OnDisk() const {
  struct stat st {};
  return ::fstat(FHandle->Fd, &st) == 0 && S_ISREG(st.st_mode);
}

FileIdentity ReadOnlyFile::Identity() const {
  struct stat st {};
  if (::fstat(FHandle->Fd, &st) != 0) Fail("ファイルを読めません", FName, errno);
  return {static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino)};
}

NewFile::NewFile(const std::filesystem::path& name) : FName(name) {
  const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) Fail("ファイルを作れません", name, errno);
  FHandle = std::make_unique<FileHandle>(fd);
}

NewFile::~NewFile() = default;

void NewFile::Write(const char* data, size_t n) {
  while (n > 0) {
    const ssize_t put = ::write(FHandle->Fd, data, n);
    if (put < 0) {
      if (errno == EINTR) continue;
      Fail("ファイルに書き込めません", FName, errno);
    }
    data += put;
    n -= static_cast<size_t>(put);
  }
}

void NewFile::Close() {
  // Closed here, so that what the close reports is seen.
  const int fd = std::exchange(FHandle->Fd, -1);
  if (::close(fd) != 0) Fail("ファイルに書き込めません", FName, errno);
}

namespace {

void WriteAll(int fd, std::string_view bytes, const std::filesystem::path& name) {
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t put = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (put < 0) {
      if (errno == EINTR) continue;
      Fail("ファイルに書き込めません", name, errno);
    }
    done += static_cast<size_t>(put);
  }
}

}  // namespace

void ReplaceFileContents(const std::filesystem::path& name, std::string_view bytes) {
  // A link is followed: the file it names gets the contents.
  std::error_code ec;
  std::filesystem::path target = std::filesystem::canonical(name, ec);
  if (ec) target = name;
  struct stat old {};
  const bool exists = ::stat(target.c_str(), &old) == 0;
  // A file the user made read-only stays as it is (whoever runs us).
  if (exists && (old.st_mode & 0222) == 0) Fail("ファイルに書き込めません", name, EACCES);
  std::string temp = (target.parent_path() / (target.filename().string() + ".XXXXXX")).string();
  const int fd = ::mkstemp(temp.data());
  if (fd < 0) {
    // No new file in that folder: in place, as a last resort.
    const int in = ::open(target.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
    if (in < 0) Fail("ファイルに書き込めません", name, errno);
    try {
      WriteAll(in, bytes, name);
      if (::ftruncate(in, static_cast<off_t>(bytes.size())) != 0)
        Fail("ファイルに書き込めません", name, errno);
    } catch (...) {
      ::close(in);
      throw;
    }
    if (::close(in) != 0) Fail("ファイルに書き込めません", name, errno);
    return;
  }
  bool open = true;
  try {
    WriteAll(fd, bytes, name);
    if (::fsync(fd) != 0) Fail("ファイルに書き込めません", name, errno);
    ::fchmod(fd, exists ? old.st_mode & 07777 : 0644);
    open = false;
    if (::close(fd) != 0) Fail("ファイルに書き込めません", name, errno);
    if (::rename(temp.c_str(), target.c_str()) != 0) Fail("ファイルに書き込めません", name, errno);
  } catch (...) {
    if (open) ::close(fd);
    ::unlink(temp.c_str());
    throw;
  }
}

bool FileExists(const std::filesystem::path& name) {
  struct stat st {};
  return ::stat(name.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

}  // namespace varlo::platform
