#include "platform/convert.h"

#include <cctype>
#include <cstdio>

#include "platform/text.h"

namespace varlo {
namespace {

struct NamedColor {
  const char* name;
  TColor value;
};

constexpr NamedColor kColors[] = {
    {"clBlack", 0x00000000},         {"clMaroon", 0x00000080},
    {"clGreen", 0x00008000},         {"clOlive", 0x00008080},
    {"clNavy", 0x00800000},          {"clPurple", 0x00800080},
    {"clTeal", 0x00808000},          {"clGray", 0x00808080},
    {"clSilver", 0x00C0C0C0},        {"clRed", 0x000000FF},
    {"clLime", 0x0000FF00},          {"clYellow", 0x0000FFFF},
    {"clBlue", 0x00FF0000},          {"clFuchsia", 0x00FF00FF},
    {"clAqua", 0x00FFFF00},          {"clWhite", 0x00FFFFFF},
    {"clScrollBar", 0x80000000},     {"clBackground", 0x80000001},
    {"clActiveCaption", 0x80000002}, {"clInactiveCaption", 0x80000003},
    {"clMenu", 0x80000004},          {"clWindow", 0x80000005},
    {"clWindowFrame", 0x80000006},   {"clMenuText", 0x80000007},
    {"clWindowText", 0x80000008},    {"clCaptionText", 0x80000009},
    {"clActiveBorder", 0x8000000A},  {"clInactiveBorder", 0x8000000B},
    {"clAppWorkSpace", 0x8000000C},  {"clHighlight", 0x8000000D},
    {"clHighlightText", 0x8000000E}, {"clBtnFace", 0x8000000F},
    {"clBtnShadow", 0x80000010},     {"clGrayText", 0x80000011},
    {"clBtnText", 0x80000012},       {"clInactiveCaptionText", 0x80000013},
    {"clBtnHighlight", 0x80000014},  {"cl3DDkShadow", 0x80000015},
    {"cl3DLight", 0x80000016},       {"clInfoText", 0x80000017},
    {"clInfoBk", 0x80000018},        {"clNone", 0x1FFFFFFF},
};

bool SameText(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

namespace {

// The text as a message shows it: a control character (a NUL would end the
// message) as "?".
std::string Shown(std::string_view shiftJis) {
  std::string utf8 = Utf8FromShiftJis(shiftJis);
  for (char& c : utf8)
    if (static_cast<unsigned char>(c) < 0x20) c = '?';
  return utf8;
}

}  // namespace

ConvertError::ConvertError(std::string_view text)
    : Exception("'" + Shown(text) + "' は整数ではありません") {}

std::optional<int32_t> ParseInteger(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  if (i >= text.size()) return std::nullopt;
  if (text[i] == '$') {
    if (++i >= text.size()) return std::nullopt;
    uint64_t v = 0;
    for (; i < text.size(); ++i) {
      const int d = HexDigit(text[i]);
      if (d < 0) return std::nullopt;
      v = v * 16 + static_cast<uint64_t>(d);
      if (v > 0xFFFFFFFFull) return std::nullopt;
    }
    const auto bits = static_cast<uint32_t>(v);
    return static_cast<int32_t>(negative ? 0u - bits : bits);
  }
  int64_t v = 0;
  for (; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') return std::nullopt;
    v = v * 10 + (text[i] - '0');
    if (v > int64_t{INT32_MAX} + 1) return std::nullopt;
  }
  if (negative) v = -v;
  if (v < INT32_MIN || v > INT32_MAX) return std::nullopt;
  return static_cast<int32_t>(v);
}

int32_t StrToInt(std::string_view text) {
  if (const auto v = ParseInteger(text)) return *v;
  throw ConvertError(text);
}

int32_t IniInteger(std::string_view text, int32_t fallback) {
  std::string t(text);
  if (t.size() > 2 && t[0] == '0' && (t[1] == 'x' || t[1] == 'X')) t = "$" + t.substr(2);
  return ParseInteger(t).value_or(fallback);
}

TColor StringToColor(std::string_view text) {
  for (const NamedColor& c : kColors)
    if (SameText(text, c.name)) return c.value;
  return static_cast<TColor>(StrToInt(text));
}

std::string ColorToString(TColor color) {
  for (const NamedColor& c : kColors)
    if (c.value == color) return c.name;
  char s[16];
  std::snprintf(s, sizeof s, "$%.8X", static_cast<unsigned>(color));
  return s;
}

}  // namespace varlo
