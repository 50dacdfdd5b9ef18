// Windowed controls. A control object owns its state (bounds, font, colour,
// styles); its backend window peer mirrors that state into a real window
// (Win32) or a simulated one (offscreen) and hands the window's events back
// through ControlEvents, the one dispatch boundary.
#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/canvas.h"
#include "platform/font.h"
#include "platform/types.h"

namespace varlo {

class TObject {
 public:
  virtual ~TObject() = default;
};

using TNotifyEvent = std::function<void(TObject& sender)>;
using TKeyEvent = std::function<void(TObject& sender, uint16_t& key, TShiftState shift)>;
using TMouseEvent =
    std::function<void(TObject& sender, TMouseButton button, TShiftState shift, int x, int y)>;
using TMouseMoveEvent = std::function<void(TObject& sender, TShiftState shift, int x, int y)>;

// Window styles, the platform's numbering.
namespace ws {
inline constexpr uint32_t Overlapped = 0x00000000, Popup = 0x80000000, Child = 0x40000000,
                          Visible = 0x10000000, ClipSiblings = 0x04000000,
                          ClipChildren = 0x02000000, Caption = 0x00C00000, Border = 0x00800000,
                          DlgFrame = 0x00400000, VScroll = 0x00200000, HScroll = 0x00100000,
                          SysMenu = 0x00080000, ThickFrame = 0x00040000, TabStop = 0x00010000,
                          MinimizeBox = 0x00020000, MaximizeBox = 0x00010000;
inline constexpr uint32_t OverlappedWindow =
    Overlapped | Caption | SysMenu | ThickFrame | MinimizeBox | MaximizeBox;
inline constexpr uint32_t ExDlgModalFrame = 0x00000001, ExClientEdge = 0x00000200,
                          ExAcceptFiles = 0x00000010;
}  // namespace ws

// Hit-test codes of the non-client area, the platform's numbering.
namespace ht {
inline constexpr int Nowhere = 0, Client = 1, Caption = 2, Left = 10, Right = 11, Top = 12,
                     TopLeft = 13, TopRight = 14, Bottom = 15, BottomLeft = 16, BottomRight = 17;
}  // namespace ht

// What kind of window a control needs: the platform's own controls for
// the standard ones, the program's window class for the rest.
enum class TWindowKind : uint8_t {
  Generic,
  Form,
  Label,
  Button,
  CheckBox,
  Edit,
  Panel,
  PageControl
};

struct TCreateParams {
  TWindowKind Kind = TWindowKind::Generic;
  std::string Caption;             // window text
  bool CaptionIsShiftJis = false;  // else UTF-8
  uint32_t Style = 0;
  uint32_t ExStyle = 0;
  int X = 0, Y = 0, Width = 0, Height = 0;
  // False for controls that paint their whole area themselves.
  bool EraseBackground = true;
};

struct TMinMaxInfo {
  TSize MaxSize;
  TPoint MaxPosition;
  TSize MinTrackSize;
  TSize MaxTrackSize;
};

enum TScrollBarKind : uint8_t { sbHorizontal, sbVertical };

struct TScrollInfo {
  int Min = 0;
  int Max = 0;
  int Page = 0;
  int Pos = 0;
  int TrackPos = 0;
};

enum TAlign : uint8_t { alNone, alClient };

class TWinControl;

// What a backend does for one control's window.
class WindowPeer {
 public:
  virtual ~WindowPeer() = default;

  // Creates the window, replacing one that exists.
  virtual void Create(const TCreateParams& params, WindowPeer* parent) = 0;
  virtual bool Exists() const = 0;
  virtual void SetBounds(const TRect& bounds) = 0;
  // Where the window is now, in its parent's client coordinates.
  virtual TRect Bounds() const = 0;
  virtual TSize ClientSize() const = 0;
  virtual void SetText(const std::string& text, bool shiftJis) = 0;
  virtual void SetVisible(bool visible) = 0;
  virtual void SetEnabled(bool enabled) = 0;
  virtual void Invalidate() = 0;
  // Paints the whole client area at once through ControlEvents::Paint.
  virtual void PaintNow() = 0;
  virtual void SetFocus() = 0;
  virtual bool Focused() const = 0;
  virtual void BringToFront() = 0;
  virtual TPoint ClientToScreen(TPoint client) const = 0;

  virtual void SetScrollRange(TScrollBarKind bar, int min, int max, bool redraw) = 0;
  virtual void GetScrollRange(TScrollBarKind bar, int& min, int& max) const = 0;
  virtual void SetScrollPos(TScrollBarKind bar, int pos, bool redraw) = 0;
  virtual TScrollInfo GetScrollInfo(TScrollBarKind bar) const = 0;

