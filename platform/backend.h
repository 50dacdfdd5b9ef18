// The backend behind the toolkit: the real Win32 platform, or the
// deterministic offscreen one the tests run on. A program installs one at
// start; everything above platform/ reaches the OS only through it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

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
class TForm;
class TTimer;
struct TOpenDialog;
struct TFontDialog;
struct TColorDialog;

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
  // The same for a window on a display of this resolution.
  virtual int SystemMetricAt(TSystemMetric metric, int ppi) = 0;
  // Pixels per inch of the primary screen, where windows open.
  virtual int ScreenPixelsPerInch() = 0;
  // Lines the view moves for a notch of the mouse wheel, as the user set
  // it; kWheelPage: a page a notch.
  static constexpr unsigned kWheelPage = 0xFFFFFFFF;
  virtual unsigned WheelScrollLines() = 0;
  // A system colour turned into RGB; plain colours stay.
  virtual TColor ColorToRGB(TColor color) = 0;

  // Lets pending window messages run.
  virtual void ProcessMessages() = 0;
  // Lets pending paint messages run, and nothing else: a long operation
  // shows its progress and stays responsive while input waits.
  virtual void ProcessPaintMessages() = 0;
  // Input, a paint or another message waits for the program (timers
  // aside): work done in turns between messages gives way.
  virtual bool MessageWaiting() = 0;
  // While a command waits for something slow: paints, timers and the
  // window frame's own messages (moving it, its close box) run, keys and
  // clicks are dropped. True when the user pressed Esc to stop the wait.
  virtual bool ProcessBusyMessages() = 0;
  // Waits until input arrives or the time is up (for loops that repeat
  // while the user holds a button, so they neither spin nor race).
  virtual void WaitForInput(int milliseconds) = 0;
  // The toolkit's error box for an exception that left a handler.
  virtual void ShowError(const std::string& message) = 0;
  // Shows a pop-up menu at a screen point until the user chooses or
  // dismisses it; a chosen item's Click runs.
  virtual void TrackPopupMenu(TPopupMenu& menu, TPoint screen) = 0;

  // --- Forms and the message loop. ---
  // Shows the form and runs a nested message loop until it is closed; the
  // other windows of the program take no input meanwhile.
  virtual void RunModal(TForm& form) = 0;
  // Runs the program's message loop until Terminate.
  virtual void RunMessageLoop() = 0;
  virtual void Terminate() = 0;
  // The width and height a frame of these styles adds to a client area, on
  // a display of this resolution.
  virtual TSize FrameSize(uint32_t style, uint32_t exStyle, bool menu, int ppi) = 0;

  // --- Services. ---
  // True when the user chose (the dialog's fields then hold the choice).
  virtual bool ExecuteOpenDialog(TOpenDialog& dialog) = 0;
  virtual bool ExecuteFontDialog(TFontDialog& dialog) = 0;
  virtual bool ExecuteColorDialog(TColorDialog& dialog) = 0;
  // Clipboard text, Shift-JIS bytes; raises when the clipboard is held.
  virtual void SetClipboardText(const std::string& shiftJis) = 0;
  virtual std::string ClipboardText() = 0;
  virtual void StartTimer(TTimer& timer, unsigned milliseconds) = 0;
  virtual void StopTimer(TTimer& timer) = 0;
  // The running program's file, and its command-line arguments (without
  // the program name) as UTF-8 text.
  virtual std::string ExecutablePath() = 0;
  virtual std::vector<std::string> CommandLineArguments() = 0;
  // Starts a program through the shell's "open" verb, shown normally (see
  // ShellOpen in platform/shell.h); true when it started.
  virtual bool ShellOpen(TWinControl& owner, const std::string& program,
                         const std::string& parameters, const std::string& directory) = 0;
  // Makes a top-level window of this class (any title) the foreground
  // window; false when none exists.
  virtual bool ActivateWindowOfClass(const std::string& className) = 0;
  // Shows a help file (UTF-8 path) in the program the system shows such
  // files with; true when that started.
  virtual bool ShowHelp(TWinControl& owner, const std::string& file) = 0;
};

Backend& CurrentBackend();
Backend* CurrentBackendOrNull();
void SetCurrentBackend(Backend* backend);

// The modifier keys held now.
TShiftState KeyboardShiftState();

}  // namespace varlo
