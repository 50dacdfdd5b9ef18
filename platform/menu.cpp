#include "platform/menu.h"

#include "platform/backend.h"

namespace varlo {

TMenuItem::TMenuItem(std::string name, std::string caption, TNotifyEvent onClick)
    : Name(std::move(name)), OnClick(std::move(onClick)), FCaption(std::move(caption)) {}

TMenuItem& TMenuItem::Add(std::string name, std::string caption, TNotifyEvent onClick) {
  FItems.push_back(
      std::make_unique<TMenuItem>(std::move(name), std::move(caption), std::move(onClick)));
  FItems.back()->FParent = this;
  Changed();
  return *FItems.back();
}

void TMenuItem::SetCaption(const std::string& caption) {
  FCaption = caption;
  Changed();
}

void TMenuItem::SetEnabled(bool enabled) {
  if (enabled == FEnabled) return;
  FEnabled = enabled;
  Changed();
}

void TMenuItem::SetChecked(bool checked) {
  if (checked == FChecked) return;
  FChecked = checked;
  Changed();
}

void TMenuItem::Changed() {
  TMenuItem* top = this;
  while (top->FParent != nullptr) top = top->FParent;
  if (top->OnChange) top->OnChange();
}

TMenuItem* TMenuItem::FindShortCut(uint16_t key, TShiftState shift) {
  if (ShortCutKey != 0 && ShortCutKey == key && ShortCutShift == (shift & kModifierMask))
    return this;
  for (auto& item : FItems)
    if (TMenuItem* found = item->FindShortCut(key, shift)) return found;
  return nullptr;
}

TMenuItem* TMenuItem::Find(const std::string& name) {
  if (Name == name) return this;
  for (auto& item : FItems)
    if (TMenuItem* found = item->Find(name)) return found;
  return nullptr;
}

void TMenuItem::Click() {
  // A disabled item, or one under a disabled menu, does nothing.
  for (const TMenuItem* i = this; i != nullptr; i = i->FParent)
    if (!i->FEnabled) return;
  if (OnClick) OnClick(*this);
}

void MenuEvents::Chosen(TMenuItem& item) {
  ControlEvents::Run([&] { item.Click(); });
}

void TPopupMenu::Popup(int x, int y) { CurrentBackend().TrackPopupMenu(*this, {x, y}); }

}  // namespace varlo