  virtual void CreateCaret(int width, int height) = 0;
  virtual void DestroyCaret() = 0;
  // False when there was no hidden caret to show.
  virtual bool ShowCaret() = 0;
  virtual void HideCaret() = 0;
  virtual void SetCaretPos(int x, int y) = 0;

  // Metrics of `font` as selected into the window's device context.
  virtual TTextMetric FontMetrics(const TFont& font) = 0;
  // Pixels per inch of the display the window is on.
  virtual int PixelsPerInch() const = 0;

  // What only some kinds of window have; the others ignore these.
  virtual void SetFont(const TFont&) {}
  virtual void SetChecked(bool) {}
  virtual void SetDefaultButton(bool) {}
  virtual void SetPages(const std::vector<std::string>&) {}  // tab captions, UTF-8
  virtual void SetActivePage(int) {}
  // Where a notebook shows its pages, below its tabs (empty: not known).
  virtual TRect PageArea() const { return {}; }
  virtual void SelectAll() {}
  virtual void SetWindowState(uint8_t) {}  // a TWindowState
  virtual uint8_t WindowState() const { return 0; }
  virtual void MenuChanged() {}  // the form's menu bar or its states
  virtual void AcceptFiles(bool) {}
};

class TWinControl : public TObject {
 public:
  explicit TWinControl(TWinControl* parent = nullptr);
  ~TWinControl() override;
  TWinControl(const TWinControl&) = delete;
  TWinControl& operator=(const TWinControl&) = delete;

  TWinControl* Parent() const { return FParent; }
  const std::vector<TWinControl*>& Controls() const { return FChildren; }
  // The name the form's description gives it.
  std::string Name;
  // Position in the tab order among its siblings.
  int TabOrder = 0;

  int Left() const { return FBounds.Left; }
  int Top() const { return FBounds.Top; }
  int Width() const { return FBounds.Width(); }
  int Height() const { return FBounds.Height(); }
  const TRect& BoundsRect() const { return FBounds; }
  void SetBounds(int left, int top, int width, int height);
  void SetWidth(int width) { SetBounds(Left(), Top(), width, Height()); }
  void SetHeight(int height) { SetBounds(Left(), Top(), Width(), height); }
  TAlign Align() const { return FAlign; }
  void SetAlign(TAlign align);

  TColor Color() const { return FColor; }
  void SetColor(TColor color);
  const TFont& Font() const { return FFont; }
  // A font given at another resolution is taken at the control's.
  void SetFont(const TFont& font);

  // The resolution the control's bounds and font are in pixels of: 96, as
  // forms are written, until its top-level window opens on a display (or
  // moves to one) of another; a child has its parent's.
  int PixelsPerInch() const { return FPixelsPerInch; }
  // A length written for 96 pixels per inch in the control's pixels, and
  // back.
  int Scaled(int at96) const { return MulDivRounded(at96, FPixelsPerInch, kPixelsPerInch); }
  int Unscaled(int pixels) const { return MulDivRounded(pixels, kPixelsPerInch, FPixelsPerInch); }
  // From now on the control and all it holds are in pixels at `ppi`: their
  // bounds and fonts are scaled, and their windows follow. The control
  // itself goes to `bounds` when given, else to ScaledBounds.
  void ScaleForPPI(int ppi);
  void ScaleForPPI(int ppi, const TRect& bounds);
  bool Visible() const { return FVisible; }
  void SetVisible(bool visible);
  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool enabled);
  bool TabStop() const { return FTabStop; }
  void SetTabStop(bool tabStop) { FTabStop = tabStop; }

  // The window exists from the first call that needs it.
  void HandleNeeded();
  bool HandleAllocated() const { return FPeer->Exists(); }
  // Destroys and creates the window again, so new styles apply.
  void RecreateWnd();
  WindowPeer& Peer() { return *FPeer; }
  const WindowPeer& Peer() const { return *FPeer; }

  TSize ClientSize() const;
  int ClientWidth() const { return ClientSize().Width; }
  int ClientHeight() const { return ClientSize().Height; }
  void Invalidate();
  void SetFocus();
  bool Focused() const;

  TNotifyEvent OnClick, OnDblClick, OnEnter, OnExit;
  TKeyEvent OnKeyDown, OnKeyUp;
  TMouseEvent OnMouseDown, OnMouseUp;
  TMouseMoveEvent OnMouseMove;

 protected:
  friend class ControlEvents;

