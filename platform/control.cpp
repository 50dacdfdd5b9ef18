#include "platform/control.h"

#include <algorithm>
#include <exception>

#include "platform/backend.h"
#include "platform/errors.h"

namespace varlo {

TWinControl::TWinControl(TWinControl* parent)
    : FParent(parent), FPeer(CurrentBackend().CreateWindowPeer(*this)) {
  if (FParent != nullptr) {
    FFont = FParent->Font();
    FPixelsPerInch = FParent->FPixelsPerInch;
    FParent->AddChild(this);
  }
}

TWinControl::~TWinControl() {
  for (TWinControl* child : FChildren) child->FParent = nullptr;
  if (FParent != nullptr) FParent->RemoveChild(this);
  // The peer goes first: its window may still send events while it closes.
  FPeer.reset();
}

void TWinControl::AddChild(TWinControl* child) { FChildren.push_back(child); }

void TWinControl::RemoveChild(TWinControl* child) {
  FChildren.erase(std::remove(FChildren.begin(), FChildren.end(), child), FChildren.end());
}

void TWinControl::SetBounds(int left, int top, int width, int height) {
  const TRect bounds{left, top, left + width, top + height};
  if (bounds == FBounds) return;
  FBounds = bounds;
  if (HandleAllocated()) {
    FPeer->SetBounds(bounds);
  } else {
    AlignChildren();
  }
}

void TWinControl::SetAlign(TAlign align) {
  FAlign = align;
  if (FParent != nullptr) FParent->AlignChildren();
}

void TWinControl::AlignChildren() {
  const TSize client = ClientSize();
  for (TWinControl* child : FChildren)
    if (child->FAlign == alClient) child->SetBounds(0, 0, client.Width, client.Height);
}

void TWinControl::SetColor(TColor color) {
  if (color == FColor) return;
  FColor = color;
  Invalidate();
}

void TWinControl::SetFont(const TFont& given) {
  const TFont font = given.At(FPixelsPerInch);
  if (font == FFont) return;
  FFont = font;
  FontChanged();
  if (HandleAllocated()) {
    Peer().SetFont(font);
    WMSetFont();
  }
}

void TWinControl::SetVisible(bool visible) {
  FVisible = visible;
  if (HandleAllocated()) FPeer->SetVisible(visible);
}

void TWinControl::SetEnabled(bool enabled) {
  FEnabled = enabled;
  if (HandleAllocated()) FPeer->SetEnabled(enabled);
}

void TWinControl::HandleNeeded() {
  if (HandleAllocated()) return;
  if (FParent != nullptr) FParent->HandleNeeded();
  CreatePeerWindow();
}

void TWinControl::RecreateWnd() {
  if (HandleAllocated()) CreatePeerWindow();
}

void TWinControl::CreatePeerWindow() {
  // A top-level window opens in the pixels of the screen, and then of the
  // display it opened on, should that be another.
  const bool topLevel = FParent == nullptr;
  if (topLevel && !HandleAllocated()) ScaleForPPI(CurrentBackend().ScreenPixelsPerInch());
  FPeer->Create(ControlEvents::Params(*this), FParent != nullptr ? &FParent->Peer() : nullptr);
  if (topLevel) ScaleForPPI(FPeer->PixelsPerInch());
  // A control disabled before its window existed is disabled in the window
  // too: it must not look usable.
  if (!FEnabled) FPeer->SetEnabled(false);
  ControlEvents::Created(*this);
}

namespace {

TRect ScaledRect(const TRect& r, int to, int from) {
  return {MulDivRounded(r.Left, to, from), MulDivRounded(r.Top, to, from),
          MulDivRounded(r.Right, to, from), MulDivRounded(r.Bottom, to, from)};
}

}  // namespace

// Edges, not sizes, are scaled: controls that did not overlap still do not,
// and what lay inside its parent still does.
TRect TWinControl::ScaledBounds(int ppi) { return ScaledRect(FBounds, ppi, FPixelsPerInch); }

void TWinControl::ScaleForPPI(int ppi) {
  if (ppi <= 0 || ppi == FPixelsPerInch) return;
  ScaleForPPI(ppi, ScaledBounds(ppi));
}

void TWinControl::ScaleForPPI(int ppi, const TRect& bounds) {
  if (ppi <= 0) return;
  ScaleFields(ppi);
  FBounds = bounds;
  if (!HandleAllocated()) {
    AlignChildren();
    return;
  }
  // The control's own window first: its children that fill it are laid
  // out in its new size with their new fonts already in place.
  FPeer->SetBounds(bounds);
  for (TWinControl* child : FChildren) child->ScaleWindows();
  FontsChanged();
}

void TWinControl::ScaleFields(int ppi) {
  const int from = FPixelsPerInch;
  FPixelsPerInch = ppi;
  FFont = FFont.At(ppi);
  for (TWinControl* child : FChildren) {
    child->FBounds = ScaledRect(child->FBounds, ppi, from);
    child->ScaleFields(ppi);
  }
  FontChanged();
}

void TWinControl::ScaleWindows() {
  if (HandleAllocated()) {
    FPeer->SetFont(FFont);
    FPeer->SetBounds(FBounds);
  }
  for (TWinControl* child : FChildren) child->ScaleWindows();
}

void TWinControl::FontsChanged() {
  if (HandleAllocated()) WMSetFont();
  for (TWinControl* child : FChildren) child->FontsChanged();
}

TSize TWinControl::ClientSize() const {
  if (HandleAllocated()) return FPeer->ClientSize();
  return {Width(), Height()};
}

void TWinControl::Invalidate() {
  if (HandleAllocated()) FPeer->Invalidate();
}

void TWinControl::SetFocus() {
  HandleNeeded();
  FPeer->SetFocus();
}

bool TWinControl::Focused() const { return HandleAllocated() && FPeer->Focused(); }

void TWinControl::CreateParams(TCreateParams& params) {
  params.Style = FParent != nullptr ? ws::Child | ws::ClipSiblings | ws::ClipChildren
                                    : ws::OverlappedWindow | ws::ClipChildren;
  if (FVisible) params.Style |= ws::Visible;
  params.X = FBounds.Left;
  params.Y = FBounds.Top;
  params.Width = FBounds.Width();
  params.Height = FBounds.Height();
}

void TWinControl::Paint(TCanvas&) {}

void TCustomControl::CreateParams(TCreateParams& params) {
  TWinControl::CreateParams(params);
  params.EraseBackground = false;
}

void TWinControl::WMSize() { AlignChildren(); }

void TWinControl::WMSetFocus() {
  if (OnEnter) OnEnter(*this);
}

void TWinControl::WMKillFocus() {
  if (OnExit) OnExit(*this);
}

void TWinControl::KeyDown(uint16_t& key, TShiftState shift) {
  if (OnKeyDown) OnKeyDown(*this, key, shift);
}

void TWinControl::KeyUp(uint16_t& key, TShiftState shift) {
  if (OnKeyUp) OnKeyUp(*this, key, shift);
}

void TWinControl::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  if (OnMouseDown) OnMouseDown(*this, button, shift, x, y);
}

