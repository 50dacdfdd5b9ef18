// LoadFromFile on a temporary file against the reference splitter. The
// first byte may push the rest of the input across the reader's 1 MiB
// block boundary, where CR LF pairs and 0x1A are handled across two reads.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <string>

#include "fuzz/store_check.h"

using namespace varlo;
using namespace varlo::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  std::string bytes;
  if ((data[0] & 3) == 0) bytes.assign((size_t{1} << 20) - (data[0] >> 2), 'p');
  bytes.append(reinterpret_cast<const char*>(data + 1), size - 1);

  static const std::string path = "/tmp/varlo-fuzz-" + std::to_string(getpid()) + ".txt";
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }
  TBvStrings store;
  store.Add("previous");
  store.LoadFromFile(path);
  CheckInvariants(store);
  Require(LinesOf(store) == SplitFile(bytes), "LoadFromFile follows the file rules");
  Require(store.Capacity() == store.Count(), "LoadFromFile trims the capacity");
  return 0;
}
