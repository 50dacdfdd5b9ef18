// The display settings: each number with its switch, the range it must lie
// in, what the switch off gives instead, and where the value goes. The
// start, the settings dialog's Save and the wrap switch all apply them
// through ApplyDisplaySetting.
#pragma once

#include <array>
#include <functional>
#include <optional>
#include <string>

#include "dialogs/main_state.h"

namespace varlo {

class TBigView;

// The values a display number may take.
struct TRange {
  int Min = 0, Max = 0;
  bool Holds(int value) const { return value >= Min && value <= Max; }
};

struct TDisplaySetting {
  bool TMainState::*Switch;
  std::string TMainState::*Number;  // decimal text, as the settings file keeps it
  TRange Range;
  // What the switch off gives instead of the number, which is then not
  // read at all; none: the number always counts.
  std::optional<int> WhenOff;
  // The switch where it is a setting of the viewer's own (wrapping or not).
  void (*SetSwitch)(TBigView& view, bool on);
  // Where the value goes: the viewer's setter, or the state's field.
  void (*Set)(TMainState& state, TBigView& view, int value);
};

extern const TDisplaySetting kWrapColumn, kTabWidth, kLinesAboveHit, kScrollStep;
// In the order the start applies them.
extern const std::array<const TDisplaySetting*, 4> kDisplaySettings;

// Applies one setting: its switch, then the value. `number` gives the
// number when it counts (it is not asked otherwise); what it raises stops
// the rest, with the switch applied.
void ApplyDisplaySetting(const TDisplaySetting& setting, TMainState& state, TBigView& view,
                         const std::function<int()>& number);

// The setting's number corrected into its range: the corrected text
// replaces the state's (so the settings file gets it at exit). A text that
// is no integer raises the conversion error.
int ClampedNumber(const TDisplaySetting& setting, TMainState& state);

}  // namespace varlo
