// The window of a control: one window procedure turns messages into the
// control's events through ControlEvents; nothing above this file sees a
// WPARAM or an LPARAM.
#include <windows.h>
#include <windowsx.h>

#include "platform/forms.h"
#include "platform/win32/backend.h"
#include "platform/win32/canvas.h"
#include "platform/win32/codepage.h"
#include "platform/win32/dpi.h"
#include "platform/win32/window.h"

namespace varlo::win32 {
namespace {

constexpr wchar_t kClassName[] = L"VarloWindow";
// Every window of ours, native controls included, names its peer here.
constexpr wchar_t kPeerProperty[] = L"VarloPeer";

LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

void RegisterClassOnce() {
  static const bool registered = [] {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    // Double clicks arrive as such; the background is each window's own.
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    // The program's icon, in the sizes the frame and the task bar ask for.
    wc.hIcon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1));
    wc.hIconSm = static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1),
                                               IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                               GetSystemMetrics(SM_CYSMICON), LR_SHARED));
    wc.lpszClassName = kClassName;
    return RegisterClassExW(&wc) != 0;
  }();
  (void)registered;
}

TShiftState MouseShift(WPARAM wp) {
  TShiftState s = 0;
  if (wp & MK_SHIFT) s |= ssShift;
  if (wp & MK_CONTROL) s |= ssCtrl;
  if (GetKeyState(VK_MENU) < 0) s |= ssAlt;
  return s;
}

}  // namespace

Win32Window::Win32Window(TWinControl& control) : FControl(control) {}

Win32Window::~Win32Window() { Destroy(); }

void Win32Window::Attach(HWND hwnd) {
  FHwnd = hwnd;
  SetPropW(hwnd, kPeerProperty, this);
}

void Win32Window::Detach() {
  if (FHwnd == nullptr) return;
  RemovePropW(FHwnd, kPeerProperty);
  if (Native()) {
    DetachNative();
  } else {
    SetWindowLongPtrW(FHwnd, GWLP_USERDATA, 0);
  }
  FHwnd = nullptr;
}

void Win32Window::Destroy() {
  if (FHwnd == nullptr) return;
  HWND h = FHwnd;
  // The menu bar stays ours: the window would destroy it with itself.
  if (FMenu) SetMenu(h, nullptr);
  // The control is going away: no more events for it.
  Detach();
  DestroyWindow(h);
}

bool Win32Window::Native() const {
  switch (FParams.Kind) {
    case TWindowKind::Generic:
    case TWindowKind::Form:
    case TWindowKind::Panel: return false;
    default: return true;
  }
}

void Win32Window::Create(const TCreateParams& params, WindowPeer* parent) {
  Destroy();
  RegisterClassOnce();
  FParams = params;
  FSavedFocus = nullptr;
  HWND parentHwnd = parent != nullptr ? static_cast<Win32Window*>(parent)->Hwnd() : nullptr;
  if (Native()) {
    CreateNative(params, parentHwnd);
  } else {
    const std::wstring text = ToWide(params.CaptionIsShiftJis ? kShiftJis : kUtf8, params.Caption);
    DWORD exStyle = params.ExStyle;
    // Tab and the arrow keys move on into a panel's (or a page's) controls.
    if (params.Kind == TWindowKind::Panel) exStyle |= WS_EX_CONTROLPARENT;
    DWORD style = params.Style;
    if (FControl.TabStop() && (style & WS_CHILD)) style |= WS_TABSTOP;
    // The handle is known from WM_NCCREATE on, so events during creation
    // (WM_SIZE among them) already reach the control.
    CreateWindowExW(exStyle, kClassName, text.c_str(), style, params.X, params.Y, params.Width,
                    params.Height, parentHwnd, nullptr, GetModuleHandleW(nullptr), this);
  }
  if (FHwnd != nullptr && FAcceptFiles) DragAcceptFiles(FHwnd, TRUE);
}

void Win32Window::SetBounds(const TRect& b) {
  if (FHwnd == nullptr) return;
  SetWindowPos(FHwnd, nullptr, b.Left, b.Top, b.Width(), b.Height(), SWP_NOZORDER | SWP_NOACTIVATE);
}

