// SetCommaText, then GetCommaText and back: the items survive the round
// trip except a last empty item, which the comma form cannot express.
#include <cstddef>
#include <cstdint>

#include "fuzz/store_check.h"

using namespace varlo;
using namespace varlo::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  TBvStrings store;
  store.SetCommaText(text);
  CheckInvariants(store);
  Lines items = LinesOf(store);
  for (const auto& item : items)
    Require(item.find_first_of(std::string("\r\"\0", 3)) == std::string::npos,
            "items hold no CR, quote or NUL");

  const std::string comma = store.GetCommaText();
  TBvStrings back;
  back.SetCommaText(comma);
  CheckInvariants(back);
  if (!items.empty() && items.back().empty()) items.pop_back();
  Require(LinesOf(back) == items, "comma text round trip");
  return 0;
}
