// Widths of view text: the shortcut for fonts that advance every byte
// alike must give exactly what measuring character by character gives, for
// whole texts and for every prefix, with tabs and control bytes anywhere.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "bigview/text_measure.h"
#include "platform/offscreen/backend.h"
#include "tests/support/viewer_rig.h"

namespace varlo {
namespace {

// The offscreen font, but control bytes other than tab are 3 px wide: the
// shortcut then has to look at every control byte, not only at tabs.
class OddControls : public offscreen::PixelCanvas {
 public:
  int TextWidth(std::string_view text) override {
    if (text.size() == 1 && static_cast<unsigned char>(text[0]) < 0x20 && text[0] != '\t') return 3;
    return PixelCanvas::TextWidth(text);
  }
};

// A proportional font: the shortcut must not be used at all.
class Proportional : public offscreen::PixelCanvas {
 public:
  int TextWidth(std::string_view text) override {
    if (text == "i" || text == "l") return 3;
    return PixelCanvas::TextWidth(text);
  }
};

std::string RandomText(uint64_t& seed, size_t n) {
  static const char* const pieces[] = {"a",    "i", "\t",       "\x8a\xbf", "\x81\t", "\x09",
                                       "\x01", " ", "\x83\x41", "\x1f",     "\xb1",   "\x81"};
  std::string s;
  while (s.size() < n) {
    seed = seed * 6364136223846793005ull + 1442695040888963407ull;
    s += pieces[(seed >> 33) % (sizeof pieces / sizeof pieces[0])];
  }
  return s;
}

template <class Canvas>
void ExpectShortcutAgreesWithTheWalk(bool uniform) {
  testing::OffscreenScope scope;
  Canvas canvas;
  TextMeasure fast, slow;
  fast.Reset(canvas);
  slow.Reset(canvas);
  slow.DisableUniformForTesting();
  EXPECT_EQ(fast.Uniform(), uniform);
  uint64_t seed = 42;
  for (int64_t tab : {int64_t{0}, int64_t{8}, int64_t{32}, int64_t{50}}) {
    fast.SetTabDistance(tab);
    slow.SetTabDistance(tab);
    for (int round = 0; round < 300; ++round) {
      const std::string s = RandomText(seed, static_cast<size_t>(round % 97));
      ASSERT_EQ(fast.Width(s), slow.Width(s)) << "tab " << tab << " text of " << s.size();
      TextMeasure::Meter meter;
      ASSERT_EQ(meter.Measure(fast, s), slow.Width(s));
      for (size_t n = 0; n <= s.size(); ++n)
        ASSERT_EQ(meter.Prefix(n), slow.Width(s.substr(0, n))) << "prefix " << n;
      if (!meter.Widening()) continue;
      // The longest prefix within each limit, as the prefixes' widths say.
      for (int64_t limit = 0; limit <= slow.Width(s) + 9; limit += 3) {
        size_t most = 0;
        while (most < s.size() && slow.Width(s.substr(0, most + 1)) <= limit) ++most;
        ASSERT_EQ(meter.FitIn(limit), most) << "limit " << limit;
      }
    }
  }
}

TEST(TextMeasure, UniformShortcutAgreesWithTheCharacterWalk) {
  ExpectShortcutAgreesWithTheWalk<offscreen::PixelCanvas>(true);
}

TEST(TextMeasure, UniformShortcutHandlesOddControlBytes) {
  ExpectShortcutAgreesWithTheWalk<OddControls>(true);
}

TEST(TextMeasure, ProportionalFontsAreMeasuredByWalking) {
  ExpectShortcutAgreesWithTheWalk<Proportional>(false);
}

TEST(TextMeasure, TabsAdvanceToTheNextStop) {
  testing::OffscreenScope scope;
  offscreen::PixelCanvas canvas;
  TextMeasure m;
  m.Reset(canvas);
  m.SetTabDistance(32);
  EXPECT_EQ(m.TabEnd(0), 32);
  EXPECT_EQ(m.TabEnd(31), 32);
  EXPECT_EQ(m.TabEnd(32), 64);
  EXPECT_EQ(m.TabEnd(int64_t{1} << 40), (int64_t{1} << 40) + 32);
  EXPECT_EQ(m.TabEnd((int64_t{1} << 40) + 31), (int64_t{1} << 40) + 32);
  m.SetTabDistance(7);
  for (int64_t x = 0; x < 2000; ++x) ASSERT_EQ(m.TabEnd(x), (x / 7 + 1) * 7);
  // A tab right after a lead byte is the second half of that character.
  m.SetTabDistance(32);
  EXPECT_EQ(m.Width("\x81\t"
                    "a"),
            16 + 8);
}

}  // namespace
}  // namespace varlo
