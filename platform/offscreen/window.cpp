#include <algorithm>

#include "platform/cp932.h"
#include "platform/offscreen/backend.h"

namespace varlo::offscreen {
namespace {

// The length of the Shift-JIS character at `at`.
int CharLength(const std::string& text, int at) {
  const bool pair = IsLeadByte932(static_cast<unsigned char>(text[static_cast<size_t>(at)])) &&
                    at + 1 < static_cast<int>(text.size());
  return pair ? 2 : 1;
}

// Where the character before `at` starts.
int CharBefore(const std::string& text, int at) {
  int start = 0;
  for (int i = 0; i < at; i += CharLength(text, i)) start = i;
  return start;
}

}  // namespace

Window::Window(OffscreenBackend& backend, TWinControl& control)
    : FBackend(backend), FControl(control) {
  FBackend.FWindows.push_back(this);
}

Window::~Window() { FBackend.Forget(this); }

void Window::Create(const TCreateParams& params, WindowPeer* parent) {
  if (FExists && FBackend.Focus() == this) FBackend.SetFocusTo(nullptr);
  FParent = static_cast<Window*>(parent);
  FParams = params;
  FExists = true;
  ++FCreateCount;
  FText = params.Caption;
  FSelStart = FSelEnd = 0;
  FVisible = (params.Style & ws::Visible) != 0;
  FBounds = {params.X, params.Y, params.X + params.Width, params.Y + params.Height};
  FCaret = {};
  const TSize client = ClientSize();
  FScreen.SetSize(std::max(0, client.Width), std::max(0, client.Height));
  FInvalid = true;
  // As the platform does during creation.
  ControlEvents::Resized(FControl);
}

TRect Window::ClientRectInWindow() const {
  const uint32_t style = FParams.Style, ex = FParams.ExStyle;
  int frame = 0;
  if (style & ws::ThickFrame) {
    frame = kFrameSize;
  } else if ((style & ws::DlgFrame) || (ex & ws::ExDlgModalFrame)) {
    frame = kDialogFrame;
  } else if (style & ws::Border) {
    frame = kBorder;
  }
  if (ex & ws::ExClientEdge) frame += kClientEdge;
  TRect r{frame, frame, FBounds.Width() - frame, FBounds.Height() - frame};
  if ((style & ws::Caption) == ws::Caption) r.Top += kCaptionHeight;
  if (FHasMenu) r.Top += kMenuHeight;
  if (style & ws::VScroll) r.Right -= kScrollBarSize;
  if (style & ws::HScroll) r.Bottom -= kScrollBarSize;
  r.Right = std::max(r.Left, r.Right);
  r.Bottom = std::max(r.Top, r.Bottom);
  return r;
}

TSize Window::ClientSize() const {
  const TRect r = ClientRectInWindow();
  return {r.Width(), r.Height()};
}

void Window::SetBounds(const TRect& bounds) {
  const bool moved = bounds.Left != FBounds.Left || bounds.Top != FBounds.Top;
  const bool sized = bounds.Width() != FBounds.Width() || bounds.Height() != FBounds.Height();
  FBounds = bounds;
  if (sized) {
    const TSize client = ClientSize();
    FScreen.SetSize(client.Width, client.Height);
    FInvalid = true;
    ControlEvents::Resized(FControl);
  }
  if (moved) ControlEvents::Moved(FControl);
}

void Window::SetText(const std::string& text, bool) {
  FText = text;
  FSelStart = FSelEnd = 0;
}

void Window::SelectAll() {
  FSelStart = 0;
  FSelEnd = static_cast<int>(FText.size());
}

void Window::PaintNow() {
  if (!FExists) return;
  const TSize client = ClientSize();
  FScreen.SetClipRect({0, 0, client.Width, client.Height});
  ++FPaintCount;
  ControlEvents::Paint(FControl, FScreen);
}

void Window::Update() {
  if (!FInvalid) return;
  FInvalid = false;
  PaintNow();
}

void Window::SetFocus() { FBackend.SetFocusTo(this); }

bool Window::Focused() const { return FBackend.Focus() == this; }

TPoint Window::ClientToScreen(TPoint client) const {
  const TRect c = ClientRectInWindow();
  TPoint p{client.X + FBounds.Left + c.Left, client.Y + FBounds.Top + c.Top};
  if (FParent != nullptr) p = FParent->ClientToScreen(p);
  return p;
}

void Window::SetScrollRange(TScrollBarKind bar, int min, int max, bool) {
  TScrollInfo& b = FBars[bar];
  b.Min = min;
  b.Max = max;
  b.Pos = std::clamp(b.Pos, min, std::max(min, max));
}

void Window::GetScrollRange(TScrollBarKind bar, int& min, int& max) const {
  min = FBars[bar].Min;
  max = FBars[bar].Max;
}

void Window::SetScrollPos(TScrollBarKind bar, int pos, bool) {
  TScrollInfo& b = FBars[bar];
  b.Pos = std::clamp(pos, b.Min, std::max(b.Min, b.Max));
}

TScrollInfo Window::GetScrollInfo(TScrollBarKind bar) const { return FBars[bar]; }

void Window::CreateCaret(int width, int height) {
  // A new caret starts hidden, as the platform's does.
  FCaret = {true, width, height, 1, 0, 0};
}

void Window::DestroyCaret() { FCaret = {}; }

bool Window::ShowCaret() {
  if (!FCaret.exists) return false;
  if (FCaret.hideCount > 0) --FCaret.hideCount;
  return true;
}

void Window::HideCaret() {
  if (FCaret.exists) ++FCaret.hideCount;
}

void Window::SetCaretPos(int x, int y) {
  FCaret.x = x;
  FCaret.y = y;
}

TTextMetric Window::FontMetrics(const TFont&) { return PixelCanvas().TextMetrics(); }

int Window::PixelsPerInch() const {
  return FBackend.FDisplayPpi > 0 ? FBackend.FDisplayPpi : FBackend.FScreenPpi;
}

void Window::SetWindowState(uint8_t state) {
  if (state == FWindowState) return;
  if (FWindowState == wsNormal) FNormalBounds = FBounds;
  FWindowState = state;
  // Maximised fills the screen, minimised keeps no client area; normal
  // comes back to the bounds it had.
  const TRect bounds = state == wsMaximized
                           ? TRect{0, 0, FBackend.SystemMetric(TSystemMetric::CxScreen),
                                   FBackend.SystemMetric(TSystemMetric::CyScreen)}
                       : state == wsMinimized ? FBounds
                                              : FNormalBounds;
  SetBounds(bounds);
}

void Window::MenuChanged() {
  ++FMenuChanges;
  auto* form = dynamic_cast<TForm*>(&FControl);
  const bool hasMenu = form != nullptr && form->Menu() != nullptr;
  if (hasMenu == FHasMenu) return;
  FHasMenu = hasMenu;
  const TSize client = ClientSize();
  FScreen.SetSize(client.Width, client.Height);
  ControlEvents::Resized(FControl);
}

bool Window::Wheel(int delta, TShiftState shift) {
  return ControlEvents::MouseWheel(FControl, delta, shift);
}

void Window::Click() { ControlEvents::UserClicked(FControl); }

void Window::Type(const std::string& shiftJis) {
  Replace(shiftJis, static_cast<int>(shiftJis.size()));
}

void Window::Replace(const std::string& after, int caret) {
  const std::string before = FText;
  const int start = FSelStart, end = FSelEnd;
  FText = after;
  FSelStart = FSelEnd = caret;
  ControlEvents::UserEdited(FControl, after);
  if (FText != after) {
    // Refused: the box is as it was, selection and all.
    FText = before;
    FSelStart = start;
    FSelEnd = end;
  }
}

void Window::TypeChars(const std::string& shiftJis) {
  if (FParams.Kind != TWindowKind::Edit) return;
  for (int i = 0; i < static_cast<int>(shiftJis.size());) {
    const int n = CharLength(shiftJis, i);
    const auto at = [](int offset) { return static_cast<size_t>(offset); };
    Replace(
        FText.substr(0, at(FSelStart)) + shiftJis.substr(at(i), at(n)) + FText.substr(at(FSelEnd)),
        FSelStart + n);
    i += n;
  }
}

void Window::EditKey(uint16_t key) {
  if (FParams.Kind != TWindowKind::Edit) return;
  const int size = static_cast<int>(FText.size());
  const auto remove = [&](int from, int to) {
    Replace(FText.substr(0, static_cast<size_t>(from)) + FText.substr(static_cast<size_t>(to)),
            from);
  };
  switch (key) {
    case vk::Back:
      if (FSelStart != FSelEnd) {
        remove(FSelStart, FSelEnd);
      } else if (FSelEnd > 0) {
        remove(CharBefore(FText, FSelEnd), FSelEnd);
      }
      break;
    case vk::Delete:
      if (FSelStart != FSelEnd) {
        remove(FSelStart, FSelEnd);
      } else if (FSelEnd < size) {
        remove(FSelEnd, FSelEnd + CharLength(FText, FSelEnd));
      }
      break;
    // A selection goes, the caret moves from its end.
    case vk::Left: FSelStart = FSelEnd = FSelEnd > 0 ? CharBefore(FText, FSelEnd) : 0; break;
    case vk::Right:
      FSelStart = FSelEnd = FSelEnd < size ? FSelEnd + CharLength(FText, FSelEnd) : size;
      break;
    case vk::Home: FSelStart = FSelEnd = 0; break;
    case vk::End: FSelStart = FSelEnd = size; break;
    default: break;
  }
}

void Window::SelectPage(int page) { ControlEvents::UserSelectedPage(FControl, page); }

void Window::CloseBox() { FormEvents::CloseRequested(dynamic_cast<TForm&>(FControl)); }

void Window::DropFiles(const std::vector<std::string>& utf8Names) {
  FormEvents::DropFiles(dynamic_cast<TForm&>(FControl), utf8Names);
}

bool Window::Accelerator(char letter) {
  return FormEvents::Accelerator(dynamic_cast<TForm&>(FControl), letter);
}

void Window::KeyDown(uint16_t key, TShiftState shift) {
  ControlEvents::Key(FControl, key, true, shift);
}

void Window::KeyUp(uint16_t key, TShiftState shift) {
  ControlEvents::Key(FControl, key, false, shift);
}

void Window::PressKey(uint16_t key, TShiftState shift) {
  const auto hold = [&](bool down) {
    if (shift & ssShift) FBackend.SetKeyPressed(vk::Shift, down);
    if (shift & ssCtrl) FBackend.SetKeyPressed(vk::Control, down);
    if (shift & ssAlt) FBackend.SetKeyPressed(vk::Menu, down);
    FBackend.SetKeyPressed(key, down);
  };
  hold(true);
  KeyDown(key, shift);
  hold(false);
  KeyUp(key, shift);
}

bool Window::WantsKey(uint16_t key) { return ControlEvents::WantsKey(FControl, key); }

void Window::MouseDown(TMouseButton button, int x, int y, TShiftState shift) {
  FBackend.SetCursorPos(ClientToScreen({x, y}));
  ControlEvents::MouseButton(FControl, button, TMouseAction::Down, shift, x, y);
}

void Window::MouseUp(TMouseButton button, int x, int y, TShiftState shift) {
  FBackend.SetCursorPos(ClientToScreen({x, y}));
  ControlEvents::MouseButton(FControl, button, TMouseAction::Up, shift, x, y);
}

void Window::DoubleClick(TMouseButton button, int x, int y, TShiftState shift) {
  FBackend.SetCursorPos(ClientToScreen({x, y}));
  ControlEvents::MouseButton(FControl, button, TMouseAction::DoubleClick, shift, x, y);
}

void Window::MouseMove(int x, int y, TShiftState shift) {
  FBackend.SetCursorPos(ClientToScreen({x, y}));
  ControlEvents::MouseMove(FControl, shift, x, y);
}

void Window::Scroll(TScrollBarKind bar, int code, int track) {
  FBars[bar].TrackPos = track;
  ControlEvents::Scroll(FControl, bar, code);
}

TMinMaxInfo Window::MinMax() {
  TMinMaxInfo info;
  info.MinTrackSize = {FBackend.SystemMetric(TSystemMetric::CxMin),
                       FBackend.SystemMetric(TSystemMetric::CyMin)};
  const TSize screen{FBackend.SystemMetric(TSystemMetric::CxScreen),
                     FBackend.SystemMetric(TSystemMetric::CyScreen)};
  info.MaxSize = screen;
  info.MaxTrackSize = {screen.Width + 2 * kFrameSize, screen.Height + 2 * kFrameSize};
  ControlEvents::MinMaxInfo(FControl, info);
  return info;
}

void Window::UserResize(int width, int height) {
  const TMinMaxInfo info = MinMax();
  width = std::clamp(width, info.MinTrackSize.Width,
                     std::max(info.MinTrackSize.Width, info.MaxTrackSize.Width));
  height = std::clamp(height, info.MinTrackSize.Height,
                      std::max(info.MinTrackSize.Height, info.MaxTrackSize.Height));
  SetBounds({FBounds.Left, FBounds.Top, FBounds.Left + width, FBounds.Top + height});
}

int Window::HitTest(int x, int y) {
  int code = ht::Nowhere;
  const int wx = x - FBounds.Left, wy = y - FBounds.Top;
  const int w = FBounds.Width(), h = FBounds.Height();
  if (wx >= 0 && wy >= 0 && wx < w && wy < h) {
    const TRect client = ClientRectInWindow();
    const bool thick = (FParams.Style & ws::ThickFrame) != 0;
    const bool left = wx < kFrameSize, right = wx >= w - kFrameSize;
    const bool top = wy < kFrameSize, bottom = wy >= h - kFrameSize;
    if (thick && (left || right || top || bottom)) {
      if (top)
        code = left ? ht::TopLeft : right ? ht::TopRight : ht::Top;
      else if (bottom)
        code = left ? ht::BottomLeft : right ? ht::BottomRight : ht::Bottom;
      else
        code = left ? ht::Left : ht::Right;
    } else if (wx >= client.Left && wx < client.Right && wy >= client.Top && wy < client.Bottom) {
      code = ht::Client;
    } else if ((FParams.Style & ws::Caption) == ws::Caption && wy < client.Top &&
               wy >= client.Top - kCaptionHeight) {
      code = ht::Caption;
    } else {
      code = 18;  // the border
    }
  }
  return ControlEvents::NCHitTest(FControl, code);
}

}  // namespace varlo::offscreen
