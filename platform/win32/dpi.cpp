#include "platform/win32/dpi.h"

#include "platform/font.h"
#include "platform/win32/handles.h"

namespace varlo::win32 {
namespace {

// The calls, as the system that has them declares them.
using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
using GetDpiForSystemFn = UINT(WINAPI*)();
using GetSystemMetricsForDpiFn = int(WINAPI*)(int, UINT);
using AdjustWindowRectExForDpiFn = BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT);
using GetDpiForMonitorFn = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
using LoadIconWithScaleDownFn = HRESULT(WINAPI*)(HINSTANCE, PCWSTR, int, int, HICON*);
constexpr int kEffectiveDpi = 0;  // MDT_EFFECTIVE_DPI

template <class F>
F Lookup(const wchar_t* module, const char* name) {
  HMODULE h = GetModuleHandleW(module);
  if (h == nullptr) h = LoadLibraryW(module);
  return h != nullptr ? reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(h, name)))
                      : nullptr;
}

struct Calls {
  GetDpiForWindowFn forWindow = Lookup<GetDpiForWindowFn>(L"user32.dll", "GetDpiForWindow");
  GetDpiForSystemFn forSystem = Lookup<GetDpiForSystemFn>(L"user32.dll", "GetDpiForSystem");
  GetSystemMetricsForDpiFn metric =
      Lookup<GetSystemMetricsForDpiFn>(L"user32.dll", "GetSystemMetricsForDpi");
  AdjustWindowRectExForDpiFn adjust =
      Lookup<AdjustWindowRectExForDpiFn>(L"user32.dll", "AdjustWindowRectExForDpi");
  GetDpiForMonitorFn forMonitor = Lookup<GetDpiForMonitorFn>(L"shcore.dll", "GetDpiForMonitor");
  LoadIconWithScaleDownFn icon =
      Lookup<LoadIconWithScaleDownFn>(L"comctl32.dll", "LoadIconWithScaleDown");
};

const Calls& Available() {
  static const Calls calls;
  return calls;
}

}  // namespace

int SystemDpi() {
  if (Available().forSystem != nullptr) return static_cast<int>(Available().forSystem());
  const WindowDc screen(nullptr);
  const int dpi = GetDeviceCaps(screen.Get(), LOGPIXELSY);
  return dpi > 0 ? dpi : kPixelsPerInch;
}

int PrimaryDpi() {
  UINT x = 0, y = 0;
  if (Available().forMonitor != nullptr &&
      SUCCEEDED(Available().forMonitor(MonitorFromPoint({0, 0}, MONITOR_DEFAULTTOPRIMARY),
                                       kEffectiveDpi, &x, &y)) &&
      y > 0)
    return static_cast<int>(y);
  return SystemDpi();
}

int WindowDpi(HWND hwnd) {
  if (hwnd != nullptr && Available().forWindow != nullptr)
    if (const UINT dpi = Available().forWindow(hwnd); dpi > 0) return static_cast<int>(dpi);
  return SystemDpi();
}

int MetricForDpi(int index, int dpi) {
  if (Available().metric != nullptr) return Available().metric(index, static_cast<UINT>(dpi));
  return MulDivRounded(GetSystemMetrics(index), dpi, SystemDpi());
}

void AdjustRectForDpi(RECT& rect, DWORD style, bool menu, DWORD exStyle, int dpi) {
  if (Available().adjust != nullptr &&
      Available().adjust(&rect, style, menu, exStyle, static_cast<UINT>(dpi)))
    return;
  AdjustWindowRectEx(&rect, style, menu, exStyle);
}

HICON LoadSystemIcon(LPCWSTR id, int size) {
  HICON icon = nullptr;
  if (Available().icon != nullptr && SUCCEEDED(Available().icon(nullptr, id, size, size, &icon)))
    return icon;
  // Shared icons are the system's: a copy is the caller's to destroy.
  return CopyIcon(LoadIconW(nullptr, id));
}

}  // namespace varlo::win32
