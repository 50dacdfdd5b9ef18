// The offscreen backend: no windows at all, but real pixel buffers and fixed,
// simple font metrics (8 pixels per byte, 16 per line), a clock, keys and a
// pointer the tests set, and windows the tests drive with the same events a
// user's input would give.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/backend.h"
#include "platform/canvas.h"
#include "platform/control.h"
#include "platform/dialogs.h"
#include "platform/forms.h"
#include "platform/timer.h"

namespace varlo::offscreen {

// Glyph geometry of the fixed font.
inline constexpr int kCharWidth = 8;       // a single-byte character
inline constexpr int kWideCharWidth = 16;  // a double-byte character
inline constexpr int kLineHeight = 16;

// Non-client geometry of the simulated windows.
inline constexpr int kScrollBarSize = 16;
inline constexpr int kCaptionHeight = 20;
inline constexpr int kFrameSize = 4;  // sizing frame
inline constexpr int kClientEdge = 2;
inline constexpr int kDialogFrame = 3;
inline constexpr int kBorder = 1;
inline constexpr int kMenuHeight = 20;

// A bitmap of RGB pixels. Text draws each character as a cell in the brush
// colour with a solid block in the text colour inside it (blanks have no
// block), so tests can tell where each character landed.
class PixelCanvas : public TBitmapCanvas {
 public:
  void SetSize(int width, int height) override;
  TSize Size() const override { return {FWidth, FHeight}; }
  TColor Pixel(int x, int y) override;

  void FillRect(const TRect& rect) override;
  void TextOut(int x, int y, std::string_view shiftJis) override;
  int TextWidth(std::string_view shiftJis) override;
  TTextMetric TextMetrics() override;
  int TextWidthUtf8(std::string_view utf8) override;
  void DrawSystemIcon(int x, int y, int size, TSystemIcon icon) override;
  void CopyRect(const TRect& dest, TCanvas& source, const TRect& src) override;
  TRect ClipRect() override { return FClip; }

  void SetClipRect(const TRect& clip) { FClip = clip; }
  // Times TextOut was called, for tests of what a redraw costs.
  int64_t TextOutCalls() const { return FTextOutCalls; }

 private:
  void Fill(const TRect& rect, TColor rgb);

  int FWidth = 0;
  int FHeight = 0;
  std::vector<TColor> FPixels;
  TRect FClip;
  int64_t FTextOutCalls = 0;
};

class OffscreenBackend;

// A simulated window.
class Window : public WindowPeer {
 public:
  Window(OffscreenBackend& backend, TWinControl& control);
  ~Window() override;

  void Create(const TCreateParams& params, WindowPeer* parent) override;
  bool Exists() const override { return FExists; }
  void SetBounds(const TRect& bounds) override;
  TRect Bounds() const override { return FBounds; }
  TSize ClientSize() const override;
  void SetText(const std::string& text, bool shiftJis) override;
  void SetVisible(bool visible) override { FVisible = visible; }
  void SetEnabled(bool enabled) override { FEnabled = enabled; }
  void Invalidate() override { FInvalid = true; }
  void PaintNow() override;
  void SetFocus() override;
  bool Focused() const override;
  void BringToFront() override { ++FBroughtToFront; }
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

  void SetChecked(bool checked) override { FChecked = checked; }
  void SetDefaultButton(bool value) override { FDefault = value; }
  void SetPages(const std::vector<std::string>& captions) override { FPages = captions; }
  void SetActivePage(int page) override { FActivePage = page; }
  void SelectAll() override;
  void SetWindowState(uint8_t state) override;
  uint8_t WindowState() const override { return FWindowState; }
  void MenuChanged() override;
  void AcceptFiles(bool accept) override { FAcceptsFiles = accept; }

