// Writes a deterministic Shift-JIS corpus for the benchmarks: log-like lines
// mixing Japanese and ASCII, CR LF line ends, tabs, empty lines, a few very
// long lines and a few lone LF bytes. The same size gives the same bytes on
// every machine.
//
//   varlo-gen-corpus SIZE_MiB OUTPUT
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

// splitmix64: fixed arithmetic, unlike the standard distributions.
struct Random {
  uint64_t state;
  uint64_t Next() {
    uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  unsigned Below(unsigned n) { return static_cast<unsigned>(Next() % n); }
};

void Hiragana(std::string& s, Random& r) {
  s += '\x82';
  s += static_cast<char>(0x9F + r.Below(0xF1 - 0x9F + 1));
}

void Katakana(std::string& s, Random& r) {
  s += '\x83';
  unsigned t = 0x40 + r.Below(0x96 - 0x40);
  if (t >= 0x7F) ++t;
  s += static_cast<char>(t);
}

void Kanji(std::string& s, Random& r) {
  // JIS level 1 and 2 kanji: leads 0x88..0x9F and 0xE0..0xEA.
  unsigned lead = 0x89 + r.Below(0x9F - 0x89 + 1 + 0xEA - 0xE0 + 1);
  if (lead > 0x9F) lead += 0xE0 - 0xA0;
  unsigned trail = 0x40 + r.Below(0xFC - 0x40);
  if (trail >= 0x7F) ++trail;
  s += static_cast<char>(lead);
  s += static_cast<char>(trail);
}

void Japanese(std::string& s, Random& r, unsigned chars) {
  for (unsigned i = 0; i < chars; ++i) {
    const unsigned k = r.Below(10);
    if (k < 4)
      Hiragana(s, r);
    else if (k < 6)
      Katakana(s, r);
    else if (k < 9)
      Kanji(s, r);
    else
      s += r.Below(2) ? "\x81\x41" : "\x81\x42";  // 、 。
  }
}

const char* const kWords[] = {"INFO",   "WARN", "ERROR", "user",  "id",    "request", "done",
                              "select", "from", "where", "count", "value", "path",    "size"};

void Ascii(std::string& s, Random& r, unsigned words) {
  for (unsigned i = 0; i < words; ++i) {
    if (i > 0) s += r.Below(8) == 0 ? '\t' : ' ';
    if (r.Below(3) == 0)
      s += std::to_string(r.Below(100000));
    else
      s += kWords[r.Below(sizeof kWords / sizeof kWords[0])];
  }
}

void Line(std::string& s, Random& r, uint64_t n) {
  const unsigned kind = r.Below(100);
  if (kind < 8) return;  // empty line
  if (n % 20011 == 20010) {
    // A very long line: a dump or a joined record.
    const unsigned parts = 400 + r.Below(3000);
    for (unsigned i = 0; i < parts; ++i) {
      Ascii(s, r, 2);
      Japanese(s, r, 8);
    }
    return;
  }
  char stamp[32];
  std::snprintf(stamp, sizeof stamp, "2026-%02u-%02u %02u:%02u:%02u\t", 1 + r.Below(12),
                1 + r.Below(28), r.Below(24), r.Below(60), r.Below(60));
  s += stamp;
  if (kind < 40) {
    Ascii(s, r, 2 + r.Below(6));
    s += ' ';
    Japanese(s, r, 3 + r.Below(20));
  } else if (kind < 70) {
    Japanese(s, r, 5 + r.Below(30));
  } else {
    Ascii(s, r, 3 + r.Below(10));
  }
  if (n % 9973 == 9972) s += '\n';  // a lone LF stays inside the line
  if (kind % 3 == 0) {
    s += '\t';
    Japanese(s, r, 1 + r.Below(6));
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s SIZE_MiB OUTPUT\n", argv[0]);
    return 2;
  }
  const uint64_t target = std::strtoull(argv[1], nullptr, 10) << 20;
  FILE* out = std::fopen(argv[2], "wb");
  if (out == nullptr) {
    std::perror(argv[2]);
    return 1;
  }
  Random r{0x5641524C4F};  // fixed seed
  std::string block, line;
  uint64_t written = 0;
  for (uint64_t n = 0; written < target; ++n) {
    line.clear();
    Line(line, r, n);
    line += "\r\n";
    if (written + line.size() > target) {
      // Fill the last line with ASCII so the file has exactly the size asked.
      const uint64_t room = target - written;
      line = room >= 2 ? std::string(room - 2, 'x') + "\r\n" : std::string(room, 'x');
    }
    block += line;
    written += line.size();
    if (block.size() >= (1u << 20) || written >= target) {
      if (std::fwrite(block.data(), 1, block.size(), out) != block.size()) {
        std::perror(argv[2]);
        return 1;
      }
      block.clear();
    }
  }
  return std::fclose(out) == 0 ? 0 : 1;
}
