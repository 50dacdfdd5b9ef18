// The platform's own controls behind the standard ones: static text,
// buttons, check boxes, edit boxes and the tab control. Each is subclassed
// so that its keys and focus changes reach the control's events while it
// keeps its own behaviour; its parent turns its notifications into the
// control's events.
#include <windows.h>
// After windows.h, which they need.
#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <map>

#include "platform/backend.h"
#include "platform/forms.h"
#include "platform/win32/canvas.h"
#include "platform/win32/codepage.h"
#include "platform/win32/window.h"

namespace varlo::win32 {
namespace {

constexpr UINT_PTR kSubclassId = 1;

LRESULT CALLBACK NativeProc(HWND, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR self) {
  return reinterpret_cast<Win32Window*>(self)->HandleNative(msg, wp, lp);
}

void InitCommonControlsOnce() {
  static const bool done = [] {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_TAB_CLASSES | ICC_STANDARD_CLASSES};
    return InitCommonControlsEx(&icc) != FALSE;
  }();
  (void)done;
}

struct NativeClass {
  const wchar_t* name;
  DWORD style;
  DWORD exStyle;
};

NativeClass ClassOf(TWindowKind kind) {
  switch (kind) {
    // SS_NOTIFY: a label takes its own clicks. No SS_NOPREFIX: "&" marks
    // the accelerator.
    case TWindowKind::Label: return {L"STATIC", SS_LEFT | SS_NOTIFY, 0};
    case TWindowKind::Button: return {L"BUTTON", BS_PUSHBUTTON, 0};
    // Not an auto check box: the control toggles its own state and sets it.
    case TWindowKind::CheckBox: return {L"BUTTON", BS_CHECKBOX, 0};
    case TWindowKind::Edit: return {L"EDIT", WS_BORDER | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE};
    // Its pages are windows inside it; Tab goes on into them (message_loop.cpp).
    case TWindowKind::PageControl: return {WC_TABCONTROLW, 0, 0};
    default: return {nullptr, 0, 0};
  }
}

// One brush per background colour, kept for the run.
HBRUSH BrushOf(TColor color) {
  static std::map<TColor, UniqueBrush> brushes;
  auto it = brushes.find(color);
  if (it == brushes.end())
    it = brushes.emplace(color, UniqueBrush(CreateSolidBrush(ToColorRef(color)))).first;
  return static_cast<HBRUSH>(it->second.Get());
}

std::wstring WideText(HWND hwnd) {
  std::wstring text(static_cast<size_t>(GetWindowTextLengthW(hwnd)) + 1, L'\0');
  text.resize(
      static_cast<size_t>(GetWindowTextW(hwnd, text.data(), static_cast<int>(text.size()))));
  return text;
}

std::string EditText(HWND hwnd) { return FromWide(kShiftJis, WideText(hwnd)); }

// Whether a character typed into an edit box would take its text past the
// control's limit in Shift-JIS bytes (the box counts characters).
bool OverLimit(HWND hwnd, const TWinControl& control, wchar_t typed) {
  const auto* edit = dynamic_cast<const TEdit*>(&control);
  if (edit == nullptr || edit->MaxLength() == 0) return false;
  DWORD from = 0, to = 0;
  SendMessageW(hwnd, EM_GETSEL, reinterpret_cast<WPARAM>(&from), reinterpret_cast<LPARAM>(&to));
  const std::wstring text = WideText(hwnd);
  from = std::min<DWORD>(from, static_cast<DWORD>(text.size()));
  to = std::clamp<DWORD>(to, from, static_cast<DWORD>(text.size()));
  const std::wstring after = text.substr(0, from) + typed + text.substr(to);
  return FromWide(kShiftJis, after).size() > static_cast<size_t>(edit->MaxLength());
}

}  // namespace

void Win32Window::CreateNative(const TCreateParams& params, HWND parent) {
  InitCommonControlsOnce();
  const NativeClass cls = ClassOf(params.Kind);
  const std::wstring text = ToWide(params.CaptionIsShiftJis ? kShiftJis : kUtf8, params.Caption);
  HWND hwnd = CreateWindowExW(params.ExStyle | cls.exStyle, cls.name, text.c_str(),
                              params.Style | cls.style, params.X, params.Y, params.Width,
                              params.Height, parent, nullptr, GetModuleHandleW(nullptr), nullptr);
  if (hwnd == nullptr) return;
  Attach(hwnd);
  SetWindowSubclass(hwnd, NativeProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this));
  SetFont(FControl.Font());
  // Our own windows learn their size from WM_SIZE during creation; these
  // were created before they were ours.
  ControlEvents::Resized(FControl);
}

void Win32Window::DetachNative() { RemoveWindowSubclass(FHwnd, NativeProc, kSubclassId); }

