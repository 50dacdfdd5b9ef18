// File access for the program: names are std::filesystem::path, so a name in
// any script opens (wide names in the Win32 build). Errors raise InOutError
// with the file's name and the platform's cause.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string_view>

namespace varlo::platform {

// Which file a handle refers to, whatever name it has now.
struct FileIdentity {
  uint64_t Volume = 0, Index = 0;
  bool operator==(const FileIdentity&) const = default;
};
// The platform's handle of an open file, in its owning type: closed when
// the file object goes.
struct FileHandle;

// A file opened for reading only, sharing read, write and delete: a program
// that is still writing a log is never blocked by the viewer.
class ReadOnlyFile {
 public:
  explicit ReadOnlyFile(const std::filesystem::path& name);
  ~ReadOnlyFile();
  ReadOnlyFile(const ReadOnlyFile&) = delete;
  ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;

  // The size now; another program may still change it.
  int64_t Size() const;
  // Reads up to n bytes at the current position; 0 means the end.
  size_t Read(char* buffer, size_t n);
  // Reads up to n bytes from `offset` on, leaving the position alone; fewer
  // only where the file ends. Several threads may read at once.
  size_t ReadAt(int64_t offset, char* buffer, size_t n) const;
  // A file on disk whose bytes can be read again, at any offset, later: not
  // a pipe, nor a file the system makes up as it is read (which tells a
  // size of 0).
  bool Rereadable() const;
  // A file on disk, which may be empty: one that can be opened again by
  // its name without waiting for a writer.
  bool OnDisk() const;
  FileIdentity Identity() const;
  const std::filesystem::path& Name() const { return FName; }

 private:
  std::filesystem::path FName;
  std::unique_ptr<FileHandle> FHandle;
};

// A file created or truncated for writing.
class NewFile {
 public:
  explicit NewFile(const std::filesystem::path& name);
  ~NewFile();
  NewFile(const NewFile&) = delete;
  NewFile& operator=(const NewFile&) = delete;

  void Write(const char* data, size_t n);
  // Flushes and closes, raising what the close reports; the destructor
  // closes silently.
  void Close();

 private:
  std::filesystem::path FName;
  std::unique_ptr<FileHandle> FHandle;
};

// Gives a file new contents in one step, for a small file the program owns
// (its settings): the bytes go to a new file of a unique name beside it,
// which then takes the old one's place with its attributes. Another writer
// doing the same at the same time never mixes with this one, and a failed
// write leaves the old contents whole. Where the folder takes no new file,
// the file is rewritten in place. Raises InOutError.
void ReplaceFileContents(const std::filesystem::path& name, std::string_view bytes);

// The system's word that something in a file's folder changed, where it
// gives one: Changed is true once after each such word. Without it (the
// native build, a folder that cannot be watched) it is never true, and the
// caller looks at the file on its own as well.
class ChangeWatch {
 public:
  explicit ChangeWatch(const std::filesystem::path& file);
  ~ChangeWatch();
  ChangeWatch(const ChangeWatch&) = delete;
  ChangeWatch& operator=(const ChangeWatch&) = delete;

  bool Changed();

 private:
  struct State;
  std::unique_ptr<State> FState;
};

// True when `name` names an existing file (not a directory).
bool FileExists(const std::filesystem::path& name);

}  // namespace varlo::platform
