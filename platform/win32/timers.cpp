// Timers on a hidden message-only window of the backend: every message
// loop dispatches WM_TIMER, the program's modal loops and the platform's
// (message boxes, menus, common dialogs) alike, so timers keep firing
// while any of them runs.
#include "platform/timer.h"
#include "platform/win32/backend.h"

namespace varlo::win32 {
namespace {

constexpr wchar_t kServiceClass[] = L"VarloService";

}  // namespace

HWND Win32Backend::ServiceWindow() {
  if (!FServiceWindow) {
    static const bool registered = [] {
      WNDCLASSEXW wc{};
      wc.cbSize = sizeof wc;
      wc.lpfnWndProc = &Win32Backend::ServiceProc;
      wc.hInstance = GetModuleHandleW(nullptr);
      wc.lpszClassName = kServiceClass;
      return RegisterClassExW(&wc) != 0;
    }();
    (void)registered;
    FServiceWindow.Reset(CreateWindowExW(0, kServiceClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                         nullptr, GetModuleHandleW(nullptr), nullptr));
    SetWindowLongPtrW(FServiceWindow.Get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  }
  return FServiceWindow.Get();
}

LRESULT CALLBACK Win32Backend::ServiceProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_TIMER) {
    auto* self = reinterpret_cast<Win32Backend*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    // A timer stopped after its message was queued is gone from the map.
    if (self != nullptr)
      if (auto it = self->FTimers.find(wp); it != self->FTimers.end()) it->second->Fire();
    return 0;
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

void Win32Backend::StartTimer(TTimer& timer, unsigned milliseconds) {
  StopTimer(timer);
  // Ids are never reused, so a late message of a stopped timer finds nothing.
  const UINT_PTR id = FNextTimerId++;
  if (SetTimer(ServiceWindow(), id, milliseconds, nullptr) != 0) FTimers[id] = &timer;
}

void Win32Backend::StopTimer(TTimer& timer) {
  for (auto it = FTimers.begin(); it != FTimers.end(); ++it)
    if (it->second == &timer) {
      KillTimer(FServiceWindow.Get(), it->first);
      FTimers.erase(it);
      return;
    }
}

}  // namespace varlo::win32
