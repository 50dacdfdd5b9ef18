// The real backend: Win32 windows, GDI, the message loop.
#pragma once

#include <windows.h>

#include <map>
#include <string>

#include "platform/backend.h"
#include "platform/win32/handles.h"

namespace varlo::win32 {

class Win32Backend : public Backend {
 public:
  Win32Backend();
  ~Win32Backend() override;

  std::unique_ptr<WindowPeer> CreateWindowPeer(TWinControl& control) override;
  std::unique_ptr<TBitmapCanvas> CreateBitmapCanvas() override;
  uint32_t TickCount() override { return GetTickCount(); }
  bool KeyPressed(uint16_t key) override { return GetKeyState(key) < 0; }
  TPoint CursorPos() override;
  int SystemMetric(TSystemMetric metric) override;
  int SystemMetricAt(TSystemMetric metric, int ppi) override;
  int ScreenPixelsPerInch() override;
  unsigned WheelScrollLines() override;
  TColor ColorToRGB(TColor color) override;
  void ProcessMessages() override;
  void ProcessPaintMessages() override;
  bool ProcessBusyMessages() override;
  bool MessageWaiting() override;
  void WaitForInput(int milliseconds) override;
  void ShowError(const std::string& message) override;
  void TrackPopupMenu(TPopupMenu& menu, TPoint screen) override;
  void RunModal(TForm& form) override;
  void RunMessageLoop() override;
  void Terminate() override;
  TSize FrameSize(uint32_t style, uint32_t exStyle, bool menu, int ppi) override;
  bool ExecuteOpenDialog(TOpenDialog& dialog) override;
  bool ExecuteFontDialog(TFontDialog& dialog) override;
  bool ExecuteColorDialog(TColorDialog& dialog) override;
  void SetClipboardText(const std::string& shiftJis) override;
  std::string ClipboardText() override;
  void StartTimer(TTimer& timer, unsigned milliseconds) override;
  void StopTimer(TTimer& timer) override;
  std::string ExecutablePath() override;
  std::vector<std::string> CommandLineArguments() override;
  bool ShellOpen(TWinControl& owner, const std::string& program, const std::string& parameters,
                 const std::string& directory) override;
  bool ActivateWindowOfClass(const std::string& className) override;
  bool ShowHelp(TWinControl& owner, const std::string& file) override;

  // Runs the message loop until WM_QUIT; returns its exit code.
  int Run();

 private:
  // The hidden message-only window that owns the timers and the clipboard.
  HWND ServiceWindow();
  static LRESULT CALLBACK ServiceProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

  UniqueWindow FServiceWindow;
  std::map<UINT_PTR, TTimer*> FTimers;  // by timer id
  UINT_PTR FNextTimerId = 1;
  COLORREF FCustomColors[16];   // the colour dialog's, for the run
  std::wstring FLastDirectory;  // of the open dialog's last choice
};

// The window handle of a control's window (null before it exists).
HWND HandleOf(TWinControl& control);

// One message as every loop of the program handles it: the form's keys and
// accelerators first, then dialog navigation, then the window.
void DispatchOne(MSG& msg);

}  // namespace varlo::win32
