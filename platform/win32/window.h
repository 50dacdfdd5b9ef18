// The Win32 window peer of a control: the program's own window class for
// forms, panels and custom controls, the platform's controls (static,
// button, edit, tab control) for the standard ones.
#pragma once

#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include <optional>
#include <vector>

#include "platform/control.h"
#include "platform/win32/handles.h"

namespace varlo {
class TForm;
class TMenuItem;
}  // namespace varlo

namespace varlo::win32 {

class Win32Window : public WindowPeer {
 public:
  explicit Win32Window(TWinControl& control);
  ~Win32Window() override;

  void Create(const TCreateParams& params, WindowPeer* parent) override;
  bool Exists() const override { return FHwnd != nullptr; }
  void SetBounds(const TRect& bounds) override;
  TRect Bounds() const override;
  TSize ClientSize() const override;
  void SetText(const std::string& text, bool shiftJis) override;
  void SetVisible(bool visible) override;
  void SetEnabled(bool enabled) override;
  void Invalidate() override;
  void PaintNow() override;
  void SetFocus() override;
  bool Focused() const override;
  void BringToFront() override;
  TPoint ClientToScreen(TPoint client) const override;
  void SetScrollRange(TScrollBarKind bar, int min, int max, bool redraw) override;
  void GetScrollRange(TScrollBarKind bar, int& min, int& max) const override;
  void SetScrollPos(TScrollBarKind bar, int pos, bool redraw) override;
  TScrollInfo GetScrollInfo(TScrollBarKind bar) const override;
  void CreateCaret(int width, int height) override;
  void DestroyCaret() override;
  bool ShowCaret() override;
  void HideCaret() override;
  void SetCaretPos(int x, int y) override;
  TTextMetric FontMetrics(const TFont& font) override;
  int PixelsPerInch() const override;

  // controls.cpp
  void SetFont(const TFont& font) override;
  void SetChecked(bool checked) override;
  void SetDefaultButton(bool value) override;
  void SetPages(const std::vector<std::string>& captions) override;
  void SetActivePage(int page) override;
  TRect PageArea() const override;
  void SelectAll() override;

  // form_window.cpp
  void SetWindowState(uint8_t state) override;
  uint8_t WindowState() const override;
  void MenuChanged() override;
  void AcceptFiles(bool accept) override;

  HWND Hwnd() const { return FHwnd; }
  TWinControl& Control() { return FControl; }
  TWindowKind Kind() const { return FParams.Kind; }
  // A window of the platform's own classes, subclassed.
  bool Native() const;
  // Called once the window exists (WM_NCCREATE).
  void Attach(HWND hwnd);
  // The window procedure's work for a window of the program's class.
  LRESULT Handle(UINT msg, WPARAM wp, LPARAM lp);
  // The subclass procedure's work for a platform control.
  LRESULT HandleNative(UINT msg, WPARAM wp, LPARAM lp);

 private:
  void Destroy();
  // The platform's control for the kind, subclassed (controls.cpp).
  void CreateNative(const TCreateParams& params, HWND parent);
  void DetachNative();
  // Forgets the window: no more events reach the control.
  void Detach();
  // What a parent does for its platform controls: their notifications and
  // colours (controls.cpp).
  std::optional<LRESULT> HandleChildMessage(UINT msg, WPARAM wp, LPARAM lp);
  // What only a form does (form_window.cpp).
  std::optional<LRESULT> HandleFormMessage(UINT msg, WPARAM wp, LPARAM lp);
  void DropFiles(TForm& form, HDROP drop);

  TWinControl& FControl;
  HWND FHwnd = nullptr;
  TCreateParams FParams;
  bool FReleasing = false;    // our own ReleaseCapture is not a lost capture
  bool FSettingText = false;  // our own text change is no user edit
  bool FAcceptFiles = false;
  HWND FSavedFocus = nullptr;          // the form's focused control while inactive
  UniqueMenu FMenu;                    // the form's menu bar
  std::vector<TMenuItem*> FMenuItems;  // by command id, from kFirstMenuCommand
};

// The peer of one of our windows or subclassed controls (null for others).
Win32Window* PeerOf(HWND hwnd);
// The form a window belongs to (its top-level window's control), if any.
TForm* FormOf(HWND hwnd);

// Menu command ids start here, above the dialog ids IDOK and IDCANCEL.
inline constexpr UINT kFirstMenuCommand = 100;

}  // namespace varlo::win32
