// SetTextStr and LoadFromStream against the reference splitter, and the
// text written back by GetTextStr and SaveToStream.
#include <cstddef>
#include <cstdint>
#include <sstream>

#include "fuzz/store_check.h"

using namespace varlo;
using namespace varlo::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const Lines expected = SplitText(text);

  TBvStrings store;
  store.Add("previous");
  store.SetTextStr(text);
  CheckInvariants(store);
  Require(LinesOf(store) == expected, "SetTextStr follows the text rules");
  Require(store.Capacity() == store.Count(), "SetTextStr trims the capacity");

  std::istringstream stream{std::string(text)};
  TBvStrings fromStream;
  fromStream.LoadFromStream(stream);
  CheckInvariants(fromStream);
  Require(LinesOf(fromStream) == expected, "LoadFromStream follows the text rules");

  std::ostringstream out;
  store.SaveToStream(out);
  Require(out.str() == store.GetTextStr(), "SaveToStream writes GetTextStr");
  // Lines hold no line ends, so the text reads back to the same lines.
  TBvStrings back;
  back.SetTextStr(store.GetTextStr());
  Require(LinesOf(back) == expected || (expected.size() == 1 && expected[0].empty()),
          "GetTextStr reads back");
  return 0;
}