  // --- For tests: what the window shows and has. ---
  TWinControl& Control() { return FControl; }
  const TCreateParams& Params() const { return FParams; }
  int CreateCount() const { return FCreateCount; }
  bool Invalid() const { return FInvalid; }
  int PaintCount() const { return FPaintCount; }
  int BroughtToFront() const { return FBroughtToFront; }
  const std::string& Text() const { return FText; }
  // The client area's pixels as last painted.
  PixelCanvas& Screen() { return FScreen; }
  TColor Pixel(int x, int y) { return FScreen.Pixel(x, y); }
  struct Caret {
    bool exists = false;
    int width = 0, height = 0;
    int hideCount = 0;
    int x = 0, y = 0;
    bool Visible() const { return exists && hideCount == 0; }
  };
  const Caret& CaretState() const { return FCaret; }
  TScrollInfo ScrollState(TScrollBarKind bar) const { return FBars[bar]; }
  bool Visible() const { return FVisible; }
  bool Enabled() const { return FEnabled; }
  bool Checked() const { return FChecked; }
  bool DefaultButton() const { return FDefault; }
  const std::vector<std::string>& Pages() const { return FPages; }
  int ActivePage() const { return FActivePage; }
  bool AcceptsFiles() const { return FAcceptsFiles; }
  int MenuChanges() const { return FMenuChanges; }
  // An edit box's selection, in bytes of its text; the caret stands at its
  // end. A text set in code puts the caret before the first character, as
  // the platform does.
  int SelStart() const { return FSelStart; }
  int SelLength() const { return FSelEnd - FSelStart; }

  // --- For tests: input as a user gives it. ---
  // Paints if anything invalidated the window (the paint message).
  void Update();
  void KeyDown(uint16_t key, TShiftState shift = 0);
  void KeyUp(uint16_t key, TShiftState shift = 0);
  // Presses and releases a key; sets the backend's key state meanwhile.
  void PressKey(uint16_t key, TShiftState shift = 0);
  bool WantsKey(uint16_t key);
  void MouseDown(TMouseButton button, int x, int y, TShiftState shift = 0);
  void MouseUp(TMouseButton button, int x, int y, TShiftState shift = 0);
  void DoubleClick(TMouseButton button, int x, int y, TShiftState shift = 0);
  void MouseMove(int x, int y, TShiftState shift = 0);
  // The wheel turned by delta (120 a notch, positive away from the user).
  bool Wheel(int delta, TShiftState shift = 0);
  // The user clicking this button or check box, putting a whole new text
  // into this edit box (as a paste over all of it does), choosing a page,
  // pressing the close box, dropping files, pressing Alt and a letter.
  void Click();
  void Type(const std::string& shiftJis);
  // Characters typed into this edit box as the platform's box takes them:
  // each replaces the selection, or goes in at the caret; one the control
  // refuses (over its byte limit) changes nothing.
  void TypeChars(const std::string& shiftJis);
  // What the platform's edit box does with a key after the control's own
  // handler: Backspace and Delete remove the selection or a character,
  // the arrows, Home and End move the caret.
  void EditKey(uint16_t key);
  void SelectPage(int page);
  void CloseBox();
  void DropFiles(const std::vector<std::string>& utf8Names);
  bool Accelerator(char letter);
  // A scroll-bar request; `track` is the thumb position for codes 4 and 5.
  void Scroll(TScrollBarKind bar, int code, int track = 0);
  // The user dragging the window's frame to this outer size.
  void UserResize(int width, int height);
  // The platform's hit code for a point in parent coordinates, then the
  // control's answer.
  int HitTest(int x, int y);
  // The tracking limits the control asks for.
  TMinMaxInfo MinMax();

 private:
  TRect ClientRectInWindow() const;
  // The edit box's text becomes `after`, the caret at `caret`, unless the
  // control refuses it.
  void Replace(const std::string& after, int caret);

