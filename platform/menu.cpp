#include "platform/menu.h"

#include "platform/backend.h"

namespace varlo {

TMenuItem::TMenuItem(std::string name, std::string caption, TNotifyEvent onClick)
    : Name(std::move(name)), Caption(std::move(caption)), OnClick(std::move(onClick)) {}

TMenuItem& TMenuItem::Add(std::string name, std::string caption, TNotifyEvent onClick) {
  FItems.push_back(std::make_unique<TMenuItem>(std::move(name), std::move(caption), std::move(onClick)));
  return *FItems.back();
}

TMenuItem* TMenuItem::Find(const std::string& name) {
  if (Name == name) return this;
  for (auto& item : FItems)
    if (TMenuItem* found = item->Find(name)) return found;
  return nullptr;
}

void TMenuItem::Click() {
  if (Enabled && OnClick) OnClick(*this);
}

void TPopupMenu::Popup(int x, int y) { CurrentBackend().TrackPopupMenu(*this, {x, y}); }

}  // namespace varlo
