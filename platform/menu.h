// Menus as data: items with captions, enabled states, shortcuts and click
// handlers. A backend shows them (a menu bar, a pop-up at a screen point)
// and calls Click on the item the user chose.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/control.h"
#include "platform/types.h"

namespace varlo {

class TMenuItem : public TObject {
 public:
  TMenuItem() = default;
  TMenuItem(std::string name, std::string caption, TNotifyEvent onClick = {});

  std::string Name;
  // A shortcut key shown beside the caption and handled by the form.
  uint16_t ShortCutKey = 0;
  TShiftState ShortCutShift = 0;
  TNotifyEvent OnClick;

  const std::string& Caption() const { return FCaption; }  // UTF-8; "&" marks the accelerator
  void SetCaption(const std::string& caption);
  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool enabled);
  // A check mark beside the caption.
  bool Checked() const { return FChecked; }
  void SetChecked(bool checked);

  TMenuItem& Add(std::string name, std::string caption, TNotifyEvent onClick = {});
  int Count() const { return static_cast<int>(FItems.size()); }
  TMenuItem& Item(int index) { return *FItems.at(static_cast<size_t>(index)); }
  const TMenuItem& Item(int index) const { return *FItems.at(static_cast<size_t>(index)); }
  // The item of that name among this item and everything below it.
  TMenuItem* Find(const std::string& name);
  // The item whose shortcut this is, among this item and those below.
  TMenuItem* FindShortCut(uint16_t key, TShiftState shift);
  // Runs the handler, as choosing the item does (nothing when disabled).
  void Click();

  // Called on the top item when any caption or state below it changes.
  std::function<void()> OnChange;

 private:
  void Changed();
  TMenuItem* FParent = nullptr;
  std::string FCaption;
  bool FEnabled = true;
  bool FChecked = false;
  std::vector<std::unique_ptr<TMenuItem>> FItems;
};

// The entry point through which a backend delivers the user's choice of
// a menu item: a dispatch boundary, as those of ControlEvents are.
class MenuEvents {
 public:
  static void Chosen(TMenuItem& item);
};

class TMainMenu : public TObject {
 public:
  TMenuItem Items;
};

class TPopupMenu : public TObject {
 public:
  TMenuItem Items;
  // Shows the menu at a screen point; returns once it is closed.
  void Popup(int x, int y);
};

}  // namespace varlo