  OffscreenBackend& FBackend;
  TWinControl& FControl;
  Window* FParent = nullptr;
  bool FExists = false;
  TCreateParams FParams;
  int FCreateCount = 0;
  TRect FBounds;
  std::string FText;
  bool FVisible = true;
  bool FEnabled = true;
  bool FInvalid = false;
  int FPaintCount = 0;
  int FBroughtToFront = 0;
  TScrollInfo FBars[2];
  Caret FCaret;
  PixelCanvas FScreen;
  bool FChecked = false;
  bool FDefault = false;
  std::vector<std::string> FPages;
  int FActivePage = 0;
  int FSelStart = 0, FSelEnd = 0;
  uint8_t FWindowState = 0;
  TRect FNormalBounds;
  bool FHasMenu = false;
  int FMenuChanges = 0;
  bool FAcceptsFiles = false;
};

class OffscreenBackend : public Backend {
 public:
  OffscreenBackend();
  ~OffscreenBackend() override;

  std::unique_ptr<WindowPeer> CreateWindowPeer(TWinControl& control) override;
  std::unique_ptr<TBitmapCanvas> CreateBitmapCanvas() override;
  uint32_t TickCount() override { return FTicks; }
  bool KeyPressed(uint16_t key) override;
  TPoint CursorPos() override { return FCursor; }
  int SystemMetric(TSystemMetric metric) override;
  // The simulated frames are alike at every resolution.
  int SystemMetricAt(TSystemMetric metric, int) override { return SystemMetric(metric); }
  int ScreenPixelsPerInch() override { return FScreenPpi; }
  unsigned WheelScrollLines() override { return FWheelLines; }
  TColor ColorToRGB(TColor color) override;
  void ProcessMessages() override;
  void ProcessPaintMessages() override;
  // Paints, then what the test plays meanwhile (OnProcessBusyMessages).
  bool ProcessBusyMessages() override;
  // Nothing waits unless a test says so.
  bool MessageWaiting() override { return OnMessageWaiting && OnMessageWaiting(); }
  // The simulated time passes at once.
  void WaitForInput(int milliseconds) override { FTicks += static_cast<uint32_t>(milliseconds); }
  void ShowError(const std::string& message) override { FErrors.push_back(message); }
  void TrackPopupMenu(TPopupMenu& menu, TPoint screen) override;
  void RunModal(TForm& form) override;
  void RunMessageLoop() override;
  void Terminate() override { FTerminated = true; }
  TSize FrameSize(uint32_t style, uint32_t exStyle, bool menu, int ppi) override;
  bool ExecuteOpenDialog(TOpenDialog& dialog) override;
  bool ExecuteFontDialog(TFontDialog& dialog) override;
  bool ExecuteColorDialog(TColorDialog& dialog) override;
  void SetClipboardText(const std::string& shiftJis) override { FClipboard = shiftJis; }
  std::string ClipboardText() override { return FClipboard; }
  void StartTimer(TTimer& timer, unsigned milliseconds) override;
  void StopTimer(TTimer& timer) override;
  std::string ExecutablePath() override { return FExePath; }
  std::vector<std::string> CommandLineArguments() override { return FArguments; }
  bool ShellOpen(TWinControl& owner, const std::string& program, const std::string& parameters,
                 const std::string& directory) override;
  bool ActivateWindowOfClass(const std::string& className) override;
  bool ShowHelp(TWinControl& owner, const std::string& file) override;

  // --- For tests. ---
  // Runs when a form is shown modally: it plays the user, and should end
  // by closing the form (else it counts as cancelled).
  std::function<void(TForm& form)> OnShowModal;
  // Runs as the program's message loop: the user at the main window.
  std::function<void()> OnMessageLoop;
  // The user's answer in the common dialogs (none: cancelled).
  std::function<bool(TOpenDialog&)> OnOpenDialog;
  std::function<bool(TFontDialog&)> OnFontDialog;
  std::function<bool(TColorDialog&)> OnColorDialog;
  // The shell: every start asked of it, and its answer (none: nothing
  // starts).
  struct ShellRequest {
    TWinControl* Owner;
    std::string Program, Parameters, Directory;
  };
  const std::vector<ShellRequest>& ShellRequests() const { return FShellRequests; }
  std::function<bool(const ShellRequest&)> OnShellOpen;
  // The help files asked to be shown, in order, and the answer (none:
  // shown).
  const std::vector<std::string>& HelpRequests() const { return FHelpRequests; }
  std::function<bool(const std::string& file)> OnShowHelp;
  // The classes of other programs' top-level windows that exist, and the
  // classes whose window was made the foreground window, in order.
  std::set<std::string> WindowClasses;
  const std::vector<std::string>& Activated() const { return FActivated; }
  // Forms shown modally so far, by name, in order.
  const std::vector<std::string>& ModalLog() const { return FModalLog; }
  bool Terminated() const { return FTerminated; }
  void SetExecutablePath(std::string utf8) { FExePath = std::move(utf8); }
  void SetArguments(std::vector<std::string> utf8) { FArguments = std::move(utf8); }
  // A key as the user presses it: the form looks first (menu shortcuts,
  // Enter, Esc), then the focused control, then (an edit box) the
  // platform's own handling of the key.
  void SendKey(uint16_t key, TShiftState shift = 0);
  // Text typed at the keyboard into the focused control (an edit box takes
  // it; see Window::TypeChars).
  void TypeText(const std::string& shiftJis);
  // Time passes; timers that fall due fire.
  void AdvanceTime(uint32_t ms);

