#include "platform/text.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <stdexcept>

#include "platform/cp932.h"

namespace varlo {
namespace {

// glibc's converter for the Windows flavour of Shift-JIS.
class Converter {
 public:
  Converter(const char* to, const char* from) : FCd(iconv_open(to, from)) {
    if (FCd == reinterpret_cast<iconv_t>(-1))
      throw std::runtime_error("no converter for code page 932");
  }
  ~Converter() { iconv_close(FCd); }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  // Converts, putting `fallback` for each input unit it cannot take
  // (`skip` bytes of it).
  std::string Run(std::string_view in, std::string_view fallback, size_t skip, bool* lossless) {
    iconv(FCd, nullptr, nullptr, nullptr, nullptr);
    std::string out;
    char buffer[4096];
    auto* src = const_cast<char*>(in.data());
    size_t left = in.size();
    if (lossless) *lossless = true;
    while (left > 0) {
      char* dst = buffer;
      size_t room = sizeof buffer;
      const size_t r = iconv(FCd, &src, &left, &dst, &room);
      out.append(buffer, static_cast<size_t>(dst - buffer));
      if (r == static_cast<size_t>(-1) && errno != E2BIG) {
        out.append(fallback);
        const size_t n = std::min(left, skip);
        src += n;
        left -= n;
        if (lossless) *lossless = false;
      }
    }
    return out;
  }

 private:
  iconv_t FCd;
};

size_t Utf8Length(unsigned char lead) {
  return lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
}

}  // namespace

std::string Utf8FromShiftJis(std::string_view shiftJis) {
  thread_local Converter c("UTF-8", "CP932");
  std::string out;
  // A character at a time, so that an undefined one becomes one
  // replacement, as the platform's conversion does.
  for (size_t i = 0; i < shiftJis.size();) {
    const size_t n =
        IsLeadByte932(static_cast<unsigned char>(shiftJis[i])) && i + 1 < shiftJis.size() ? 2 : 1;
    out += c.Run(shiftJis.substr(i, n), "\xE3\x83\xBB", n, nullptr);
    i += n;
  }
  return out;
}

std::string ShiftJisFromUtf8(std::string_view utf8, bool* lossless) {
  thread_local Converter c("CP932", "UTF-8");
  bool ok = true;
  std::string out;
  size_t i = 0;
  while (i < utf8.size()) {
    const size_t n = std::min(Utf8Length(static_cast<unsigned char>(utf8[i])), utf8.size() - i);
    bool one = true;
    out += c.Run(utf8.substr(i, n), "?", n, &one);
    ok = ok && one;
    i += n;
  }
  if (lossless) *lossless = ok;
  return out;
}

}  // namespace varlo
