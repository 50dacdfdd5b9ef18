// A private-profile (INI) file, read and set key by key with the
// platform's lookup rules: sections and keys match without regard to ASCII
// case, blanks around names and values do not count, a value in matching
// quotes loses them, lines starting with ";" are comments. Values are
// Shift-JIS bytes as stored, whatever the system's code page: the
// platform's own profile calls would convert them through it. A file that
// an editor saved in UTF-8 or UTF-16 with a byte-order mark is read with its
// values converted to Shift-JIS, and written back in its own encoding, so
// nothing else in it is lost.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace varlo {

class TIniFile {
 public:
  explicit TIniFile(std::filesystem::path path);

  const std::filesystem::path& FileName() const { return FPath; }
  // The value, or `fallback` when the file, the section or the key is
  // missing. At most 1023 bytes of a value are seen.
  std::string ReadString(std::string_view section, std::string_view key, std::string_view fallback);
  // Sets one key, adding the section or the key as needed; it reads back
  // as given, blanks and quotes at its ends included. The file gets it with
  // UpdateFile.
  void WriteString(std::string_view section, std::string_view key, std::string_view value);
  // Writes what was set into the file, all at once; raises
  // "<file> に書き込めません" when the file cannot be written (it then
  // keeps what it held).
  void UpdateFile();

 private:
  enum class TEncoding : uint8_t { ShiftJis, Utf8, Utf16Le, Utf16Be };

  void Load();
  std::filesystem::path FPath;
  TEncoding FEncoding = TEncoding::ShiftJis;
  // Without line ends; Shift-JIS bytes, or UTF-8 for a file with a mark.
  std::vector<std::string> FLines;
  bool FLoaded = false;
};

}  // namespace varlo
