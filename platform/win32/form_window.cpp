// What a form's window does beyond any window: closing through the form,
// its menu bar, dropped files, its pop-up menu, keeping the focused control
// while another window is active, minimising and maximising.
#include <windows.h>
#include <windowsx.h>

#include "platform/forms.h"
#include "platform/win32/backend.h"
#include "platform/win32/codepage.h"
#include "platform/win32/menus.h"
#include "platform/win32/window.h"

namespace varlo::win32 {
namespace {

// WM_GETDPISCALEDSIZE, of the Windows versions that have per-display
// resolutions (the headers give it for those only).
constexpr UINT kGetDpiScaledSize = 0x02E4;

// DragFinish in every case, also when reading the names fails.
class DropHandle {
 public:
  explicit DropHandle(HDROP drop) : FDrop(drop) {}
  ~DropHandle() { DragFinish(FDrop); }
  DropHandle(const DropHandle&) = delete;
  DropHandle& operator=(const DropHandle&) = delete;
  HDROP Get() const { return FDrop; }

 private:
  HDROP FDrop;
};

std::vector<std::string> DroppedNames(HDROP drop) {
  std::vector<std::string> names;
  const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
  for (UINT i = 0; i < count; ++i) {
    // Names of any length: the call tells the length first.
    const UINT length = DragQueryFileW(drop, i, nullptr, 0);
    std::wstring name(static_cast<size_t>(length) + 1, L'\0');
    name.resize(DragQueryFileW(drop, i, name.data(), length + 1));
    names.push_back(FromWide(kUtf8, name));
  }
  return names;
}

bool CanTakeFocus(HWND form, HWND control) {
  return control != nullptr && IsWindow(control) && IsChild(form, control) &&
         IsWindowVisible(control) && IsWindowEnabled(control);
}

// Where a menu asked for from the keyboard opens: at the focused control's
// caret, else at its top-left corner, else at the form's.
POINT KeyboardMenuPoint(HWND form) {
  HWND focus = GetFocus();
  if (focus == nullptr || !IsChild(form, focus)) focus = form;
  POINT at{0, 0};
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  if (GetGUIThreadInfo(GetCurrentThreadId(), &info) && info.hwndCaret == focus) {
    at = {info.rcCaret.left, info.rcCaret.bottom};
  }
  ClientToScreen(focus, &at);
  return at;
}

}  // namespace

void Win32Window::DropFiles(TForm& form, HDROP drop) {
  std::vector<std::string> names;
  {
    DropHandle held(drop);
    names = DroppedNames(held.Get());
  }
  FormEvents::DropFiles(form, names);
}

std::optional<LRESULT> Win32Window::HandleFormMessage(UINT msg, WPARAM wp, LPARAM lp) {
  auto& form = static_cast<TForm&>(FControl);
  switch (msg) {
    case WM_CLOSE:
      // The form decides (OnClose may refuse); never the default destroy.
      FormEvents::CloseRequested(form);
      return 0;
    case WM_COMMAND: {
      // From the menu bar (or an accelerator): no control handle.
      if (lp != 0 || HIWORD(wp) > 1) return std::nullopt;
      const UINT id = LOWORD(wp);
      if (id < kFirstMenuCommand || id - kFirstMenuCommand >= FMenuItems.size()) return 0;
      MenuEvents::Chosen(*FMenuItems[id - kFirstMenuCommand]);
      return 0;
    }
    case WM_DROPFILES: DropFiles(form, reinterpret_cast<HDROP>(wp)); return 0;
    case WM_CONTEXTMENU: {
      if (form.PopupMenu == nullptr) return std::nullopt;
      POINT at{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
      if (at.x == -1 && at.y == -1) at = KeyboardMenuPoint(FHwnd);
      ControlEvents::Run([&] { form.PopupMenu->Popup(at.x, at.y); });
      return 0;
    }
    case WM_SETFOCUS: {
      // The form itself has nothing to type into: the focus goes on to the
      // control that had it, or the one that is to have it, as a dialog's
      // does (after a restore, or when the program is switched back to).
      HWND target = CanTakeFocus(FHwnd, FSavedFocus) ? FSavedFocus : nullptr;
      if (target == nullptr && form.ActiveControl != nullptr &&
          form.ActiveControl->HandleAllocated())
        target = HandleOf(*form.ActiveControl);
      if (CanTakeFocus(FHwnd, target)) {
        ::SetFocus(target);
        return 0;
      }
      return std::nullopt;
    }
    case kGetDpiScaledSize: {
      // Asked first: the size that keeps the client area's size in inches,
      // which the rectangle WM_DPICHANGED suggests then has.
      const TSize size = ControlEvents::SizeAt(form, LOWORD(wp));
      *reinterpret_cast<SIZE*>(lp) = {size.Width, size.Height};
      return TRUE;
    }
    case WM_DPICHANGED: {
      // Moved to a display of another resolution: the window goes where
      // the platform suggests, and all it holds is scaled.
      const auto* r = reinterpret_cast<const RECT*>(lp);
      ControlEvents::PixelsPerInchChanged(form, HIWORD(wp), {r->left, r->top, r->right, r->bottom});
      return 0;
    }
    case WM_QUERYENDSESSION: return TRUE;
    case WM_ENDSESSION:
      // The session ends with the program open: no WM_DESTROY will come, so
      // the settings are saved now.
      if (wp) FormEvents::SessionEnding(form);
      return 0;
    case WM_ACTIVATE:
      // As a dialog does: the focused control is kept while another window
      // is active and gets the focus back after.
      if (LOWORD(wp) == WA_INACTIVE) {
        HWND focus = GetFocus();
        if (focus != nullptr && IsChild(FHwnd, focus)) FSavedFocus = focus;
      } else if (HIWORD(wp) == 0 && CanTakeFocus(FHwnd, FSavedFocus)) {
        ::SetFocus(FSavedFocus);
        return 0;
      }
      return std::nullopt;
    case WM_NEXTDLGCTL: {
      // The dialog manager moving the focus (the arrow keys): a dialog's
      // own window procedure would do this, and a form is no dialog.
      HWND target = LOWORD(lp) != 0 ? reinterpret_cast<HWND>(wp)
                                    : GetNextDlgTabItem(FHwnd, GetFocus(), wp != 0);
      if (CanTakeFocus(FHwnd, target)) {
        ::SetFocus(target);
        if (SendMessageW(target, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL)
          SendMessageW(target, EM_SETSEL, 0, -1);
      }
      return 0;
    }
    case WM_DESTROY:
      // The menu bar stays ours; the window would destroy it with itself.
      if (FMenu) SetMenu(FHwnd, nullptr);
      return std::nullopt;
    default: return std::nullopt;
  }
}

void Win32Window::SetWindowState(uint8_t state) {
  if (FHwnd == nullptr || state == WindowState()) return;
  const int show = state == wsMinimized   ? SW_MINIMIZE
                   : state == wsMaximized ? SW_MAXIMIZE
                                          : SW_RESTORE;
  ShowWindow(FHwnd, show);
}

uint8_t Win32Window::WindowState() const {
  if (FHwnd == nullptr) return wsNormal;
  if (IsIconic(FHwnd)) return wsMinimized;
  if (IsZoomed(FHwnd)) return wsMaximized;
  return wsNormal;
}

void Win32Window::MenuChanged() {
  auto* form = dynamic_cast<TForm*>(&FControl);
  if (FHwnd == nullptr || form == nullptr) return;
  std::vector<TMenuItem*> items;
  UniqueMenu bar;
  if (form->Menu() != nullptr) bar = BuildMenu(form->Menu()->Items, true, kFirstMenuCommand, items);
  SetMenu(FHwnd, bar.Get());
  DrawMenuBar(FHwnd);
  // The old bar is no longer the window's: it goes now.
  FMenu = std::move(bar);
  FMenuItems = std::move(items);
}

void Win32Window::AcceptFiles(bool accept) {
  FAcceptFiles = accept;
  if (FHwnd != nullptr) DragAcceptFiles(FHwnd, accept);
}

}  // namespace varlo::win32
