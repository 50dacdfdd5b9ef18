// The message loops: the program's, the modal one of a form, and the one a
// handler runs to let pending messages through. All of them hand each
// message to DispatchOne, so keys behave the same in all of them: the form
// sees a key first (menu shortcuts, Enter, Esc, accelerators), then Tab and
// the arrows move the focus, then the focused window gets it.
#include <windows.h>

#include <algorithm>
#include <cctype>
#include <vector>

#include "platform/forms.h"
#include "platform/win32/backend.h"
#include "platform/win32/window.h"

namespace varlo::win32 {
namespace {

// The letter of an accelerator key (Alt+letter, or a letter on a button).
char AcceleratorLetter(WPARAM ch) {
  return ch < 0x80 && std::isalnum(static_cast<int>(ch)) ? static_cast<char>(ch) : 0;
}

bool OnButton(HWND hwnd) {
  const Win32Window* peer = PeerOf(hwnd);
  return peer != nullptr &&
         (peer->Kind() == TWindowKind::Button || peer->Kind() == TWindowKind::CheckBox);
}

bool IsArrowKey(WPARAM key) {
  return key == VK_LEFT || key == VK_UP || key == VK_RIGHT || key == VK_DOWN;
}

// The controls inside `parent` that Tab stops at, in creation order: a
// control, then the controls inside it. A notebook is a stop of its own and
// its page's controls follow it, which the dialog manager cannot do (it
// takes a window with controls inside for a container only).
void CollectTabStops(HWND parent, std::vector<HWND>& stops) {
  for (HWND h = GetWindow(parent, GW_CHILD); h != nullptr; h = GetWindow(h, GW_HWNDNEXT)) {
    Win32Window* peer = PeerOf(h);
    if (peer == nullptr || !IsWindowVisible(h) || !IsWindowEnabled(h)) continue;
    if (GetWindowLongW(h, GWL_STYLE) & WS_TABSTOP) stops.push_back(h);
    if (!peer->Control().Controls().empty()) CollectTabStops(h, stops);
  }
}

// Tab and Shift+Tab: the focus to the next or previous stop of the form,
// round at the ends. A control that asks for Tab keeps it.
bool TabTakes(const MSG& msg) {
  if (msg.message != WM_KEYDOWN || msg.wParam != VK_TAB) return false;
  const TShiftState shift = KeyboardShiftState();
  if (shift & (ssCtrl | ssAlt)) return false;
  const LRESULT code =
      SendMessageW(msg.hwnd, WM_GETDLGCODE, msg.wParam, reinterpret_cast<LPARAM>(&msg));
  if (code & (DLGC_WANTTAB | DLGC_WANTALLKEYS)) return false;
  HWND root = GetAncestor(msg.hwnd, GA_ROOT);
  // With the form itself focused (no control can take the focus) the key
  // is the form's own, for its key handler.
  if (FormOf(root) == nullptr || root == msg.hwnd) return false;
  std::vector<HWND> stops;
  CollectTabStops(root, stops);
  if (stops.empty()) return true;
  const auto at = std::find(stops.begin(), stops.end(), msg.hwnd);
  const size_t n = stops.size();
  size_t next = 0;
  if (at == stops.end()) {
    next = (shift & ssShift) ? n - 1 : 0;
  } else {
    const size_t i = static_cast<size_t>(at - stops.begin());
    next = (shift & ssShift) ? (i + n - 1) % n : (i + 1) % n;
  }
  ::SetFocus(stops[next]);
  // As in a dialog, an edit box reached by Tab has its text selected.
  if (const Win32Window* peer = PeerOf(stops[next]);
      peer != nullptr && peer->Kind() == TWindowKind::Edit)
    SendMessageW(stops[next], EM_SETSEL, 0, -1);
  return true;
}

// True when the form took the message.
bool FormTakes(const MSG& msg) {
  TForm* form = FormOf(msg.hwnd);
  if (form == nullptr) return false;
  switch (msg.message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      return FormEvents::Key(*form, static_cast<uint16_t>(msg.wParam), KeyboardShiftState());
    case WM_SYSCHAR:
      if (char letter = AcceleratorLetter(msg.wParam))
        return FormEvents::Accelerator(*form, letter);
      return false;
    case WM_CHAR:
      if (char letter = AcceleratorLetter(msg.wParam); letter != 0 && OnButton(msg.hwnd))
        return FormEvents::Accelerator(*form, letter);
      return false;
    default: return false;
  }
}

// The arrow keys move between the form's controls as in a dialog, unless
// the focused control asks for them (WM_GETDLGCODE). Only they go to the
// dialog manager: Enter, Esc and the accelerators are the form's (above)
// and must not act a second time.
bool DialogTakes(MSG& msg) {
  if (msg.message != WM_KEYDOWN || !IsArrowKey(msg.wParam)) return false;
  HWND root = GetAncestor(msg.hwnd, GA_ROOT);
  return FormOf(root) != nullptr && root != msg.hwnd && IsDialogMessageW(root, &msg);
}

// The top-level windows of the thread that take input, but for `except`,
// disabled while a modal form runs and enabled again after.
class DisabledWindows {
 public:
  explicit DisabledWindows(HWND except) : FExcept(except) {
    EnumThreadWindows(GetCurrentThreadId(), &DisabledWindows::Collect,
                      reinterpret_cast<LPARAM>(this));
    for (HWND h : FWindows) EnableWindow(h, FALSE);
  }
  ~DisabledWindows() {
    for (HWND h : FWindows)
      if (IsWindow(h)) EnableWindow(h, TRUE);
  }
  DisabledWindows(const DisabledWindows&) = delete;
  DisabledWindows& operator=(const DisabledWindows&) = delete;