  virtual void CreateParams(TCreateParams& params);
  virtual void Paint(TCanvas& canvas);
  virtual void WMSize();
  virtual void WMMove() {}
  virtual void WMSetFocus();
  virtual void WMKillFocus();
  // Gets the platform's own answer and returns the one to use.
  virtual int WMNCHitTest(int code) { return code; }
  virtual void WMNCLButtonDown() {}
  virtual void WMGetMinMaxInfo(TMinMaxInfo&) {}
  // The font changed, or the window was created with it.
  virtual void WMSetFont() {}
  // The font changed, window or not.
  virtual void FontChanged() {}
  virtual void KeyDown(uint16_t& key, TShiftState shift);
  virtual void KeyUp(uint16_t& key, TShiftState shift);
  virtual void WMKeyUp(uint16_t& key, TShiftState shift) { KeyUp(key, shift); }
  // Whether a navigation key is the control's (not the dialog's) to handle.
  virtual bool CMWantSpecialKey(uint16_t) { return false; }
  virtual void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
  virtual void MouseMove(TShiftState shift, int x, int y);
  virtual void MouseUp(TMouseButton button, TShiftState shift, int x, int y);
  // The wheel turned by `delta` (120 a notch; positive: away from the user).
  // False when the control does not scroll by it.
  virtual bool MouseWheel(int /*delta*/, TShiftState /*shift*/) { return false; }
  virtual void Click();
  virtual void DblClick();
  // The user clicked a button or check box of the platform.
  virtual void UserClicked() { Click(); }
  // The user changed the text of an edit box (Shift-JIS bytes).
  virtual void UserEdited(const std::string&) {}
  // The user chose another page of a tabbed notebook.
  virtual void UserSelectedPage(int) {}
  // The mouse capture of a press went elsewhere (another window took it):
  // no release will come.
  virtual void MouseCaptureLost() {}
  virtual void WMVScroll(int) {}
  virtual void WMHScroll(int) {}
  // The window was just created.
  virtual void CreateWnd() {}
  // Where the control goes at another resolution: its edges scaled.
  virtual TRect ScaledBounds(int ppi);

 private:
  void CreatePeerWindow();
  void AddChild(TWinControl* child);
  void RemoveChild(TWinControl* child);
  void AlignChildren();
  // ScaleForPPI's steps: the fields of the whole tree, then its windows.
  void ScaleFields(int ppi);
  void ScaleWindows();
  void FontsChanged();

  TWinControl* FParent;
  std::vector<TWinControl*> FChildren;
  std::unique_ptr<WindowPeer> FPeer;
  TRect FBounds;
  TAlign FAlign = alNone;
  TColor FColor = clBtnFace;
  TFont FFont;
  int FPixelsPerInch = kPixelsPerInch;
  bool FVisible = true;
  bool FEnabled = true;
  bool FTabStop = false;
  bool FClicked = false;  // a left press that may become a click
};

// A control that paints itself entirely (no background erase).
class TCustomControl : public TWinControl {
 public:
  using TWinControl::TWinControl;

 protected:
  void CreateParams(TCreateParams& params) override;
};

enum class TMouseAction : uint8_t { Down, Up, DoubleClick };

// The entry points through which a backend delivers window events. Each is a
// dispatch boundary: an exception leaving the handler is reported and the
// program goes on.
class ControlEvents {
 public:
  // Where the boundary reports an exception that left a handler (null: an
  // exception of no known kind). The application sets its error box here;
  // until it does, the backend's error box shows the message.
  using TErrorReport = std::function<void(const std::exception* error)>;
  static void SetErrorReport(TErrorReport report);

  static void Created(TWinControl& c);
  static void Paint(TWinControl& c, TCanvas& canvas);
  static void Resized(TWinControl& c);
  static void Moved(TWinControl& c);
  static void FocusGained(TWinControl& c);
  static void FocusLost(TWinControl& c);
  static int NCHitTest(TWinControl& c, int code);
  static void NCLButtonDown(TWinControl& c);
  static void MinMaxInfo(TWinControl& c, TMinMaxInfo& info);
  static void Key(TWinControl& c, uint16_t key, bool down, TShiftState shift);
  static bool WantsKey(TWinControl& c, uint16_t key);
  static void MouseButton(TWinControl& c, TMouseButton button, TMouseAction action,
                          TShiftState shift, int x, int y);
  static void MouseMove(TWinControl& c, TShiftState shift, int x, int y);
  static void Scroll(TWinControl& c, TScrollBarKind bar, int code);
  // True when the control took the wheel's turn.
  static bool MouseWheel(TWinControl& c, int delta, TShiftState shift);
  static void CaptureLost(TWinControl& c);
  static void UserClicked(TWinControl& c);
  static void UserEdited(TWinControl& c, const std::string& shiftJis);
  static void UserSelectedPage(TWinControl& c, int page);
  // The window was moved to a display of another resolution; `suggested`
  // is where the platform would have it go.
  static void PixelsPerInchChanged(TWinControl& c, int ppi, const TRect& suggested);
  // The size the control wants at another resolution.
  static TSize SizeAt(TWinControl& c, int ppi);
  // Runs any handler body at the boundary.
  static void Run(const std::function<void()>& f);
  // The style creation asks the control for.
  static TCreateParams Params(TWinControl& c);
};

}  // namespace varlo
