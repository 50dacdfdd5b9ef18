// A file left where it is and read back through the block cache, against
// the reference splitter: blocks, chunks and the cache of random sizes,
// reads of random lines and pieces of lines, then a byte of the file
// changed or the file cut. A read gives the line as it was indexed or
// says the file changed; it never gives anything else, and a line whose
// blocks are untouched still reads.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "bigview/file_text.h"
#include "fuzz/store_check.h"

using namespace varlo;
using namespace varlo::fuzz;

namespace {

// Line i's text offset and length in the file, by the reference rules.
struct Place {
  size_t start, length;
};
std::vector<Place> PlacesOf(std::string_view bytes) {
  std::vector<Place> places;
  size_t pos = 0;
  while (pos < bytes.size() && bytes[pos] != 0x1A) {
    size_t end = pos;
    while (end < bytes.size() && bytes[end] != '\r' && bytes[end] != 0x1A) ++end;
    places.push_back({pos, end - pos});
    pos = end;
    if (pos < bytes.size() && bytes[pos] == '\r' && ++pos < bytes.size() && bytes[pos] == '\n')
      ++pos;
  }
  return places;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 4) return 0;
  TIndexSizes sizes;
  sizes.Block = size_t{1} << (4 + data[0] % 8);
  sizes.Chunk = sizes.Block * (1 + data[1] % 8);
  sizes.Cache = sizes.Block * (4 + data[2] % 8);
  sizes.InMemory = 0;
  sizes.Threads = 1 + data[2] / 128;
  std::mt19937 random(data[3]);
  const std::string bytes(reinterpret_cast<const char*>(data + 4), size - 4);

  static const std::string path = "/tmp/varlo-fuzz-cache-" + std::to_string(getpid()) + ".txt";
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }
  TBvStrings store;
  store.LoadFromFile(path, sizes);
  const Lines model = SplitFile(bytes);
  CheckInvariants(store);
  Require(LinesOf(store) == model, "the file's lines read back as the rules give them");
  if (model.empty()) return 0;

  const auto line = [&] { return static_cast<int64_t>(random() % model.size()); };
  for (int i = 0; i < 32; ++i) {
    const int64_t k = line();
    const std::string& want = model[static_cast<size_t>(k)];
    const size_t from = want.empty() ? 0 : random() % want.size();
    const size_t n = random() % (want.size() - from + 1);
    Require(store.Bytes(k, from, n) == want.substr(from, n), "a piece of a line reads back");
  }

  // The file changes underneath: one byte, or cut short.
  const std::vector<Place> places = PlacesOf(bytes);
  const size_t at = random() % bytes.size();
  const bool cut = random() % 2 == 0;
  if (cut) {
    std::filesystem::resize_file(path, at);
  } else {
    std::fstream out(path, std::ios::binary | std::ios::in | std::ios::out);
    out.seekp(static_cast<std::streamoff>(at));
    out.put(static_cast<char>(bytes[at] ^ 0x40));
  }
  const size_t changed = at / sizes.Block * sizes.Block;
  for (int i = 0; i < 32; ++i) {
    const int64_t k = line();
    const Place p = places[static_cast<size_t>(k)];
    // Blocks from the changed one on are different or gone when cut.
    const bool touched =
        p.length > 0 && (cut ? p.start + p.length > changed
                             : p.start < changed + sizes.Block && p.start + p.length > changed);
    try {
      Require(store.Get(k) == model[static_cast<size_t>(k)], "a line reads as it was indexed");
    } catch (const TextChangedError&) {
      Require(touched, "only a line in a changed block reads as changed");
    }
  }
  return 0;
}