 private:
  static BOOL CALLBACK Collect(HWND hwnd, LPARAM self) {
    auto* me = reinterpret_cast<DisabledWindows*>(self);
    if (hwnd != me->FExcept && IsWindowVisible(hwnd) && IsWindowEnabled(hwnd))
      me->FWindows.push_back(hwnd);
    return TRUE;
  }
  HWND FExcept;
  std::vector<HWND> FWindows;
};

}  // namespace

void DispatchOne(MSG& msg) {
  if (FormTakes(msg) || (IsWindow(msg.hwnd) && (TabTakes(msg) || DialogTakes(msg)))) return;
  TranslateMessage(&msg);
  DispatchMessageW(&msg);
}

void Win32Backend::ProcessMessages() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      // Leave it for the loop that runs this one.
      PostQuitMessage(static_cast<int>(msg.wParam));
      return;
    }
    DispatchOne(msg);
  }
}

void Win32Backend::ProcessPaintMessages() {
  // Input and posted messages stay queued for the loop that runs next;
  // looking at the queue also keeps the system from taking the program for
  // hung.
  MSG msg;
  while (PeekMessageW(&msg, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE | PM_QS_PAINT))
    DispatchMessageW(&msg);
}

bool Win32Backend::MessageWaiting() { return HIWORD(GetQueueStatus(QS_INPUT | QS_PAINT)) != 0; }

bool Win32Backend::ProcessBusyMessages() {
  bool escape = false;
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      return true;
    }
    // Keys would act on the text before the wait is over: only Esc counts.
    if (msg.message >= WM_KEYFIRST && msg.message <= WM_KEYLAST) {
      if ((msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN) && msg.wParam == VK_ESCAPE)
        escape = true;
      continue;
    }
    // So would clicks in the windows; the frame's (moving, the close box)
    // come as non-client messages and run.
    if (msg.message >= WM_MOUSEFIRST && msg.message <= WM_MOUSELAST) continue;
    DispatchMessageW(&msg);
  }
  return escape;
}

void Win32Backend::RunModal(TForm& form) {
  form.HandleNeeded();
  HWND self = HandleOf(form);
  HWND previous = GetActiveWindow();
  bool quit = false;
  WPARAM quitCode = 0;
  {
    DisabledWindows others(self);
    form.Show();
    // The form may close while a message is handled, or from a nested
    // loop: it is looked at after every message and at every wake-up.
    while (!form.Closed()) {
      MSG msg;
      if (!PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        // A message sent from another thread (a button clicked by
        // message) is handled inside PeekMessage and may have closed the
        // form: waiting then would wait for the next unrelated input.
        if (!form.Closed()) WaitMessage();
        continue;
      }
      if (msg.message == WM_QUIT) {
        quit = true;
        quitCode = msg.wParam;
        break;
      }
      DispatchOne(msg);
    }
    // The other windows take input again before the form hides, so that
    // the activation can go back to one of them.
  }
  form.Hide();
  if (previous != nullptr && previous != self && IsWindow(previous)) SetActiveWindow(previous);
  // The program is ending: the loops outside this one end too.
  if (quit) PostQuitMessage(static_cast<int>(quitCode));
}

void Win32Backend::RunMessageLoop() { Run(); }

void Win32Backend::Terminate() { PostQuitMessage(0); }

int Win32Backend::Run() {
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchOne(msg);
  return static_cast<int>(msg.wParam);
}

}  // namespace varlo::win32
