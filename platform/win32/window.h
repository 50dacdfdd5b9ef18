// The Win32 window peer of a control.
#pragma once

#include <windows.h>

#include "platform/control.h"

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

  HWND Hwnd() const { return FHwnd; }
  TWinControl& Control() { return FControl; }
  // Called once the window exists (WM_NCCREATE).
  void Attach(HWND hwnd) { FHwnd = hwnd; }
  // The window procedure's work for this window.
  virtual LRESULT Handle(UINT msg, WPARAM wp, LPARAM lp);

 protected:
  void Destroy();
  const TCreateParams& Params() const { return FParams; }

 private:
  TWinControl& FControl;
  HWND FHwnd = nullptr;
  TCreateParams FParams;
  bool FReleasing = false;  // our own ReleaseCapture is not a lost capture
};

}  // namespace varlo::win32