void TWinControl::MouseMove(TShiftState shift, int x, int y) {
  if (OnMouseMove) OnMouseMove(*this, shift, x, y);
}

void TWinControl::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  if (OnMouseUp) OnMouseUp(*this, button, shift, x, y);
}

void TWinControl::Click() {
  if (OnClick) OnClick(*this);
}

void TWinControl::DblClick() {
  if (OnDblClick) OnDblClick(*this);
}

namespace {

ControlEvents::TErrorReport& ErrorReport() {
  static ControlEvents::TErrorReport report;
  return report;
}

void Report(const std::exception* error) {
  if (const ControlEvents::TErrorReport& report = ErrorReport()) {
    report(error);
    return;
  }
  CurrentBackend().ShowError(error != nullptr ? error->what() : kUnexpectedError);
}

// The dispatch boundary: what escapes a handler is reported, never lost.
template <class F>
void Guarded(F&& f) {
  try {
    f();
  } catch (const std::exception& e) {
    Report(&e);
  } catch (...) {
    Report(nullptr);
  }
}

TShiftState ButtonFlag(TMouseButton button) {
  switch (button) {
    case mbLeft: return ssLeft;
    case mbRight: return ssRight;
    case mbMiddle: return ssMiddle;
  }
  return 0;
}

}  // namespace

void ControlEvents::SetErrorReport(TErrorReport report) { ErrorReport() = std::move(report); }

void ControlEvents::Created(TWinControl& c) {
  Guarded([&] {
    c.CreateWnd();
    c.WMSetFont();
  });
}

void ControlEvents::Paint(TWinControl& c, TCanvas& canvas) {
  Guarded([&] { c.Paint(canvas); });
}

