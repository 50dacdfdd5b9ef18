// The platform's services: the open, font and colour dialogs, the
// clipboard, the program's path and its command line, starting programs
// through the shell and handing the foreground to another window.
#include <windows.h>
// After windows.h, which they need.
#include <cderr.h>
#include <commdlg.h>
#include <shellapi.h>

#include <algorithm>
#include <cstring>
#include <cwchar>

#include "platform/dialogs.h"
#include "platform/errors.h"
#include "platform/win32/backend.h"
#include "platform/win32/canvas.h"
#include "platform/win32/codepage.h"
#include "platform/win32/command_line.h"
#include "platform/win32/dpi.h"

namespace varlo::win32 {
namespace {

// Long paths fit: the longest the platform's wide calls take.
constexpr size_t kPathBuffer = 32768;

// "description|pattern|..." as the dialog takes it: NUL-separated, ending
// in two NULs.
std::wstring DialogFilter(const std::string& utf8) {
  std::wstring filter = ToWide(kUtf8, utf8);
  if (filter.empty()) return filter;
  std::replace(filter.begin(), filter.end(), L'|', L'\0');
  if (filter.back() != L'\0') filter.push_back(L'\0');
  filter.push_back(L'\0');
  return filter;
}

// The clipboard, open for the length of a scope. It may be held by another
// program for a moment, so opening it is tried a few times.
class OpenClipboardScope {
 public:
  explicit OpenClipboardScope(HWND owner) {
    for (int attempt = 0; attempt < 10 && !FOpen; ++attempt) {
      if (attempt > 0) Sleep(10);
      FOpen = OpenClipboard(owner) != FALSE;
    }
    if (!FOpen) throw Exception("クリップボードを開けません。他のプログラムが使用中です");
  }
  ~OpenClipboardScope() { CloseClipboard(); }
  OpenClipboardScope(const OpenClipboardScope&) = delete;
  OpenClipboardScope& operator=(const OpenClipboardScope&) = delete;

