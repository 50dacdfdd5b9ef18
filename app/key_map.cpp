// The main window's key map: one table of keys, modifier rules and
// commands, walked for every key the viewer receives before its own
// handling. The key is never consumed: the viewer's scrolling and paging
// act on the same key afterwards.
#include <cstdint>

#include "app/main_form.h"

namespace varlo {
namespace {

// Which modifier states a row takes. The whole state of Shift, Ctrl and
// Alt is compared: "Ctrl alone" is Ctrl with neither Shift nor Alt.
enum class TModifiers : uint8_t {
  Any,
  CtrlAlone,
  ShiftAlone,
  NotAltAlone,
  NotAltOrShiftAlone,
  NotCtrlOrAltAlone,
  // Whatever no earlier row of the same key took.
  AnyOther,
};

bool Takes(TModifiers rule, TShiftState mods) {
  switch (rule) {
    case TModifiers::Any:
    case TModifiers::AnyOther: return true;
    case TModifiers::CtrlAlone: return mods == ssCtrl;
    case TModifiers::ShiftAlone: return mods == ssShift;
    case TModifiers::NotAltAlone: return mods != ssAlt;
    case TModifiers::NotAltOrShiftAlone: return mods != ssAlt && mods != ssShift;
    case TModifiers::NotCtrlOrAltAlone: return mods != ssCtrl && mods != ssAlt;
  }
  return false;
}

using TKeyCommand = void (*)(TForm1&);

struct TKeyRow {
  uint16_t Key;
  TModifiers Modifiers;
  TKeyCommand Command;
  bool NeedsFile = false;
  bool NeedsSearch = false;  // a search was made in this run
};

void Exit(TForm1& f) { f.ExitRequest(); }
void Launch1(TForm1& f) { f.PopLaunchRunClick(f); }
void Launch2(TForm1& f) { f.PopLaunchRun2Click(f); }
void ToggleMaximised(TForm1& f) {
  f.SetWindowState(f.WindowState() == wsNormal ? wsMaximized : wsNormal);
}
void Jump(TForm1& f) { f.MenuJumpClick(f); }
void WrapChange(TForm1& f) { f.MenuWrapChangeClick(f); }
void Find(TForm1& f) { f.MenuFindClick(f); }
void FindNext(TForm1& f) { f.MenuReFindClick(f); }
void FindPrior(TForm1& f) { f.MenuReFindPriorClick(f); }
void FileOpen(TForm1& f) { f.MenuFileOpenClick(f); }
void LineNumbers(TForm1& f) { f.MenuLineNumDispClick(f); }
void ClearMark(TForm1& f) { f.ClearFoundMark(); }
void SelectStart(TForm1& f) { f.MenuSelectStartClick(f); }
void SelectEnd(TForm1& f) { f.MenuSelectEndClick(f); }
void HandOff(TForm1& f) { f.FocusMoveToApli(); }

using enum TModifiers;
constexpr bool kFile = true, kSearch = true;

// In order; every row of a key is looked at.
// clang-format off
constexpr TKeyRow kKeyMap[] = {
    {vk::Escape,         Any,                Exit},
    {vk::Return,         CtrlAlone,          Launch2,         kFile},
    {vk::Return,         ShiftAlone,         Launch1,         kFile},
    {vk::Return,         AnyOther,           Exit},
    {vk::OemOpenBracket, CtrlAlone,          ToggleMaximised},
    {vk::Key('J'),       NotAltAlone,        Jump,            kFile},
    {vk::Key('W'),       NotAltOrShiftAlone, WrapChange,      kFile},
    {vk::Key('F'),       NotAltAlone,        Find,            kFile},
    {vk::Key('N'),       NotAltAlone,        FindNext,        kFile, kSearch},
    {vk::Key('P'),       NotAltAlone,        FindPrior,       kFile, kSearch},
    {vk::Key('O'),       NotAltAlone,        FileOpen},
    {vk::Key('Q'),       NotCtrlOrAltAlone,  Exit},
    {vk::Key('I'),       NotCtrlOrAltAlone,  LineNumbers,     kFile},
    {vk::Key('X'),       CtrlAlone,          ClearMark},
    {vk::Key('E'),       CtrlAlone,          ClearMark},
    {vk::Key('T'),       NotCtrlOrAltAlone,  ClearMark},
    {vk::Key('B'),       CtrlAlone,          SelectStart},
    {vk::Key('B'),       NotCtrlOrAltAlone,  ClearMark},
    {vk::Key('C'),       CtrlAlone,          SelectEnd},
    {vk::Down,           Any,                ClearMark},
    {vk::Up,             Any,                ClearMark},
    {vk::Left,           Any,                ClearMark},
    {vk::Right,          Any,                ClearMark},
    {vk::Prior,          Any,                ClearMark},
    {vk::Next,           Any,                ClearMark},
    {vk::Home,           Any,                ClearMark},
    {vk::End,            Any,                ClearMark},
    {vk::Insert,         CtrlAlone,          SelectEnd},
    {vk::F4,             NotCtrlOrAltAlone,  HandOff},
};
// clang-format on

}  // namespace

void TForm1::FormKeyDown(TObject&, uint16_t& key, TShiftState shift) {
  const TShiftState mods = shift & kModifierMask;
  // A row whose modifiers fit has taken the key from the "any other" rows
  // after it, even when it did nothing for want of a file.
  bool taken = false;
  for (const TKeyRow& row : kKeyMap) {
    if (row.Key != key || !Takes(row.Modifiers, mods) || (row.Modifiers == AnyOther && taken))
      continue;
    taken = true;
    if (row.NeedsFile && FFileName.empty()) continue;
    if (row.NeedsSearch && FSearched != 1) continue;
    row.Command(*this);
  }
}

}  // namespace varlo
