// The run-time's integer conversion, the settings file's integers, the jump
// text and the colour texts against plain readings of their rules.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "fuzz/store_check.h"
#include "platform/convert.h"

using namespace varlo;
using namespace varlo::fuzz;

namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Leading blanks, an optional sign, then decimal digits or "$" and
// hexadecimal digits, to the end. Decimal values fit 32 bits with their
// sign; hexadecimal ones are 32-bit patterns up to $FFFFFFFF.
std::optional<int32_t> Model(std::string_view t) {
  size_t i = 0;
  while (i < t.size() && t[i] == ' ') ++i;
  bool negative = false;
  if (i < t.size() && (t[i] == '+' || t[i] == '-')) negative = t[i++] == '-';
  const bool hex = i < t.size() && t[i] == '$';
  if (hex) ++i;
  if (i == t.size()) return std::nullopt;
  int64_t value = 0;
  for (; i < t.size(); ++i) {
    const int d = hex ? HexDigit(t[i]) : (t[i] >= '0' && t[i] <= '9' ? t[i] - '0' : -1);
    if (d < 0) return std::nullopt;
    value = value * (hex ? 16 : 10) + d;
    if (value > (hex ? int64_t{0xFFFFFFFF} : int64_t{0x80000000})) return std::nullopt;
  }
  if (hex) {
    const auto pattern = static_cast<int32_t>(static_cast<uint32_t>(value));
    return negative ? static_cast<int32_t>(0u - static_cast<uint32_t>(pattern)) : pattern;
  }
  if (negative) return static_cast<int32_t>(-value);
  if (value > INT32_MAX) return std::nullopt;
  return static_cast<int32_t>(value);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const std::optional<int32_t> parsed = ParseInteger(text);
  const std::optional<int32_t> model = Model(text);
  Require(parsed.has_value() == model.has_value(), "an integer exactly when the rules say so");
  if (parsed) Require(*parsed == *model, "the integer the rules give");
  try {
    const int32_t n = StrToInt(text);
    Require(parsed && n == *parsed, "StrToInt agrees");
  } catch (const ConvertError&) {
    Require(!parsed, "StrToInt raises only for no integer");
  }
  // The settings file: "0x" and more is hexadecimal; anything else that is
  // no integer is the default.
  const int32_t fallback = -7;
  const int32_t ini = IniInteger(text, fallback);
  if (text.size() > 2 && (text.starts_with("0x") || text.starts_with("0X"))) {
    const std::optional<int32_t> hex = Model("$" + std::string(text.substr(2)));
    Require(ini == (hex ? *hex : fallback), "0x texts are hexadecimal");
  } else {
    Require(ini == (model ? *model : fallback), "other texts as the run-time reads them");
  }
  // A colour text turns into a colour whose own text turns into it again.
  try {
    const TColor colour = StringToColor(text);
    Require(StringToColor(ColorToString(colour)) == colour, "colour texts round-trip");
  } catch (const ConvertError&) {
  }
  return 0;
}
