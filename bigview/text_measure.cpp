#include "bigview/text_measure.h"

#include <string>

#include "bigview/byte_scan.h"
#include "bigview/sjis.h"
#include "platform/checked.h"

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

  // Uniform when every byte from 0x20 up advances the same width, alone or
  // as half of a pair; control bytes may differ and are measured one by one.
  FByteWidth = FSingle[static_cast<unsigned char>('x')];
  FUniform = FByteWidth > 0;
  for (int b = 0x20; b < 256 && FUniform; ++b) FUniform = FSingle[b] == FByteWidth;
  for (int lead = 0x81; lead <= 0xFC && FUniform; ++lead) {
    if (!sjis::IsLeadByte(static_cast<unsigned char>(lead))) continue;
    for (int trail = 0; trail < 256 && FUniform; ++trail)
      FUniform = FDouble[static_cast<size_t>(lead << 8 | trail)] == 2 * FByteWidth;
  }
  FReady = true;
}

int64_t TextMeasure::TabEnd(int64_t x) const {
  if (FTab <= 0) return x + FSingle[static_cast<unsigned char>(' ')];
  return CheckedMul(x / FTab + 1, FTab);
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

int64_t TextMeasure::UniformWidth(std::string_view text) const {
  // Between control bytes every byte is FByteWidth wide; a control byte
  // right after a lead byte is that character's second half, no control.
  int64_t x = 0;
  size_t pos = 0;  // a character start; bytes from here are not yet counted
  ForEachControlByte(text.data(), 0, text.size(), [&](size_t p) {
    if (p < pos || sjis::ByteKindFrom(text, pos, p) == sjis::kTrailByte) return;
    x += static_cast<int64_t>(p - pos) * FByteWidth;
    x = text[p] == '\t' ? TabEnd(x) : x + FSingle[static_cast<unsigned char>(text[p])];
    pos = p + 1;
  });
  return x + static_cast<int64_t>(text.size() - pos) * FByteWidth;
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
