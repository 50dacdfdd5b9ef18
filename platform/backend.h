// The backend behind the toolkit: the real Win32 platform, or the
// deterministic offscreen one the tests run on. A program installs one at
// start; everything above platform/ reaches the OS only through it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/canvas.h"
#include "platform/control.h"
#include "platform/types.h"

namespace varlo {

// System metrics, the platform's numbering.
enum class TSystemMetric : int {
  CxScreen = 0,
  CyScreen = 1,
  CxVScroll = 2,
  CyHScroll = 3,
  CyCaption = 4,
  CxBorder = 5,
  CyBorder = 6,
  CxEdge = 45,
  CyEdge = 46,
  CxFrame = 32,
  CyFrame = 33,
  CxDlgFrame = 7,
  CyDlgFrame = 8,
  CxMin = 28,
  CyMin = 29,
};

class TPopupMenu;

class Backend {
 public:
  virtual ~Backend() = default;

  virtual std::unique_ptr<WindowPeer> CreateWindowPeer(TWinControl& control) = 0;
  virtual std::unique_ptr<TBitmapCanvas> CreateBitmapCanvas() = 0;

  // Milliseconds since some start; wraps around after 2^32.
  virtual uint32_t TickCount() = 0;
  // True while the key is held down (GetKeyState's sign).
  virtual bool KeyPressed(uint16_t key) = 0;
  virtual TPoint CursorPos() = 0;
  virtual int SystemMetric(TSystemMetric metric) = 0;
  // A system colour turned into RGB; plain colours stay.
  virtual TColor ColorToRGB(TColor color) = 0;

  // Lets pending window messages run.
  virtual void ProcessMessages() = 0;
  // Waits until input arrives or the time is up (for loops that repeat
  // while the user holds a button, so they neither spin nor race).
  virtual void WaitForInput(int milliseconds) = 0;
  // The toolkit's error box for an exception that left a handler.
  virtual void ShowError(const std::string& message) = 0;
  // Shows a pop-up menu at a screen point until the user chooses or
  // dismisses it; a chosen item's Click runs.
  virtual void TrackPopupMenu(TPopupMenu& menu, TPoint screen) = 0;
};

Backend& CurrentBackend();
void SetCurrentBackend(Backend* backend);

// The modifier keys held now.
TShiftState KeyboardShiftState();

}  // namespace varlo
