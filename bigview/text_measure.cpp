#include "bigview/text_measure.h"

#include <string>

#include "bigview/byte_scan.h"
#include "bigview/sjis.h"

namespace varlo {

void TextMeasure::Reset(TCanvas& measuring) {
  // Every single byte and every lead byte with every second byte, measured
  // in one batch.
  std::vector<char> bytes;
  std::vector<std::string_view> texts;
  bytes.reserve(256 + 2 * 60 * 256);
  for (int b = 0; b < 256; ++b) bytes.push_back(static_cast<char>(b));
  for (int lead = 0x81; lead <= 0xFC; ++lead) {
    if (!sjis::IsLeadByte(static_cast<unsigned char>(lead))) continue;
    for (int trail = 0; trail < 256; ++trail) {
      bytes.push_back(static_cast<char>(lead));
      bytes.push_back(static_cast<char>(trail));
    }
  }
  texts.reserve(256 + 60 * 256);
  for (int b = 0; b < 256; ++b) texts.emplace_back(bytes.data() + b, 1);
  for (size_t at = 256; at < bytes.size(); at += 2) texts.emplace_back(bytes.data() + at, 2);
  std::vector<int> widths(texts.size());
  measuring.TextWidths(texts, widths);

  for (int b = 0; b < 256; ++b) FSingle[b] = static_cast<int16_t>(widths[static_cast<size_t>(b)]);
  FDouble.assign(65536, 0);
  for (size_t i = 256; i < texts.size(); ++i) {
    const auto lead = static_cast<unsigned char>(texts[i][0]);
    const auto trail = static_cast<unsigned char>(texts[i][1]);
    FDouble[static_cast<size_t>(lead << 8 | trail)] = static_cast<int16_t>(widths[i]);
  }

  FWidestByte = 0;
  for (int b = 0; b < 256; ++b)
    if (b != '\t') FWidestByte = std::max<int>(FWidestByte, FSingle[b]);
  for (const int16_t w : FDouble) FWidestByte = std::max<int>(FWidestByte, (w + 1) / 2);

  // Uniform when every byte from 0x20 up advances the same width, alone or
  // as half of a pair; control bytes may differ and are measured one by one.
  FByteWidth = FSingle[static_cast<unsigned char>('x')];
  FUniform = FByteWidth > 0;
  for (int b = 0x20; b < 256 && FUniform; ++b) FUniform = FSingle[b] == FByteWidth;
  FOnlyTabs = FUniform;
  for (int b = 0; b < 0x20 && FOnlyTabs; ++b) FOnlyTabs = b == '\t' || FSingle[b] == FByteWidth;
  for (int lead = 0x81; lead <= 0xFC && FUniform; ++lead) {
    if (!sjis::IsLeadByte(static_cast<unsigned char>(lead))) continue;
    for (int trail = 0; trail < 256 && FUniform; ++trail)
      FUniform = FDouble[static_cast<size_t>(lead << 8 | trail)] == 2 * FByteWidth;
  }
  FReady = true;
}

void TextMeasure::SetTabDistance(int64_t pixels) {
  FTab = pixels;
  FTabMagic = pixels > 0 ? ~uint64_t{0} / static_cast<uint64_t>(pixels) + 1 : 0;
}

int TextMeasure::CharWidth(std::string_view ch) const {
  if (ch.size() == 2 && !FDouble.empty())
    return FDouble[static_cast<size_t>(static_cast<unsigned char>(ch[0]) << 8 |
                                       static_cast<unsigned char>(ch[1]))];
  return FSingle[static_cast<unsigned char>(ch[0])];
}

int64_t TextMeasure::Width(std::string_view text) const {
  if (!FReady) return 0;
  return FUniform ? UniformWidth(text) : WalkWidth(text);
}

int64_t TextMeasure::WalkWidth(std::string_view text) const {
  int64_t x = 0;
  const size_t n = text.size();
  for (size_t i = 0; i < n;) {
    const auto b = static_cast<unsigned char>(text[i]);
    if (sjis::IsLeadByte(b) && i + 1 < n) {
      x += FDouble[static_cast<size_t>(b << 8 | static_cast<unsigned char>(text[i + 1]))];
      i += 2;
    } else {
      x = b == '\t' ? TabEnd(x) : x + FSingle[b];
      ++i;
    }
  }
  return x;
}

template <class F>
[[gnu::always_inline]] inline void TextMeasure::ForEachSpecial(std::string_view text,
                                                               F&& special) const {
  // A tab or control byte right after a lead byte is that character's
  // second half, nothing special.
  size_t start = 0;  // a character start at or before the next byte found
  const auto found = [&](size_t p) __attribute__((always_inline)) {
    // After a byte outside the lead ranges a character starts.
    if (p > start && sjis::IsLeadByte(static_cast<unsigned char>(text[p - 1])) &&
        sjis::ByteKindFrom(text, start, p) == sjis::kTrailByte)
      return;
    special(p);
    start = p + 1;
  };
  if (FOnlyTabs) {
    ForEachTab(text.data(), 0, text.size(), found);
  } else {
    ForEachControlByte(text.data(), 0, text.size(), found);
  }
}

int64_t TextMeasure::UniformWidth(std::string_view text) const {
  // Between special bytes every byte is FByteWidth wide.
  int64_t x = 0;
  size_t pos = 0;  // bytes from here are not yet counted
  ForEachSpecial(text, [&](size_t p) {
    x += static_cast<int64_t>(p - pos) * FByteWidth;
    x = text[p] == '\t' ? TabEnd(x) : x + FSingle[static_cast<unsigned char>(text[p])];
    pos = p + 1;
  });
  return x + static_cast<int64_t>(text.size() - pos) * FByteWidth;
}

int64_t TextMeasure::Meter::Measure(const TextMeasure& m, std::string_view text) {
  FMeasure = &m;
  FText = text;
  FMarks.clear();
  if (!m.FUniform) return m.Width(text);
  int64_t x = 0;
  size_t pos = 0;
  m.ForEachSpecial(text, [&](size_t p) {
    x += static_cast<int64_t>(p - pos) * m.FByteWidth;
    x = text[p] == '\t' ? m.TabEnd(x) : x + m.FSingle[static_cast<unsigned char>(text[p])];
    pos = p + 1;
    FMarks.push_back({pos, x});
  });
  return x + static_cast<int64_t>(text.size() - pos) * m.FByteWidth;
}

int64_t TextMeasure::Meter::Prefix(size_t n) const {
  if (!FMeasure->FUniform) return FMeasure->Width(FText.substr(0, n));
  // The last special byte within the prefix, then uniform bytes up to n.
  size_t lo = 0, hi = FMarks.size();
  while (lo < hi) {
    const size_t mid = (lo + hi) / 2;
    if (FMarks[mid].end <= n) {
      lo = mid + 1;
    } else {
      hi = mid;
    }
  }
  const Mark before = lo == 0 ? Mark{0, 0} : FMarks[lo - 1];
  return before.x + static_cast<int64_t>(n - before.end) * FMeasure->FByteWidth;
}

size_t TextMeasure::Meter::FitIn(int64_t limit) const {
  // Past the last special byte within the limit the bytes are uniform, up
  // to the next special byte, which already reaches past it.
  const auto next =
      std::find_if(FMarks.begin(), FMarks.end(), [&](const Mark& mark) { return mark.x > limit; });
  const Mark before = next == FMarks.begin() ? Mark{0, 0} : *(next - 1);
  const size_t cap = next == FMarks.end() ? FText.size() : next->end - 1;
  return std::min(cap, before.end + static_cast<size_t>((limit - before.x) / FMeasure->FByteWidth));
}

void TextMeasure::Draw(TCanvas& canvas, int y, std::string_view text, int64_t originX,
                       int clipWidth) const {
  const int64_t right = originX + clipWidth;
  int64_t x = 0;
  size_t segment = 0;  // first byte of the run not yet drawn
  int64_t segmentX = 0;
  const auto flush = [&](size_t end) {
    if (end > segment && segmentX < right)
      canvas.TextOut(static_cast<int>(segmentX - originX), y, text.substr(segment, end - segment));
  };
  const size_t n = text.size();
  size_t i = 0;
  while (i < n && x < right) {
    const auto b = static_cast<unsigned char>(text[i]);
    const size_t len = sjis::IsLeadByte(b) && i + 1 < n ? 2 : 1;
    if (len == 1 && b == '\t') {
      flush(i);
      x = TabEnd(x);
      segment = i + 1;
      segmentX = x;
    } else {
      const int64_t next = x + CharWidth(text.substr(i, len));
      // Characters wholly left of the visible part are not drawn.
      if (next <= originX) {
        segment = i + len;
        segmentX = next;
      }
      x = next;
    }
    i += len;
  }
  flush(i);
}

}  // namespace varlo
