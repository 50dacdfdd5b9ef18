#include "dialogs/display_settings.h"

#include "bigview/big_view.h"
#include "platform/convert.h"

namespace varlo {

// clang-format off
const TDisplaySetting kWrapColumn{
    &TMainState::FCheckWrapChar, &TMainState::FEditWrapChar, {2, 255}, std::nullopt,
    [](TBigView& v, bool on) { v.SetWordWrap(on); },
    [](TMainState&, TBigView& v, int value) { v.SetWrapByte(value); }};
const TDisplaySetting kTabWidth{
    &TMainState::FCheckTabChar, &TMainState::FEditTabChar, {1, 16}, 0, nullptr,
    [](TMainState&, TBigView& v, int value) { v.SetViewTabStop(value); }};
const TDisplaySetting kLinesAboveHit{
    &TMainState::FCheckFindScroll, &TMainState::FEditFindScroll, {0, 16}, 0, nullptr,
    [](TMainState& s, TBigView&, int value) { s.FFindScroll = value; }};
const TDisplaySetting kScrollStep{
    &TMainState::FCheckScrollSense, &TMainState::FEditScrollSense, {1, 10}, 1, nullptr,
    [](TMainState&, TBigView& v, int value) { v.SetScrollSense(value); }};
// clang-format on

const std::array<const TDisplaySetting*, 4> kDisplaySettings = {&kWrapColumn, &kTabWidth,
                                                                &kScrollStep, &kLinesAboveHit};

void ApplyDisplaySetting(const TDisplaySetting& setting, TMainState& state, TBigView& view,
                         const std::function<int()>& number) {
  const bool on = state.*setting.Switch;
  if (setting.SetSwitch != nullptr) setting.SetSwitch(view, on);
  setting.Set(state, view, on || !setting.WhenOff ? number() : *setting.WhenOff);
}

int ClampedNumber(const TDisplaySetting& setting, TMainState& state) {
  std::string& text = state.*setting.Number;
  if (StrToInt(text) < setting.Range.Min) text = std::to_string(setting.Range.Min);
  if (StrToInt(text) > setting.Range.Max) text = std::to_string(setting.Range.Max);
  return StrToInt(text);
}

}  // namespace varlo
