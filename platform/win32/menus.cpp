#include "platform/win32/menus.h"

#include "platform/win32/codepage.h"

namespace varlo::win32 {
namespace {

const wchar_t* KeyName(uint16_t key) {
  switch (key) {
    case vk::Back: return L"BkSp";
    case vk::Tab: return L"Tab";
    case vk::Return: return L"Enter";
    case vk::Escape: return L"Esc";
    case vk::Space: return L"Space";
    case vk::Prior: return L"PgUp";
    case vk::Next: return L"PgDn";
    case vk::End: return L"End";
    case vk::Home: return L"Home";
    case vk::Left: return L"Left";
    case vk::Up: return L"Up";
    case vk::Right: return L"Right";
    case vk::Down: return L"Down";
    case vk::Insert: return L"Ins";
    case vk::Delete: return L"Del";
    default: return nullptr;
  }
}

void Append(HMENU menu, TMenuItem& parent, UINT firstId, std::vector<TMenuItem*>& commands) {
  for (int i = 0; i < parent.Count(); ++i) {
    TMenuItem& item = parent.Item(i);
    if (item.Caption() == "-" && item.Count() == 0) {
      AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
      continue;
    }
    std::wstring caption = ToWide(kUtf8, item.Caption());
    if (item.ShortCutKey != 0)
      caption += L"\t" + ShortCutText(item.ShortCutKey, item.ShortCutShift);
    const UINT flags = MF_STRING | (item.Enabled() ? MF_ENABLED : MF_GRAYED) |
                       (item.Checked() ? MF_CHECKED : MF_UNCHECKED);
    if (item.Count() > 0) {
      UniqueMenu sub(CreatePopupMenu());
      Append(sub.Get(), item, firstId, commands);
      // The parent menu owns the submenu from here on.
      if (AppendMenuW(menu, flags | MF_POPUP, reinterpret_cast<UINT_PTR>(sub.Get()),
                      caption.c_str()))
        sub.Release();
    } else {
      commands.push_back(&item);
      AppendMenuW(menu, flags, firstId + static_cast<UINT>(commands.size() - 1), caption.c_str());
    }
  }
}

}  // namespace

UniqueMenu BuildMenu(TMenuItem& root, bool bar, UINT firstId, std::vector<TMenuItem*>& commands) {
  UniqueMenu menu(bar ? CreateMenu() : CreatePopupMenu());
  Append(menu.Get(), root, firstId, commands);
  return menu;
}

std::wstring ShortCutText(uint16_t key, TShiftState shift) {
  std::wstring text;
  if (shift & ssShift) text += L"Shift+";
  if (shift & ssCtrl) text += L"Ctrl+";
  if (shift & ssAlt) text += L"Alt+";
  if (key >= vk::F1 && key < vk::F1 + 24) {
    text += L"F" + std::to_wstring(key - vk::F1 + 1);
  } else if (const wchar_t* name = KeyName(key)) {
    text += name;
  } else if ((key >= '0' && key <= '9') || (key >= 'A' && key <= 'Z')) {
    text += static_cast<wchar_t>(key);
  } else {
    // Other keys by the name the keyboard layout gives them.
    wchar_t name[64] = {};
    const UINT scan = MapVirtualKeyW(key, MAPVK_VK_TO_VSC);
    if (scan != 0 && GetKeyNameTextW(static_cast<LONG>(scan << 16), name, 64) > 0) text += name;
  }
  return text;
}

}  // namespace varlo::win32
