// The table of the main window's commands, and what is read from it: which
// row a key runs, the key list, and the checks that keep the rows apart.
#include "app/commands.h"

#include <map>
#include <set>
#include <stdexcept>
#include <utility>

#include "app/main_form.h"

namespace varlo {

void TCommandRun::operator()(TForm1& form) const {
  if (FClick != nullptr) {
    (form.*FClick)(form);
  } else {
    (form.*FMethod)();
  }
}

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

const std::vector<TTopMenu>& MainMenus() {
  static const std::vector<TTopMenu> menus = {
      {"MenuFile", "ﾌｧｲﾙ(&F)"},
      {"MenuDisp", "表示(&D)"},
      // Nothing to search before a file was opened.
      {"MenuSearch", "検索(&S)", TEnabled::FileOpened},
      {"MenuOption", "環境設定(&K)"},
      {"MenuHelp", "ﾍﾙﾌﾟ(&H)"},
  };
  return menus;
}

std::vector<TCommand> MainCommands() {
  using enum TModifiers;
  constexpr TNeeds kFile = TNeeds::File, kSearch = TNeeds::FileAndSearch;
  // The viewer pages and moves on its own keys after the key map; the main
  // window's part of those moves is taking the search mark away.
  constexpr auto kClearMark = &TForm1::ClearFoundMark;
  // clang-format off
  return {
      {.Menu = {"MenuFile", "MenuFileOpen", "開く(&O)..."}, .Popup = {"", "PopFileOpen", "開く"},
       .Run = &TForm1::MenuFileOpenClick,
       .Keys = {{vk::Key('O'), NotAltAlone}},
       .KeyList = {11, false, "☆ファイルを開く", "O, Ctrl+O"}},
      {.Menu = {"MenuFile", "MenuExit", "終了(&X)"}, .Popup = {"", "PopExit", "終了"},
       .Run = &TForm1::MenuExitClick,
       .Keys = {{vk::Escape, Any}, {vk::Return, AnyOther}, {vk::Key('Q'), NotCtrlOrAltAlone}},
       .KeyList = {14, false, "☆終了", "Q, Esc, Enter"}},
      {.Menu = {"MenuDisp", "MenuWrapChange", "折返切替(&W)..."},
       .Run = &TForm1::MenuWrapChangeClick,
       .Keys = {{vk::Key('W'), NotAltOrShiftAlone, kFile}},
       .KeyList = {12, true, "☆折返切替", "W, Ctrl+W"}},
      // Reload and follow: their keys are the menu items' own.
      {.Menu = {"MenuDisp", "MenuReload", "再読み込み(&R)", vk::F5},
       .Run = &TForm1::MenuReloadClick, .Enabled = TEnabled::FileOpened},
      {.Menu = {"MenuDisp", "MenuFollow", "末尾を追跡(&T)", vk::F5, ssCtrl},
       .Run = &TForm1::MenuFollowClick, .Enabled = TEnabled::FileOpened,
       .Checked = &TForm1::FFollow},
      {.Menu = {"MenuSearch", "MenuFind", "検索:(&F)..."},
       .Run = &TForm1::MenuFindClick,
       .Keys = {{vk::Key('F'), NotAltAlone, kFile}},
       .KeyList = {7, false, "☆検索", "F, Ctrl+F"}},
      {.Menu = {"MenuSearch", "MenuReFind", "次検索(下検索)(&N)"},
       .Run = &TForm1::MenuReFindClick, .Enabled = TEnabled::Searched,
       .Keys = {{vk::Key('N'), NotAltAlone, kSearch}},
       .KeyList = {8, false, "☆次検索(下検索)", "N, Ctrl+N"}},
      {.Menu = {"MenuSearch", "MenuReFindPrior", "前検索(上検索)(&P)"},
       .Run = &TForm1::MenuReFindPriorClick, .Enabled = TEnabled::Searched,
       .Keys = {{vk::Key('P'), NotAltAlone, kSearch}},
       .KeyList = {8, true, "☆前検索(上検索)", "P, Ctrl+P"}},
      {.Menu = {"MenuSearch", "MenuJump", "ｼﾞｬﾝﾌﾟ(&J)..."},
       .Run = &TForm1::MenuJumpClick,
       .Keys = {{vk::Key('J'), NotAltAlone, kFile}},
       .KeyList = {9, false, "☆指定行へ", "J, Ctrl+J"}},
      {.Menu = {"MenuSearch", "MenuLineNumDisp", "現在行番号表示(&I)"},
       .Run = &TForm1::MenuLineNumDispClick,
       .Keys = {{vk::Key('I'), NotCtrlOrAltAlone, kFile}},
       .KeyList = {12, false, "☆現在行表示", "I"}},
      {.Menu = {"MenuSearch", "MenuSelectStart", "範囲選択開始('&B)"},
       .Run = &TForm1::MenuSelectStartClick,
       .Keys = {{vk::Key('B'), CtrlAlone}},
       .KeyList = {17, false, "☆範囲選択開始", "Ctrl+B"}},
      {.Menu = {"MenuSearch", "MenuSelectEnd", "範囲選択終了(&C)"},
       .Run = &TForm1::MenuSelectEndClick,
       .Keys = {{vk::Key('C'), CtrlAlone}, {vk::Insert, CtrlAlone}},
       .KeyList = {18, false, "☆範囲選択終了", "Ctrl+C, Ctrl+Insert"}},
      {.Menu = {"MenuOption", "MenuOptionSet", "各種設定(&O)..."}, .Run = &TForm1::MenuOptionSetClick},
      {.Menu = {"MenuOption", "MenuFont", "ﾌｫﾝﾄ設定(&F)..."}, .Run = &TForm1::MenuFontClick},
      {.Menu = {"MenuOption", "MenuBackColor", "背景色設定(&C)..."}, .Run = &TForm1::MenuBackColorClick},
      {.Menu = {"MenuOption", "MenuLaunch", "ﾗﾝﾁｬｰ1設定(&L)..."}, .Run = &TForm1::MenuLaunchClick},
      {.Menu = {"MenuOption", "MenuLaunch2", "ﾗﾝﾁｬｰ2設定(&M)..."}, .Run = &TForm1::MenuLaunchClick2},
      {.Menu = {"MenuHelp", "MenuHelpDisp", "ﾍﾙﾌﾟ表示(&C)"}, .Run = &TForm1::MenuHelpDispClick},
      {.Menu = {"MenuHelp", "MenuKeyFunc", "ｷｰ操作一覧(&K)", vk::F1},
       .Run = &TForm1::MenuKeyFuncClick,
       .KeyList = {15, false, "☆F1", "キー操作一覧画面"}},
      // Only in the pop-up menu.
      {.Popup = {"", "PopLaunchRun", "ﾗﾝﾁｬｰ1起動"},
       .Run = &TForm1::PopLaunchRunClick, .Enabled = TEnabled::FileOpened,
       .Keys = {{vk::Return, ShiftAlone, kFile}},
       .KeyList = {10, false, "☆ランチャー１起動", "Shift+Enter"}},
      {.Popup = {"", "PopLaunchRun2", "ﾗﾝﾁｬｰ2起動"},
       .Run = &TForm1::PopLaunchRun2Click, .Enabled = TEnabled::FileOpened,
       .Keys = {{vk::Return, CtrlAlone, kFile}},
       .KeyList = {10, true, "☆ランチャー２起動", "Ctrl+Enter"}},
      // Keys only.
      {.Run = &TForm1::ToggleMaximized,
       .Keys = {{vk::OemOpenBracket, CtrlAlone}},
       .KeyList = {13, false, "☆最大化／元のサイズ", "Ctrl+["}},
      {.Run = &TForm1::FocusMoveToApli,
       .Keys = {{vk::F4, NotCtrlOrAltAlone}},
       .KeyList = {16, false, "☆F4", "Corvo または ｴｸｽﾌﾟﾛｰﾗ にフォーカス移動"}},
      // The viewer's moves. Ctrl+S, Ctrl+D, Space and Shift+Space page too,
      // and leave the mark.
      {.Run = kClearMark,
       .Keys = {{vk::Up, Any}, {vk::Key('E'), CtrlAlone}},
       .KeyList = {1, false, "☆上へ", "↑, Ctrl+E"}},
      {.Run = kClearMark,
       .Keys = {{vk::Down, Any}, {vk::Key('X'), CtrlAlone}},
       .KeyList = {2, false, "☆下へ", "↓, Ctrl+X"}},
      {.Run = kClearMark,
       .Keys = {{vk::Left, Any}, {vk::Prior, Any}},
       .KeyList = {3, false, "☆１画面上へ", "←, Ctrl+S, PageUp,    Shift+↑, Shift+Space"}},
      {.Run = kClearMark,
       .Keys = {{vk::Right, Any}, {vk::Next, Any}},
       .KeyList = {4, false, "☆１画面下へ", "→, Ctrl+D, PageDown, Shift+↓, Space"}},
      {.Run = kClearMark,
       .Keys = {{vk::Key('T'), NotCtrlOrAltAlone}, {vk::Home, Any}},
       .KeyList = {5, false, "☆先頭行へ", "T, Home, Ctrl+Home, Ctrl+↑"}},
      {.Run = kClearMark,
       .Keys = {{vk::Key('B'), NotCtrlOrAltAlone}, {vk::End, Any}},
       .KeyList = {6, false, "☆最終行へ", "B, End,    Ctrl+End,   Ctrl+↓"}},
  };
  // clang-format on
}

const TCommand* CommandOfKey(const std::vector<TCommand>& commands, uint16_t key,
                             TShiftState modifiers, const TCommandKey** row) {
  // A row whose modifiers fit takes the key from the "any other" row of
  // the key, also where it then does nothing for want of a file.
  const TCommand* other = nullptr;
  const TCommandKey* otherRow = nullptr;
  for (const TCommand& command : commands)
    for (const TCommandKey& k : command.Keys) {
      if (k.Key != key || !Takes(k.Modifiers, modifiers)) continue;
      if (k.Modifiers == TModifiers::AnyOther) {
        other = &command;
        otherRow = &k;
        continue;
      }
      *row = &k;
      return &command;
    }
  *row = otherRow;
  return other;
}

std::vector<TKeyListLine> KeyListLines(const std::vector<TCommand>& commands) {
  std::map<int, TKeyListLine> lines;
  for (const TCommand& command : commands) {
    const TKeyListEntry& entry = command.KeyList;
    if (entry.Line <= 0) continue;
    TKeyListLine& line = lines[entry.Line];
    (entry.Right ? line.Function2 : line.Function) = entry.Function;
    (entry.Right ? line.Keys2 : line.Keys) = entry.Keys;
  }
  std::vector<TKeyListLine> list;
  for (auto& [number, line] : lines) list.push_back(std::move(line));
  return list;
}

void CheckCommands(const std::vector<TCommand>& commands) {
  std::set<std::pair<uint16_t, TShiftState>> taken;
  std::set<uint16_t> others;
  std::set<std::string> names;
  for (const TCommand& command : commands) {
    for (const TMenuEntry* item : {&command.Menu, &command.Popup})
      if (!item->Name.empty() && !names.insert(item->Name).second)
        throw std::logic_error("menu item " + item->Name + " is in the table twice");
    for (const TCommandKey& k : command.Keys) {
      if (k.Modifiers == TModifiers::AnyOther) {
        if (!others.insert(k.Key).second)
          throw std::logic_error("two \"any other\" rows for key " + std::to_string(k.Key));
        continue;
      }
      // Every set of Shift, Ctrl and Alt.
      for (TShiftState s = 0; s <= kModifierMask; ++s)
        if (Takes(k.Modifiers, s) && !taken.insert({k.Key, s}).second)
          throw std::logic_error("two rows take key " + std::to_string(k.Key) + " with modifiers " +
                                 std::to_string(s));
    }
  }
}

}  // namespace varlo
