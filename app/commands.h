// The main window's commands as one table. A row is a command: its items in
// the main menu and in the pop-up menu, what it runs, when its items can be
// chosen (and whether they show a check mark), its keys with what they
// need, and its place in the key list. The menus, their states, the key map
// and the key list are all made from the rows, so a new command is one row.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "dialogs/key_list_form.h"
#include "platform/types.h"

namespace varlo {

class TForm1;
class TObject;

// When a menu item can be chosen.
enum class TEnabled : uint8_t {
  Always,
  FileOpened,  // once a file was opened in this run
  Searched,    // once a search was made from the search dialog
};

// Which modifier states a key row takes. The whole state of Shift, Ctrl
// and Alt is compared: "Ctrl alone" is Ctrl with neither Shift nor Alt.
enum class TModifiers : uint8_t {
  Any,
  CtrlAlone,
  ShiftAlone,
  NotAltAlone,
  NotAltOrShiftAlone,
  NotCtrlOrAltAlone,
  // What no other row of the same key takes.
  AnyOther,
};

bool Takes(TModifiers rule, TShiftState modifiers);

// What a key needs before its command runs.
enum class TNeeds : uint8_t {
  Nothing,
  File,           // a file name is set
  FileAndSearch,  // and a search was made
};

struct TCommandKey {
  uint16_t Key;
  TModifiers Modifiers;
  TNeeds Needs = TNeeds::Nothing;
};

// A menu item of a command. Menu is the main menu's top item it stands
// under (one of MainMenus()); empty for the pop-up menu's items.
struct TMenuEntry {
  std::string Menu{};
  std::string Name{};  // empty: no item
  std::string Caption{};
  // Shown beside the caption, and taken by the window before the key map.
  uint16_t ShortCutKey = 0;
  TShiftState ShortCutShift = 0;
};

// A command's place in the key list: its line (from 1) and its texts, as
// the list shows them; on the right of a line it shares with another.
struct TKeyListEntry {
  int Line = 0;  // 0: not in the list
  bool Right = false;
  std::string Function{}, Keys{};
};

// What a command runs: a handler of the main window that takes the sender
// (a menu item's), or one of its methods.
class TCommandRun {
 public:
  using TClick = void (TForm1::*)(TObject&);
  using TMethod = void (TForm1::*)();
  // Not explicit: a row names its handler plainly.
  TCommandRun(TClick click) : FClick(click) {}
  TCommandRun(TMethod method) : FMethod(method) {}
  void operator()(TForm1& form) const;

 private:
  TClick FClick = nullptr;
  TMethod FMethod = nullptr;
};

struct TCommand {
  TMenuEntry Menu{};
  TMenuEntry Popup{};
  TCommandRun Run;
  TEnabled Enabled = TEnabled::Always;
  // A field of the main window whose value the items' check mark shows.
  bool TForm1::*Checked = nullptr;
  std::vector<TCommandKey> Keys{};
  TKeyListEntry KeyList{};
};

// A top item of the main menu, with the rule for the whole menu under it.
struct TTopMenu {
  std::string Name, Caption;
  TEnabled Enabled = TEnabled::Always;
};

// The main menu's top items, left to right.
const std::vector<TTopMenu>& MainMenus();
// The commands, in the order of their menu items.
std::vector<TCommand> MainCommands();

// The command row a key with these modifiers runs (null: none), and the
// key row that took it.
const TCommand* CommandOfKey(const std::vector<TCommand>& commands, uint16_t key,
                             TShiftState modifiers, const TCommandKey** row);
// The key list's lines from the rows' entries.
std::vector<TKeyListLine> KeyListLines(const std::vector<TCommand>& commands);
// Raises when two rows take one key with the same modifiers, or name one
// menu item twice: a new row that clashes fails at the first start.
void CheckCommands(const std::vector<TCommand>& commands);

}  // namespace varlo
