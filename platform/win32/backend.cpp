#include "platform/win32/backend.h"

#include <algorithm>
#include <iterator>
#include <vector>

#include "platform/menu.h"
#include "platform/win32/canvas.h"
#include "platform/win32/codepage.h"
#include "platform/win32/dpi.h"
#include "platform/win32/menus.h"
#include "platform/win32/window.h"

namespace varlo::win32 {

Win32Backend::Win32Backend() {
  std::fill(std::begin(FCustomColors), std::end(FCustomColors), RGB(255, 255, 255));
}
Win32Backend::~Win32Backend() = default;

std::unique_ptr<WindowPeer> Win32Backend::CreateWindowPeer(TWinControl& control) {
  return std::make_unique<Win32Window>(control);
}

std::unique_ptr<TBitmapCanvas> Win32Backend::CreateBitmapCanvas() {
  return std::make_unique<DibCanvas>();
}

TPoint Win32Backend::CursorPos() {
  POINT p{};
  GetCursorPos(&p);
  return {p.x, p.y};
}

int Win32Backend::SystemMetric(TSystemMetric metric) {
  return GetSystemMetrics(static_cast<int>(metric));
}

int Win32Backend::SystemMetricAt(TSystemMetric metric, int ppi) {
  return MetricForDpi(static_cast<int>(metric), ppi);
}

int Win32Backend::ScreenPixelsPerInch() { return PrimaryDpi(); }

unsigned Win32Backend::WheelScrollLines() {
  UINT lines = 3;
  if (!SystemParametersInfoW(SPI_GETWHEELSCROLLLINES, 0, &lines, 0)) lines = 3;
  return lines;  // WHEEL_PAGESCROLL is kWheelPage
}

TColor Win32Backend::ColorToRGB(TColor color) {
  if (color & kSystemColorFlag) {
    const COLORREF c = GetSysColor(static_cast<int>(color & 0xFF));
    return static_cast<TColor>(c);  // COLORREF is 0x00BBGGRR as well
  }
  return color & 0xFFFFFF;
}

void Win32Backend::WaitForInput(int milliseconds) {
  MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(milliseconds), QS_ALLINPUT);
}

void Win32Backend::ShowError(const std::string& message) {
  MessageBoxW(GetActiveWindow(), ToWide(kUtf8, message).c_str(), L"Varlo",
              MB_OK | MB_ICONERROR | MB_TASKMODAL);
}

void Win32Backend::TrackPopupMenu(TPopupMenu& popup, TPoint screen) {
  std::vector<TMenuItem*> items;
  UniqueMenu menu = BuildMenu(popup.Items, false, 1, items);
  HWND owner = GetActiveWindow();
  if (owner == nullptr) owner = GetForegroundWindow();
  // The choice comes back here rather than as a WM_COMMAND to the owner.
  const UINT chosen = static_cast<UINT>(
      ::TrackPopupMenu(menu.Get(), TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_LEFTALIGN,
                       static_cast<int>(screen.X), static_cast<int>(screen.Y), 0, owner, nullptr));
  if (chosen >= 1 && chosen <= items.size()) MenuEvents::Chosen(*items[chosen - 1]);
}

TSize Win32Backend::FrameSize(uint32_t style, uint32_t exStyle, bool menu, int ppi) {
  RECT r{0, 0, 0, 0};
  AdjustRectForDpi(r, style, menu, exStyle, ppi);
  return {r.right - r.left, r.bottom - r.top};
}

}  // namespace varlo::win32
