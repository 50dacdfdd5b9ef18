#include "platform/win32/backend.h"

#include <vector>

#include "platform/menu.h"
#include "platform/win32/canvas.h"
#include "platform/win32/codepage.h"
#include "platform/win32/window.h"

namespace varlo::win32 {

Win32Backend::Win32Backend() = default;
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

TColor Win32Backend::ColorToRGB(TColor color) {
  if (color & kSystemColorFlag) {
    const COLORREF c = GetSysColor(static_cast<int>(color & 0xFF));
    return static_cast<TColor>(c);  // COLORREF is 0x00BBGGRR as well
  }
  return color & 0xFFFFFF;
}

void Win32Backend::ProcessMessages() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      // Leave it for the main loop.
      PostQuitMessage(static_cast<int>(msg.wParam));
      return;
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

void Win32Backend::WaitForInput(int milliseconds) {
  MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(milliseconds), QS_ALLINPUT);
}

void Win32Backend::ShowError(const std::string& message) {
  MessageBoxW(GetActiveWindow(), ToWide(kUtf8, message).c_str(), L"Varlo",
              MB_OK | MB_ICONERROR | MB_TASKMODAL);
}

namespace {

// Builds the menu; item i of `items` gets the command id first + i.
void AppendItems(HMENU menu, TMenuItem& parent, std::vector<TMenuItem*>& items) {
  for (int i = 0; i < parent.Count(); ++i) {
    TMenuItem& item = parent.Item(i);
    const std::wstring caption = ToWide(kUtf8, item.Caption());
    const UINT flags = MF_STRING | (item.Enabled() ? MF_ENABLED : MF_GRAYED);
    if (item.Count() > 0) {
      HMENU sub = CreatePopupMenu();
      AppendItems(sub, item, items);
      AppendMenuW(menu, flags | MF_POPUP, reinterpret_cast<UINT_PTR>(sub), caption.c_str());
    } else if (item.Caption() == "-") {
      AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    } else {
      items.push_back(&item);
      AppendMenuW(menu, flags, items.size(), caption.c_str());
    }
  }
}

}  // namespace

void Win32Backend::TrackPopupMenu(TPopupMenu& popup, TPoint screen) {
  UniqueMenu menu(CreatePopupMenu());
  std::vector<TMenuItem*> items;
  AppendItems(menu.Get(), popup.Items, items);
  HWND owner = GetActiveWindow();
  if (owner == nullptr) owner = GetForegroundWindow();
  const UINT chosen = static_cast<UINT>(
      ::TrackPopupMenu(menu.Get(), TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_LEFTALIGN,
                       static_cast<int>(screen.X), static_cast<int>(screen.Y), 0, owner, nullptr));
  if (chosen >= 1 && chosen <= items.size()) items[chosen - 1]->Click();
}

// Not yet built: the toolkit's forms and services on Win32.
void Win32Backend::RunModal(TForm&) {}
void Win32Backend::RunMessageLoop() { Run(); }
void Win32Backend::Terminate() { PostQuitMessage(0); }
TSize Win32Backend::FrameSize(uint32_t style, uint32_t exStyle, bool menu) {
  RECT r{0, 0, 0, 0};
  AdjustWindowRectEx(&r, style, menu, exStyle);
  return {r.right - r.left, r.bottom - r.top};
}
bool Win32Backend::ExecuteOpenDialog(TOpenDialog&) { return false; }
bool Win32Backend::ExecuteFontDialog(TFontDialog&) { return false; }
bool Win32Backend::ExecuteColorDialog(TColorDialog&) { return false; }
void Win32Backend::SetClipboardText(const std::string&) {}
std::string Win32Backend::ClipboardText() { return {}; }
void Win32Backend::StartTimer(TTimer&, unsigned) {}
void Win32Backend::StopTimer(TTimer&) {}
std::string Win32Backend::ExecutablePath() { return {}; }
std::vector<std::string> Win32Backend::CommandLineArguments() { return {}; }

int Win32Backend::Run() {
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return static_cast<int>(msg.wParam);
}

}  // namespace varlo::win32
