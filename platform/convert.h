// The run-time's conversions of text to numbers and colours, as settings,
// dialogs and commands use them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/errors.h"
#include "platform/types.h"

namespace varlo {

// "'<text>' は整数ではありません": a text that is not an integer.
class ConvertError : public Exception {
 public:
  explicit ConvertError(std::string_view shiftJisText);
};

// The standard integer parse: leading blanks, an optional sign, then
// decimal digits or "$" and hexadecimal digits, to the end of the text.
// Decimal values must fit 32 bits; hexadecimal ones up to $FFFFFFFF are
// taken as 32-bit patterns. Empty when the text is no integer.
std::optional<int32_t> ParseInteger(std::string_view text);
// The same, raising ConvertError.
int32_t StrToInt(std::string_view text);
// As the settings file reads integers: more than two characters starting
// with "0x" or "0X" are hexadecimal; anything unparsable gives `fallback`.
int32_t IniInteger(std::string_view text, int32_t fallback);

// A colour by name (clBlack ... clInfoBk, clNone; any case) or as integer
// text; raises ConvertError for anything else.
TColor StringToColor(std::string_view text);
// The colour's name when it has one, else "$" and eight upper-case digits.
std::string ColorToString(TColor color);

}  // namespace varlo
