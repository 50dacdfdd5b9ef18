// Platform menus built from the toolkit's menu items: the menu bar of a
// form and pop-up menus.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "platform/menu.h"
#include "platform/win32/handles.h"

namespace varlo::win32 {

// A menu of `root`'s items (a bar or a pop-up). Each command item gets the
// id firstId + its index in `commands`; items with children become
// submenus, a caption of "-" a separator.
UniqueMenu BuildMenu(TMenuItem& root, bool bar, UINT firstId, std::vector<TMenuItem*>& commands);

// The text a menu shows for a shortcut after its caption ("Ctrl+O", "F1").
std::wstring ShortCutText(uint16_t key, TShiftState shift);

}  // namespace varlo::win32