LRESULT Win32Window::HandleNative(UINT msg, WPARAM wp, LPARAM lp) {
  // A handler may destroy the control and this peer with it: only the
  // handle is used after one has run.
  HWND self = FHwnd;
  TWinControl& c = FControl;
  switch (msg) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_KEYUP:
    case WM_SYSKEYUP:
      ControlEvents::Key(c, static_cast<uint16_t>(wp), msg == WM_KEYDOWN || msg == WM_SYSKEYDOWN,
                         KeyboardShiftState());
      if (!IsWindow(self)) return 0;
      break;
    case WM_CHAR:
      // A character the text has no room for is refused before the box
      // takes it, as the platform's own limit would: the text, the caret
      // and the selection stay as they are.
      if (FParams.Kind == TWindowKind::Edit && wp >= 0x20 &&
          OverLimit(self, c, static_cast<wchar_t>(wp)))
        return 0;
      break;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
    case WM_SIZE:
    case WM_MOVE: {
      // The control's own work first (an edit shows its caret), then ours.
      const LRESULT r = DefSubclassProc(self, msg, wp, lp);
      if (msg == WM_SETFOCUS) ControlEvents::FocusGained(c);
      if (msg == WM_KILLFOCUS) ControlEvents::FocusLost(c);
      if (msg == WM_SIZE) ControlEvents::Resized(c);
      if (msg == WM_MOVE) ControlEvents::Moved(c);
      return r;
    }
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_LBUTTONUP:
    case WM_RBUTTONUP: {
      // A label has no behaviour of its own for the mouse: its clicks are
      // the control's. Buttons report theirs as BN_CLICKED.
      if (FParams.Kind != TWindowKind::Label) break;
      const TMouseButton button = msg == WM_RBUTTONDOWN || msg == WM_RBUTTONUP ? mbRight : mbLeft;
      const TMouseAction action = msg == WM_LBUTTONDBLCLK ? TMouseAction::DoubleClick
                                  : msg == WM_LBUTTONUP || msg == WM_RBUTTONUP ? TMouseAction::Up
                                                                               : TMouseAction::Down;
      ControlEvents::MouseButton(c, button, action, KeyboardShiftState(), GET_X_LPARAM(lp),
                                 GET_Y_LPARAM(lp));
      if (!IsWindow(self)) return 0;
      break;
    }
    case WM_NCDESTROY:
      // Destroyed with its parent: forget it.
      Detach();
      return DefSubclassProc(self, msg, wp, lp);
    default: break;
  }
  return DefSubclassProc(self, msg, wp, lp);
}

std::optional<LRESULT> Win32Window::HandleChildMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_COMMAND: {
      Win32Window* child = PeerOf(reinterpret_cast<HWND>(lp));
      if (lp == 0 || child == nullptr) return std::nullopt;
      const UINT code = HIWORD(wp);
      const TWindowKind kind = child->Kind();
      if (code == BN_CLICKED && (kind == TWindowKind::Button || kind == TWindowKind::CheckBox)) {
        ControlEvents::UserClicked(child->Control());
      } else if (code == EN_CHANGE && kind == TWindowKind::Edit && !child->FSettingText) {
        ControlEvents::UserEdited(child->Control(), EditText(child->Hwnd()));
      }
      return 0;
    }
    case WM_NOTIFY: {
      const auto* nm = reinterpret_cast<const NMHDR*>(lp);
      Win32Window* child = PeerOf(nm->hwndFrom);
      if (child == nullptr || child->Kind() != TWindowKind::PageControl) return std::nullopt;
      if (nm->code == static_cast<UINT>(TCN_SELCHANGE)) {
        const int page = static_cast<int>(SendMessageW(nm->hwndFrom, TCM_GETCURSEL, 0, 0));
        ControlEvents::UserSelectedPage(child->Control(), page);
        return 0;
      }
      return std::nullopt;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN: {
      // Labels and check boxes sit on their parent's colour.
      Win32Window* child = PeerOf(reinterpret_cast<HWND>(lp));
      if (child == nullptr || child->Kind() == TWindowKind::Edit) return std::nullopt;
      auto dc = reinterpret_cast<HDC>(wp);
      SetTextColor(dc, ToColorRef(child->Control().Font().Color));
      SetBkColor(dc, ToColorRef(FControl.Color()));
      return reinterpret_cast<LRESULT>(BrushOf(FControl.Color()));
    }
    default: return std::nullopt;
  }
}

void Win32Window::SetFont(const TFont& font) {
  if (FHwnd != nullptr && Native())
    SendMessageW(FHwnd, WM_SETFONT, reinterpret_cast<WPARAM>(FontHandle(font)), TRUE);
}

void Win32Window::SetChecked(bool checked) {
  if (FHwnd != nullptr && FParams.Kind == TWindowKind::CheckBox)
    SendMessageW(FHwnd, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

void Win32Window::SetDefaultButton(bool value) {
  if (FHwnd != nullptr && FParams.Kind == TWindowKind::Button)
    SendMessageW(FHwnd, BM_SETSTYLE, value ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
}

void Win32Window::SetPages(const std::vector<std::string>& captions) {
  if (FHwnd == nullptr || FParams.Kind != TWindowKind::PageControl) return;
  const LRESULT active = SendMessageW(FHwnd, TCM_GETCURSEL, 0, 0);
  SendMessageW(FHwnd, TCM_DELETEALLITEMS, 0, 0);
  for (size_t i = 0; i < captions.size(); ++i) {
    std::wstring text = ToWide(kUtf8, captions[i]);
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = text.data();
    SendMessageW(FHwnd, TCM_INSERTITEMW, i, reinterpret_cast<LPARAM>(&item));
  }
  if (active >= 0) SendMessageW(FHwnd, TCM_SETCURSEL, static_cast<WPARAM>(active), 0);
}

void Win32Window::SetActivePage(int page) {
  if (FHwnd != nullptr && FParams.Kind == TWindowKind::PageControl)
    SendMessageW(FHwnd, TCM_SETCURSEL, static_cast<WPARAM>(page), 0);
}

TRect Win32Window::PageArea() const {
  if (FHwnd == nullptr || FParams.Kind != TWindowKind::PageControl) return {};
  // The tab control says where its display area is, its tabs and edges
  // drawn in its font at its resolution.
  RECT r{};
  GetClientRect(FHwnd, &r);
  SendMessageW(FHwnd, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&r));
  return {r.left, r.top, r.right, r.bottom};
}

void Win32Window::SelectAll() {
  if (FHwnd != nullptr && FParams.Kind == TWindowKind::Edit) SendMessageW(FHwnd, EM_SETSEL, 0, -1);
}

}  // namespace varlo::win32
