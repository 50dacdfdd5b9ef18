#include "platform/ini_file.h"

#include <fstream>

#include "platform/application.h"
#include "platform/errors.h"
#include "platform/file.h"

namespace varlo {
namespace {

constexpr size_t kValueBuffer = 1024;

std::string_view Trim(std::string_view s) {
  const auto blank = [](char c) { return c == ' ' || c == '\t'; };
  while (!s.empty() && blank(s.front())) s.remove_prefix(1);
  while (!s.empty() && blank(s.back())) s.remove_suffix(1);
  return s;
}

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

// The section a line opens, if it is a section line.
bool SectionOf(std::string_view line, std::string_view& name) {
  line = Trim(line);
  if (line.size() < 2 || line.front() != '[') return false;
  const size_t close = line.find(']');
  if (close == std::string_view::npos) return false;
  name = Trim(line.substr(1, close - 1));
  return true;
}

// Key and value of a key line.
bool KeyOf(std::string_view line, std::string_view& key, std::string_view& value) {
  const std::string_view t = Trim(line);
  if (t.empty() || t.front() == ';' || t.front() == '[') return false;
  const size_t eq = t.find('=');
  if (eq == std::string_view::npos) {
    key = t;
    value = {};
  } else {
    key = Trim(t.substr(0, eq));
    value = Trim(t.substr(eq + 1));
  }
  return true;
}

}  // namespace

TIniFile::TIniFile(std::filesystem::path path) : FPath(std::move(path)) {}

void TIniFile::Load() {
  FLines.clear();
  FLoaded = true;
  std::ifstream in(FPath, std::ios::binary);
  if (!in) return;
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    FLines.push_back(line);
  }
}

std::string TIniFile::ReadString(std::string_view section, std::string_view key,
                                 std::string_view fallback) {
  if (!FLoaded) Load();
  bool inSection = false;
  for (const std::string& line : FLines) {
    std::string_view name, k, v;
    if (SectionOf(line, name)) {
      inSection = SameName(name, section);
    } else if (inSection && KeyOf(line, k, v) && SameName(k, key)) {
      if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        v = v.substr(1, v.size() - 2);
      return std::string(v.substr(0, kValueBuffer - 1));
    }
  }
  return std::string(fallback.substr(0, kValueBuffer - 1));
}

namespace {

// Reading takes the blanks off a value's ends and one pair of matching
// quotes off the value: a value that would lose either (a launcher option
// "%f", a search text with a blank at its end) is written in quotes of its
// own, which reading takes off again.
std::string Protected(std::string_view value) {
  const auto blank = [](char c) { return c == ' ' || c == '\t'; };
  const bool quoted = value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
                      value.back() == value.front();
  if (!value.empty() && (quoted || blank(value.front()) || blank(value.back())))
    return "\"" + std::string(value) + "\"";
  return std::string(value);
}

}  // namespace

void TIniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
  if (!FLoaded) Load();
  const std::string entry = std::string(key) + "=" + Protected(value);
  bool inSection = false;
  size_t sectionEnd = std::string::npos;  // where a new key of the section goes
  for (size_t i = 0; i < FLines.size(); ++i) {
    std::string_view name, k, v;
    if (SectionOf(FLines[i], name)) {
      if (inSection) break;
      inSection = SameName(name, section);
      if (inSection) sectionEnd = i + 1;
    } else if (inSection && KeyOf(FLines[i], k, v)) {
      if (SameName(k, key)) {
        FLines[i] = entry;
        return;
      }
      sectionEnd = i + 1;
    }
  }
  if (sectionEnd != std::string::npos) {
    FLines.insert(FLines.begin() + static_cast<std::ptrdiff_t>(sectionEnd), entry);
  } else {
    FLines.push_back("[" + std::string(section) + "]");
    FLines.push_back(entry);
  }
}

void TIniFile::UpdateFile() {
  if (!FLoaded) Load();
  std::string text;
  for (const std::string& l : FLines) text += l + "\r\n";
  try {
    platform::ReplaceFileContents(FPath, text);
  } catch (const InOutError&) {
    throw Exception(Utf8FromPath(FPath) + " に書き込めません");
  }
}

}  // namespace varlo
