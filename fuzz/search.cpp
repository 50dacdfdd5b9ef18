// The fast search against the plain reading of a hit: every view line
// fetched, upper-cased when case does not count, and tested with MbsPos; the
// column is the first byte-wise occurrence. Random text, wrapping, edits to
// the lines (so that some are no longer views into the loaded text),
// patterns (often cut from the text, with their case changed), start lines
// and both directions.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <sstream>
#include <string>

#include "bigview/BigView.h"
#include "fuzz/store_check.h"
#include "platform/offscreen/backend.h"

using namespace varlo;
using namespace varlo::fuzz;

namespace {

// Reads the input a byte or a piece at a time; zeros once it is used up.
struct Input {
  std::string_view data;
  size_t at = 0;
  unsigned Byte() { return at < data.size() ? static_cast<unsigned char>(data[at++]) : 0; }
  std::string_view Piece(size_t n) {
    const std::string_view p = data.substr(std::min(at, data.size()), n);
    at += p.size();
    return p;
  }
};

struct Found {
  int64_t view = -1;
  int64_t column = 0;
  bool operator==(const Found&) const = default;
};

Found Plain(const TBigView& view, const std::string& pattern, bool matchCase, int64_t from,
            bool upward) {
  const std::string p = matchCase ? pattern : sjis::Upper(pattern);
  for (int64_t i = from; i >= 0 && i < view.ViewCount(); i += upward ? -1 : 1) {
    const std::string t =
        matchCase ? std::string(view.GetViewLine(i)) : sjis::Upper(view.GetViewLine(i));
    if (MbsPos(p, t) > 0) {
      const size_t at = t.find(p);
      return {i, at == std::string::npos ? 0 : static_cast<int64_t>(at) + 1};
    }
  }
  return {};
}

Found Fast(const TBigView& view, const std::string& pattern, bool matchCase, int64_t from,
           bool upward) {
  const TSearchPattern p(pattern, matchCase);
  const int64_t v = view.FindViewLine(p, from, upward);
  if (v < 0) return {};
  return {v, p.Column(view.GetViewLine(v))};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static offscreen::OffscreenBackend backend;
  SetCurrentBackend(&backend);
  Input in{std::string_view(reinterpret_cast<const char*>(data), size)};
  const unsigned flags = in.Byte();
  const unsigned wrap = in.Byte();
  const unsigned startPick = in.Byte();
  const unsigned patternPick = in.Byte();
  const unsigned edits = in.Byte() % 4;
  std::string literal(in.Piece(in.Byte() % 8));
  const std::string_view text = in.data.substr(std::min(in.at, in.data.size()));

  // One viewer for every run: making one costs far more than a search.
  static TWinControl host;
  static TBigView& view = []() -> TBigView& {
    host.SetBounds(0, 0, 400, 300);
    auto* v = new TBigView(&host);
    v->SetBvStyle(0);
    // 12 bytes a line when wrapping at the width; a small page keeps the
    // drawing that every change brings cheap.
    v->SetBounds(0, 0, 100, 32);
    v->SetMaxChar(1);
    v->HandleNeeded();
    return *v;
  }();
  view.SetWordWrap((flags & 4) != 0);
  view.SetWrapByte(wrap % 4 == 0 ? 0 : 2 + wrap % 23);
  std::istringstream stream{std::string(text)};
  view.LoadFromStream(stream);

  // Edits with pieces of the input, NULs and line ends included.
  Input pieces{text};
  for (unsigned e = 0; e < edits && view.ViewCount() > 0; ++e) {
    const int64_t v = static_cast<int64_t>(in.Byte() * 256 + in.Byte()) % view.ViewCount();
    const std::string piece(pieces.Piece(in.Byte() % 24));
    switch (in.Byte() % 4) {
      case 0: view.PutViewLine(v, piece); break;
      case 1: view.Insert(v, piece); break;
      case 2:
        if (view.ViewCount() > 1) view.Delete(v);
        break;
      default: view.Exchange(v, view.ViewCount() - 1); break;
    }
  }

  // Mostly a piece of the text itself, so that there are hits to find.
  std::string pattern = literal;
  if ((patternPick & 1) != 0 && !text.empty()) {
    const size_t at = (patternPick >> 1) * 37 % text.size();
    pattern = std::string(text.substr(at, 1 + (patternPick >> 4) % 6));
    if ((flags & 8) != 0) sjis::MakeLower(pattern);
  }
  const bool matchCase = (flags & 1) != 0;
  const int64_t views = view.ViewCount();
  const int64_t starts[] = {views > 0 ? static_cast<int64_t>(startPick) % views : 0, 0, views - 1};
  for (const int64_t from : starts)
    for (const bool upward : {false, true}) {
      const Found fast = Fast(view, pattern, matchCase, from, upward);
      const Found plain = Plain(view, pattern, matchCase, from, upward);
      if (fast == plain) continue;
      std::fprintf(stderr, "from %lld %s, case %d: fast %lld:%lld, plain %lld:%lld\n",
                   static_cast<long long>(from), upward ? "up" : "down", matchCase,
                   static_cast<long long>(fast.view), static_cast<long long>(fast.column),
                   static_cast<long long>(plain.view), static_cast<long long>(plain.column));
      for (int64_t i = 0; i < view.ViewCount(); ++i) {
        std::fprintf(stderr, "view %lld:", static_cast<long long>(i));
        for (const char c : view.GetViewLine(i)) std::fprintf(stderr, " %02x", c & 0xFF);
        std::fprintf(stderr, "\n");
      }
      std::fprintf(stderr, "pattern:");
      for (const char c : pattern) std::fprintf(stderr, " %02x", c & 0xFF);
      std::fprintf(stderr, "\n");
      Require(false, "the fast search finds the line and column of the plain one");
    }
  // The lines the edits gave the store are listed in memory taken straight
  // from the system, which the leak check does not look into: freed here,
  // not left to the next input, so that the last input leaves none.
  view.Clear();
  return 0;
}
