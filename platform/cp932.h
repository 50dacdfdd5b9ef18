// What the platform knows of its Japanese code page 932: which bytes lead
// a double-byte character (IsDBCSLeadByteEx for 932).
#pragma once

namespace varlo {

constexpr bool IsLeadByte932(unsigned char b) {
  return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

}  // namespace varlo
