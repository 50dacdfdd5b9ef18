// A fresh folder per test, removed afterwards, and helpers to fill it.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace varlo::testing {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& Path() const { return FPath; }
  // Writes `bytes` to a file of that name in the folder and returns its path.
  std::filesystem::path Write(const std::filesystem::path& name, std::string_view bytes) const;

 private:
  std::filesystem::path FPath;
};

std::string ReadAll(const std::filesystem::path& name);
// Appends `bytes` to a file, as a program writing a log does.
void AppendTo(const std::filesystem::path& name, std::string_view bytes);

}  // namespace varlo::testing