  void SetTickCount(uint32_t ticks) { FTicks = ticks; }
  void AdvanceTicks(uint32_t ms) { FTicks += ms; }
  void SetKeyPressed(uint16_t key, bool down) { FKeys[key] = down; }
  void SetCursorPos(TPoint p) { FCursor = p; }
  void SetWheelScrollLines(unsigned lines) { FWheelLines = lines; }
  // The resolution of the screen, and of the display windows open on
  // (0: the screen's).
  void SetScreenPixelsPerInch(int ppi) { FScreenPpi = ppi; }
  void SetDisplayPixelsPerInch(int ppi) { FDisplayPpi = ppi; }
  const std::vector<std::string>& Errors() const { return FErrors; }
  void ClearErrors() { FErrors.clear(); }
  // Runs inside ProcessMessages after pending paints: the messages a test
  // wants delivered while a handler lets the message loop run.
  std::function<void()> OnProcessMessages;
  int ProcessMessagesCalls() const { return FProcessCalls; }
  // Runs inside ProcessPaintMessages after pending paints (no timers fire
  // there): where a test watches a long operation and lets time pass.
  std::function<void()> OnProcessPaintMessages;
  // Runs inside ProcessBusyMessages: a command waits; true presses Esc.
  std::function<bool()> OnProcessBusyMessages;
  // Whether a message waits for the program (MessageWaiting).
  std::function<bool()> OnMessageWaiting;

  // Pop-up menus shown so far, and where.
  struct Popup {
    TPopupMenu* menu;
    TPoint at;
  };
  const std::vector<Popup>& Popups() const { return FPopups; }
  // Chooses an item of a pop-up menu as it is shown (by name; empty: none).
  std::string PopupChoice;

  Window* Focus() const { return FFocus; }
  void SetFocusTo(Window* window);
  void Forget(Window* window);
  static Window& WindowOf(TWinControl& control);

 private:
  friend class Window;
  uint32_t FTicks = 1'000'000;
  std::map<uint16_t, bool> FKeys;
  TPoint FCursor;
  unsigned FWheelLines = 3;
  int FScreenPpi = 96;
  int FDisplayPpi = 0;
  std::vector<std::string> FErrors;
  std::vector<Window*> FWindows;
  Window* FFocus = nullptr;
  int FProcessCalls = 0;
  std::vector<Popup> FPopups;
  std::vector<std::string> FModalLog;
  bool FTerminated = false;
  std::string FClipboard;
  std::string FExePath = "/varlo/varlo.exe";
  std::vector<std::string> FArguments;
  std::vector<ShellRequest> FShellRequests;
  std::vector<std::string> FActivated;
  std::vector<std::string> FHelpRequests;
  struct Due {
    unsigned interval;
    uint32_t next;
  };
  std::map<TTimer*, Due> FTimers;
  void FireDueTimers();
};

// The offscreen window of a control.
inline Window& WindowOf(TWinControl& control) { return OffscreenBackend::WindowOf(control); }

}  // namespace varlo::offscreen
