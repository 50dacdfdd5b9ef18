// What every fuzzer checks of the line store, and reference splitters that
// follow the line rules byte by byte without any of the store's shortcuts.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "bigview/line_store.h"

namespace varlo::fuzz {

using Lines = std::vector<std::string>;

Lines LinesOf(const TBvStrings& store);

// Count and capacity within their limits, and every line readable.
void CheckInvariants(const TBvStrings& store);

// The rules of SetTextStr and LoadFromStream.
Lines SplitText(std::string_view text);
// The rules of LoadFromFile.
Lines SplitFile(std::string_view bytes);

// Stops the fuzzer with a message when a check fails.
void Require(bool ok, const char* what);

}  // namespace varlo::fuzz