 private:
  bool FOpen = false;
};

}  // namespace

bool Win32Backend::ExecuteOpenDialog(TOpenDialog& dialog) {
  const std::wstring filter = DialogFilter(dialog.Filter);
  std::wstring initial = ToWide(kUtf8, dialog.FileName);
  const bool hasFolder = initial.find_first_of(L"\\/:") != std::wstring::npos;
  for (int attempt = 0; attempt < 2; ++attempt) {
    std::vector<wchar_t> file(kPathBuffer, L'\0');
    std::copy_n(initial.begin(), std::min(initial.size(), kPathBuffer - 1), file.begin());
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = GetActiveWindow();
    ofn.lpstrFilter = filter.empty() ? nullptr : filter.c_str();
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = file.data();
    ofn.nMaxFile = static_cast<DWORD>(file.size());
    // A bare name opens where the last choice was made. The process's
    // current folder stays: the program's relative paths do not move.
    ofn.lpstrInitialDir = !hasFolder && !FLastDirectory.empty() ? FLastDirectory.c_str() : nullptr;
    // No OFN_FILEMUSTEXIST: the program checks the name itself and says
    // what is wrong with it.
    ofn.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_ENABLESIZING;
    if (GetOpenFileNameW(&ofn)) {
      const std::wstring chosen(file.data());
      FLastDirectory = chosen.substr(0, std::min<size_t>(ofn.nFileOffset, chosen.size()));
      dialog.FileName = FromWide(kUtf8, chosen);
      return true;
    }
    // A kept name the dialog cannot show (a folder that went away, a bad
    // character): open it once more without one.
    if (CommDlgExtendedError() != FNERR_INVALIDFILENAME || initial.empty()) return false;
    initial.clear();
  }
  return false;
}

bool Win32Backend::ExecuteFontDialog(TFontDialog& dialog) {
  TFont& font = dialog.Font;
  // The dialog tells points from heights at the screen's resolution.
  const int screen = SystemDpi();
  LOGFONTW lf{};
  lf.lfHeight = -MulDivRounded(font.Size(), screen, 72);
  lf.lfWeight = (font.Style & fsBold) ? FW_BOLD : FW_NORMAL;
  lf.lfItalic = (font.Style & fsItalic) != 0;
  lf.lfUnderline = (font.Style & fsUnderline) != 0;
  lf.lfStrikeOut = (font.Style & fsStrikeOut) != 0;
  // Any script: the dialog finds the face by its name alone.
  lf.lfCharSet = DEFAULT_CHARSET;
  const std::wstring face = ToWide(kUtf8, font.Name);
  wcsncpy(lf.lfFaceName, face.c_str(), LF_FACESIZE - 1);

  CHOOSEFONTW cf{};
  cf.lStructSize = sizeof cf;
  cf.hwndOwner = GetActiveWindow();
  cf.lpLogFont = &lf;
  // No vertical ("@") faces: they draw the text turned sideways.
  cf.Flags = CF_SCREENFONTS | CF_EFFECTS | CF_INITTOLOGFONTSTRUCT | CF_NOVERTFONTS;
  cf.rgbColors = ToColorRef(font.Color);
  if (!ChooseFontW(&cf)) return false;

  font.Name = FromWide(kUtf8, lf.lfFaceName);
  font.Height = MulDivRounded(lf.lfHeight, font.PixelsPerInch, screen);
  font.Color = static_cast<TColor>(cf.rgbColors);  // 0x00BBGGRR, as TColor
  font.Style =
      static_cast<uint8_t>((lf.lfWeight >= FW_BOLD ? fsBold : 0) | (lf.lfItalic ? fsItalic : 0) |
                           (lf.lfUnderline ? fsUnderline : 0) | (lf.lfStrikeOut ? fsStrikeOut : 0));
  return true;
}

bool Win32Backend::ExecuteColorDialog(TColorDialog& dialog) {
  CHOOSECOLORW cc{};
  cc.lStructSize = sizeof cc;
  cc.hwndOwner = GetActiveWindow();
  cc.rgbResult = ToColorRef(dialog.Color);
  cc.lpCustColors = FCustomColors;
  cc.Flags = CC_RGBINIT | CC_FULLOPEN;
  if (!ChooseColorW(&cc)) return false;
  dialog.Color = static_cast<TColor>(cc.rgbResult);
  return true;
}

void Win32Backend::SetClipboardText(const std::string& shiftJis) {
  const std::wstring text = ToWide(kShiftJis, shiftJis);
  const size_t bytes = (text.size() + 1) * sizeof(wchar_t);
  UniqueGlobal memory(GlobalAlloc(GMEM_MOVEABLE, bytes));
  if (!memory) throw Exception("クリップボードに書き込むメモリが足りません");
  if (void* p = GlobalLock(memory.Get())) {
    std::memcpy(p, text.c_str(), bytes);
    GlobalUnlock(memory.Get());
  }
  OpenClipboardScope open(ServiceWindow());
  EmptyClipboard();
  // The clipboard owns the memory once it took it.
  if (SetClipboardData(CF_UNICODETEXT, memory.Get()) == nullptr)
    throw Exception("クリップボードに書き込めません");
  memory.Release();
}

std::string Win32Backend::ClipboardText() {
  OpenClipboardScope open(ServiceWindow());
  HANDLE data = GetClipboardData(CF_UNICODETEXT);
  if (data == nullptr) return {};
  const auto* p = static_cast<const wchar_t*>(GlobalLock(data));
  if (p == nullptr) return {};
  // Text that another program left without its terminating NUL ends with
  // its memory.
  const std::wstring text(p, wcsnlen(p, GlobalSize(data) / sizeof(wchar_t)));
  GlobalUnlock(data);
  return FromWide(kShiftJis, text);
}

std::string Win32Backend::ExecutablePath() {
  std::wstring path(MAX_PATH, L'\0');
  while (true) {
    const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0) return {};
    if (n < path.size()) {
      path.resize(n);
      return FromWide(kUtf8, path);
    }
    // Cut short: the buffer was too small.
    path.resize(path.size() * 2);
  }
}

std::vector<std::string> Win32Backend::CommandLineArguments() {
  std::vector<std::string> args;
  for (const std::wstring& a : SplitCommandLine(GetCommandLineW()))
    args.push_back(FromWide(kUtf8, a));
  return args;
}

bool Win32Backend::ShellOpen(TWinControl& owner, const std::string& program,
                             const std::string& parameters, const std::string& directory) {
  // The wide call: texts of any length, and names outside the ANSI code
  // page reach the program whole.
  const std::wstring file = ToWide(kUtf8, program);
  const std::wstring params = ToWide(kUtf8, parameters);
  const std::wstring folder = ToWide(kUtf8, directory);
  const HINSTANCE result = ShellExecuteW(HandleOf(owner), L"open", file.c_str(),
                                         params.empty() ? nullptr : params.c_str(),
                                         folder.empty() ? nullptr : folder.c_str(), SW_SHOW);
  // Values above 32 mean started; the others are error codes.
  return reinterpret_cast<INT_PTR>(result) > 32;
}

bool Win32Backend::ShowHelp(TWinControl& owner, const std::string& file) {
  // The old help viewer is gone from current systems: the page is opened
  // as the user opens any file of its kind, a web page in the browser.
  return ShellOpen(owner, file, "", "");
}

bool Win32Backend::ActivateWindowOfClass(const std::string& className) {
  HWND window = FindWindowW(ToWide(kUtf8, className).c_str(), nullptr);
  if (window == nullptr) return false;
  SetForegroundWindow(window);
  return true;
}

}  // namespace varlo::win32