TRect Win32Window::Bounds() const {
  if (FHwnd == nullptr) return {};
  RECT r{};
  GetWindowRect(FHwnd, &r);
  if (HWND parent = GetParent(FHwnd);
      parent != nullptr && (GetWindowLongW(FHwnd, GWL_STYLE) & WS_CHILD))
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
  return {r.left, r.top, r.right, r.bottom};
}

TSize Win32Window::ClientSize() const {
  if (FHwnd == nullptr) return {FParams.Width, FParams.Height};
  RECT r{};
  GetClientRect(FHwnd, &r);
  return {r.right - r.left, r.bottom - r.top};
}

void Win32Window::SetText(const std::string& text, bool shiftJis) {
  if (FHwnd == nullptr) return;
  // An edit box reports the change as EN_CHANGE at once; it is not the user's.
  FSettingText = true;
  SetWindowTextW(FHwnd, ToWide(shiftJis ? kShiftJis : kUtf8, text).c_str());
  FSettingText = false;
}

void Win32Window::SetVisible(bool visible) {
  if (FHwnd != nullptr) ShowWindow(FHwnd, visible ? SW_SHOW : SW_HIDE);
}

void Win32Window::SetEnabled(bool enabled) {
  if (FHwnd != nullptr) EnableWindow(FHwnd, enabled);
}

void Win32Window::Invalidate() {
  if (FHwnd != nullptr) InvalidateRect(FHwnd, nullptr, FALSE);
}

void Win32Window::PaintNow() {
  if (FHwnd == nullptr) return;
  WindowDc dc(FHwnd);
  const TSize client = ClientSize();
  DcCanvas canvas(dc.Get(), {0, 0, client.Width, client.Height});
  ControlEvents::Paint(FControl, canvas);
}

void Win32Window::SetFocus() {
  if (FHwnd != nullptr) ::SetFocus(FHwnd);
}

bool Win32Window::Focused() const { return FHwnd != nullptr && GetFocus() == FHwnd; }