void ControlEvents::Resized(TWinControl& c) {
  Guarded([&] {
    c.FBounds = c.FPeer->Bounds();
    c.WMSize();
  });
}

void ControlEvents::Moved(TWinControl& c) {
  Guarded([&] {
    c.FBounds = c.FPeer->Bounds();
    c.WMMove();
  });
}

void ControlEvents::FocusGained(TWinControl& c) {
  Guarded([&] { c.WMSetFocus(); });
}

void ControlEvents::FocusLost(TWinControl& c) {
  Guarded([&] { c.WMKillFocus(); });
}

int ControlEvents::NCHitTest(TWinControl& c, int code) {
  int result = code;
  Guarded([&] { result = c.WMNCHitTest(code); });
  return result;
}

void ControlEvents::NCLButtonDown(TWinControl& c) {
  Guarded([&] { c.WMNCLButtonDown(); });
}

void ControlEvents::MinMaxInfo(TWinControl& c, TMinMaxInfo& info) {
  Guarded([&] { c.WMGetMinMaxInfo(info); });
}

void ControlEvents::Key(TWinControl& c, uint16_t key, bool down, TShiftState shift) {
  Guarded([&] {
    uint16_t k = key;
    if (down) {
      c.KeyDown(k, shift);
    } else {
      c.WMKeyUp(k, shift);
    }
  });
}

bool ControlEvents::WantsKey(TWinControl& c, uint16_t key) {
  bool wants = false;
  Guarded([&] { wants = c.CMWantSpecialKey(key); });
  return wants;
}

void ControlEvents::MouseButton(TWinControl& c, TMouseButton button, TMouseAction action,
                                TShiftState shift, int x, int y) {
  Guarded([&] {
    switch (action) {
      case TMouseAction::Down:
        if (button == mbLeft) c.FClicked = true;
        c.MouseDown(button, shift | ButtonFlag(button), x, y);
        break;
      case TMouseAction::DoubleClick:
        // The second press of a double click: the double click first, then
        // the press; its release is no click.
        if (button == mbLeft) c.DblClick();
        c.MouseDown(button, shift | ButtonFlag(button) | ssDouble, x, y);
        break;
      case TMouseAction::Up: {
        if (button == mbLeft && c.FClicked) {
          c.FClicked = false;
          const TSize client = c.ClientSize();
          if (x >= 0 && y >= 0 && x < client.Width && y < client.Height) c.Click();
        }
        c.MouseUp(button, shift, x, y);
        break;
      }
    }
  });
}

void ControlEvents::MouseMove(TWinControl& c, TShiftState shift, int x, int y) {
  Guarded([&] { c.MouseMove(shift, x, y); });
}

void ControlEvents::Scroll(TWinControl& c, TScrollBarKind bar, int code) {
  Guarded([&] {
    if (bar == sbVertical) {
      c.WMVScroll(code);
    } else {
      c.WMHScroll(code);
    }
  });
}

bool ControlEvents::MouseWheel(TWinControl& c, int delta, TShiftState shift) {
  bool taken = false;
  Guarded([&] { taken = c.MouseWheel(delta, shift); });
  return taken;
}

void ControlEvents::CaptureLost(TWinControl& c) {
  Guarded([&] {
    c.FClicked = false;
    c.MouseCaptureLost();
  });
}

void ControlEvents::UserClicked(TWinControl& c) {
  Guarded([&] { c.UserClicked(); });
}

void ControlEvents::UserEdited(TWinControl& c, const std::string& shiftJis) {
  Guarded([&] { c.UserEdited(shiftJis); });
}

void ControlEvents::UserSelectedPage(TWinControl& c, int page) {
  Guarded([&] { c.UserSelectedPage(page); });
}

void ControlEvents::PixelsPerInchChanged(TWinControl& c, int ppi, const TRect& suggested) {
  Guarded([&] { c.ScaleForPPI(ppi, suggested); });
}

TSize ControlEvents::SizeAt(TWinControl& c, int ppi) {
  TSize size{c.Width(), c.Height()};
  Guarded([&] {
    const TRect r = c.ScaledBounds(ppi);
    size = {r.Width(), r.Height()};
  });
  return size;
}

void ControlEvents::Run(const std::function<void()>& f) { Guarded(f); }

TCreateParams ControlEvents::Params(TWinControl& c) {
  TCreateParams params;
  c.CreateParams(params);
  return params;
}

}  // namespace varlo
