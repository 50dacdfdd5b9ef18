#include "platform/ini_file.h"

#include <fstream>
#include <iterator>

#include "platform/errors.h"
#include "platform/file.h"
#include "platform/text.h"

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

namespace {

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16LeMark = "\xFF\xFE";
constexpr std::string_view kUtf16BeMark = "\xFE\xFF";

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// UTF-16 bytes (after the mark) as UTF-8; a lone surrogate becomes U+FFFD.
std::string Utf8FromUtf16(std::string_view bytes, bool bigEndian) {
  std::string out;
  const auto unit = [&](size_t i) -> char32_t {
    const auto a = static_cast<unsigned char>(bytes[i]),
               b = static_cast<unsigned char>(bytes[i + 1]);
    return bigEndian ? (a << 8) | b : (b << 8) | a;
  };
  for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
    char32_t c = unit(i);
    if (c >= 0xD800 && c < 0xDC00 && i + 3 < bytes.size() && unit(i + 2) >= 0xDC00 &&
        unit(i + 2) < 0xE000) {
      c = 0x10000 + ((c - 0xD800) << 10) + (unit(i + 2) - 0xDC00);
      i += 2;
    } else if (c >= 0xD800 && c < 0xE000) {
      c = 0xFFFD;
    }
    AppendUtf8(out, c);
  }
  return out;
}

// UTF-8 as UTF-16 bytes; a malformed sequence becomes U+FFFD.
std::string Utf16FromUtf8(std::string_view utf8, bool bigEndian) {
  std::string out;
  const auto put = [&](char32_t u) {
    const auto hi = static_cast<char>(u >> 8), lo = static_cast<char>(u & 0xFF);
    out += bigEndian ? hi : lo;
    out += bigEndian ? lo : hi;
  };
  for (size_t i = 0; i < utf8.size();) {
    const auto b = static_cast<unsigned char>(utf8[i]);
    const size_t n = b < 0x80 ? 1 : (b >> 5) == 6 ? 2 : (b >> 4) == 14 ? 3 : (b >> 3) == 30 ? 4 : 0;
    char32_t c = 0xFFFD;
    if (n == 1) {
      c = b;
    } else if (n > 1 && i + n <= utf8.size()) {
      c = b & (0x7F >> n);
      for (size_t k = 1; k < n; ++k) {
        const auto t = static_cast<unsigned char>(utf8[i + k]);
        if ((t & 0xC0) != 0x80) c = 0xFFFD;
        if (c != 0xFFFD) c = (c << 6) | (t & 0x3F);
      }
    }
    i += n == 0 || i + n > utf8.size() ? 1 : n;
    if (c >= 0x10000 && c <= 0x10FFFF) {
      put(0xD800 + ((c - 0x10000) >> 10));
      put(0xDC00 + ((c - 0x10000) & 0x3FF));
    } else {
      put(c > 0x10FFFF ? 0xFFFD : c);
    }
  }
  return out;
}

}  // namespace

void TIniFile::Load() {
  FLines.clear();
  FLoaded = true;
  FEncoding = TEncoding::ShiftJis;
  // What is no file (missing, or a folder in its place) holds no keys.
  std::error_code error;
  if (!std::filesystem::is_regular_file(FPath, error)) return;
  std::ifstream in(FPath, std::ios::binary);
  if (!in) return;
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const std::string_view all(text);
  if (all.starts_with(kUtf8Mark)) {
    FEncoding = TEncoding::Utf8;
    text.erase(0, kUtf8Mark.size());
  } else if (all.starts_with(kUtf16LeMark) || all.starts_with(kUtf16BeMark)) {
    const bool big = all.starts_with(kUtf16BeMark);
    FEncoding = big ? TEncoding::Utf16Be : TEncoding::Utf16Le;
    text = Utf8FromUtf16(all.substr(2), big);
  }
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    FLines.push_back(std::move(line));
    start = end + 1;
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
      const std::string value =
          FEncoding == TEncoding::ShiftJis ? std::string(v) : ShiftJisFromUtf8(v);
      return value.substr(0, kValueBuffer - 1);
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
  const std::string stored =
      FEncoding == TEncoding::ShiftJis ? std::string(value) : Utf8FromShiftJis(value);
  const std::string entry = std::string(key) + "=" + Protected(stored);
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
  switch (FEncoding) {
    case TEncoding::ShiftJis: break;
    case TEncoding::Utf8: text.insert(0, kUtf8Mark); break;
    case TEncoding::Utf16Le: text = std::string(kUtf16LeMark) + Utf16FromUtf8(text, false); break;
    case TEncoding::Utf16Be: text = std::string(kUtf16BeMark) + Utf16FromUtf8(text, true); break;
  }
  try {
    platform::ReplaceFileContents(FPath, text);
  } catch (const InOutError&) {
    throw Exception(Utf8FromPath(FPath) + " に書き込めません");
  }
}

}  // namespace varlo