void Win32Window::BringToFront() {
  if (FHwnd != nullptr) SetWindowPos(FHwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

TPoint Win32Window::ClientToScreen(TPoint client) const {
  POINT p{static_cast<LONG>(client.X), static_cast<LONG>(client.Y)};
  if (FHwnd != nullptr) ::ClientToScreen(FHwnd, &p);
  return {p.x, p.y};
}

namespace {
int Bar(TScrollBarKind bar) { return bar == sbVertical ? SB_VERT : SB_HORZ; }
}  // namespace

void Win32Window::SetScrollRange(TScrollBarKind bar, int min, int max, bool redraw) {
  if (FHwnd != nullptr) ::SetScrollRange(FHwnd, Bar(bar), min, max, redraw);
}

void Win32Window::GetScrollRange(TScrollBarKind bar, int& min, int& max) const {
  min = max = 0;
  if (FHwnd != nullptr) ::GetScrollRange(FHwnd, Bar(bar), &min, &max);
}

void Win32Window::SetScrollPos(TScrollBarKind bar, int pos, bool redraw) {
  if (FHwnd != nullptr) ::SetScrollPos(FHwnd, Bar(bar), pos, redraw);
}

TScrollInfo Win32Window::GetScrollInfo(TScrollBarKind bar) const {
  SCROLLINFO si{};
  si.cbSize = sizeof si;  // 28 bytes
  si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_TRACKPOS;
  if (FHwnd != nullptr) ::GetScrollInfo(FHwnd, Bar(bar), &si);
  return {si.nMin, si.nMax, static_cast<int>(si.nPage), si.nPos, si.nTrackPos};
}

void Win32Window::CreateCaret(int width, int height) {
  if (FHwnd != nullptr) ::CreateCaret(FHwnd, nullptr, width, height);
}

void Win32Window::DestroyCaret() { ::DestroyCaret(); }

bool Win32Window::ShowCaret() { return FHwnd != nullptr && ::ShowCaret(FHwnd); }

void Win32Window::HideCaret() {
  if (FHwnd != nullptr) ::HideCaret(FHwnd);
}

void Win32Window::SetCaretPos(int x, int y) { ::SetCaretPos(x, y); }

int Win32Window::PixelsPerInch() const {
  return FHwnd != nullptr ? WindowDpi(FHwnd) : PrimaryDpi();
}

TTextMetric Win32Window::FontMetrics(const TFont& font) {
  WindowDc dc(FHwnd);
  DcCanvas canvas(dc.Get(), {});
  canvas.SetFont(font);
  return canvas.TextMetrics();
}

LRESULT Win32Window::Handle(UINT msg, WPARAM wp, LPARAM lp) {
  TWinControl& c = FControl;
  if (const std::optional<LRESULT> r = HandleChildMessage(msg, wp, lp)) return *r;
  if (FParams.Kind == TWindowKind::Form)
    if (const std::optional<LRESULT> r = HandleFormMessage(msg, wp, lp)) return *r;
  switch (msg) {
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(FHwnd, &ps);
      DcCanvas canvas(dc, {ps.rcPaint.left, ps.rcPaint.top, ps.rcPaint.right, ps.rcPaint.bottom});
      if (FParams.EraseBackground && ps.fErase) {
        canvas.SetBrushColor(c.Color());
        canvas.FillRect(canvas.ClipRect());
      }
      ControlEvents::Paint(c, canvas);
      EndPaint(FHwnd, &ps);
      return 0;
    }
    case WM_ERASEBKGND:
      if (!FParams.EraseBackground) return 1;
      break;
    case WM_SIZE:
      // A minimised window keeps its layout: its children are not sized to
      // the empty client area, so restoring shows what was shown.
      if (wp != SIZE_MINIMIZED) ControlEvents::Resized(c);
      return 0;
    case WM_MOVE: ControlEvents::Moved(c); return 0;
    case WM_SETFOCUS: ControlEvents::FocusGained(c); return 0;
    case WM_KILLFOCUS: ControlEvents::FocusLost(c); return 0;
    case WM_NCHITTEST:
      return ControlEvents::NCHitTest(c, static_cast<int>(DefWindowProcW(FHwnd, msg, wp, lp)));
    case WM_NCLBUTTONDOWN: ControlEvents::NCLButtonDown(c); break;
    case WM_GETMINMAXINFO: {
      DefWindowProcW(FHwnd, msg, wp, lp);
      auto* mmi = reinterpret_cast<MINMAXINFO*>(lp);
      TMinMaxInfo info;
      info.MaxSize = {mmi->ptMaxSize.x, mmi->ptMaxSize.y};
      info.MaxPosition = {mmi->ptMaxPosition.x, mmi->ptMaxPosition.y};
      info.MinTrackSize = {mmi->ptMinTrackSize.x, mmi->ptMinTrackSize.y};
      info.MaxTrackSize = {mmi->ptMaxTrackSize.x, mmi->ptMaxTrackSize.y};
      ControlEvents::MinMaxInfo(c, info);
      mmi->ptMaxSize = {info.MaxSize.Width, info.MaxSize.Height};
      mmi->ptMinTrackSize = {info.MinTrackSize.Width, info.MinTrackSize.Height};
      mmi->ptMaxTrackSize = {info.MaxTrackSize.Width, info.MaxTrackSize.Height};
      return 0;
    }
    case WM_GETDLGCODE: {
      // The dialog navigation asks with the key it is about to act on.
      const auto* key = reinterpret_cast<const MSG*>(lp);
      if (key != nullptr && key->message == WM_KEYDOWN) {
        const auto vk = static_cast<uint16_t>(key->wParam);
        if (!ControlEvents::WantsKey(c, vk)) return 0;
        if (vk == VK_TAB) return DLGC_WANTTAB;
        return vk >= VK_LEFT && vk <= VK_DOWN ? DLGC_WANTARROWS : DLGC_WANTMESSAGE;
      }
      return ControlEvents::WantsKey(c, VK_DOWN) ? DLGC_WANTARROWS : 0;
    }
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_KEYUP:
    case WM_SYSKEYUP: {
      HWND self = FHwnd;
      const bool down = msg == WM_KEYDOWN || msg == WM_SYSKEYDOWN;
      ControlEvents::Key(c, static_cast<uint16_t>(wp), down, KeyboardShiftState());
      // Alt+F4, the system menu keys, and the context-menu key and Shift+F10
      // (which the default processing turns into WM_CONTEXTMENU), unless the
      // handler closed the window. The release of Shift+F10 is not F10's: it
      // must not open the menu bar after the context menu.
      const bool shiftF10Up = msg == WM_SYSKEYUP && wp == VK_F10 && GetKeyState(VK_SHIFT) < 0;
      if (msg != WM_KEYDOWN && !shiftF10Up && IsWindow(self))
        return DefWindowProcW(self, msg, wp, lp);
      return 0;
    }
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDBLCLK: {
      const TMouseButton button = msg == WM_LBUTTONDOWN || msg == WM_LBUTTONDBLCLK   ? mbLeft
                                  : msg == WM_RBUTTONDOWN || msg == WM_RBUTTONDBLCLK ? mbRight
                                                                                     : mbMiddle;
      const bool dbl =
          msg == WM_LBUTTONDBLCLK || msg == WM_RBUTTONDBLCLK || msg == WM_MBUTTONDBLCLK;
      // The release and the moves of a drag arrive even outside the window.
      SetCapture(FHwnd);
      ControlEvents::MouseButton(c, button, dbl ? TMouseAction::DoubleClick : TMouseAction::Down,
                                 MouseShift(wp), GET_X_LPARAM(lp), GET_Y_LPARAM(lp));
      return 0;
    }
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP: {
      const TMouseButton button = msg == WM_LBUTTONUP   ? mbLeft
                                  : msg == WM_RBUTTONUP ? mbRight
                                                        : mbMiddle;
      HWND self = FHwnd;
      FReleasing = true;
      ControlEvents::MouseButton(c, button, TMouseAction::Up, MouseShift(wp), GET_X_LPARAM(lp),
                                 GET_Y_LPARAM(lp));
      if (GetCapture() == self) ReleaseCapture();
      FReleasing = false;
      // The default processing of a right release asks for the context
      // menu (WM_CONTEXTMENU), which the parent form shows.
      if (msg == WM_RBUTTONUP && IsWindow(self)) return DefWindowProcW(self, msg, wp, lp);
      return 0;
    }
    case WM_MOUSEWHEEL: {
      const auto delta = static_cast<short>(HIWORD(wp));
      if (ControlEvents::MouseWheel(c, delta, MouseShift(LOWORD(wp)))) return 0;
      break;
    }
    case WM_MOUSEMOVE:
      ControlEvents::MouseMove(c, MouseShift(wp), GET_X_LPARAM(lp), GET_Y_LPARAM(lp));
      return 0;
    case WM_CAPTURECHANGED:
      if (!FReleasing && reinterpret_cast<HWND>(lp) != FHwnd) ControlEvents::CaptureLost(c);
      return 0;
    case WM_NCDESTROY: {
      // Destroyed from outside (a closed top-level window): forget it.
      HWND h = FHwnd;
      Detach();
      return DefWindowProcW(h, msg, wp, lp);
    }
    case WM_VSCROLL:
    case WM_HSCROLL:
      ControlEvents::Scroll(c, msg == WM_VSCROLL ? sbVertical : sbHorizontal, LOWORD(wp));
      return 0;
    default: break;
  }
  return DefWindowProcW(FHwnd, msg, wp, lp);
}

namespace {

LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_NCCREATE) {
    auto* self = static_cast<Win32Window*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    self->Attach(hwnd);
  }
  auto* self = reinterpret_cast<Win32Window*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (self == nullptr) return DefWindowProcW(hwnd, msg, wp, lp);
  return self->Handle(msg, wp, lp);
}

}  // namespace

HWND HandleOf(TWinControl& control) { return static_cast<Win32Window&>(control.Peer()).Hwnd(); }

Win32Window* PeerOf(HWND hwnd) {
  return hwnd != nullptr ? static_cast<Win32Window*>(GetPropW(hwnd, kPeerProperty)) : nullptr;
}

TForm* FormOf(HWND hwnd) {
  Win32Window* peer = PeerOf(GetAncestor(hwnd, GA_ROOT));
  return peer != nullptr && peer->Kind() == TWindowKind::Form
             ? dynamic_cast<TForm*>(&peer->Control())
             : nullptr;
}

}  // namespace varlo::win32
