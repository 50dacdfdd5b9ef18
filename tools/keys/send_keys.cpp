// Types into Varlo as a user at the keyboard would, for the run command's
// screenshots: waits for the main window, brings it to the front, then
// sends each step in turn.
//   varlo-send-keys STEP...
// A step is a key with optional modifiers ("F", "Return", "Ctrl+[",
// "Alt+K", "Shift+Q"), "text:..." to type text in any script, "wait:MS",
// "window:CAPTION" to wait for a window whose caption starts so and bring
// it to the front, or "size:WxH" to give the main window that outer size.
// Exits 1 when a window does not come, 2 on a step it does not know.
#include <windows.h>

#include <cwctype>
#include <map>
#include <string>
#include <vector>

namespace {

HWND FindTopLevel(const std::wstring& start) {
  struct Search {
    std::wstring start;
    HWND found = nullptr;
  } search{start};
  EnumWindows(
      [](HWND h, LPARAM p) -> BOOL {
        auto* s = reinterpret_cast<Search*>(p);
        wchar_t text[256] = {};
        GetWindowTextW(h, text, 256);
        if (IsWindowVisible(h) && std::wstring(text).rfind(s->start, 0) == 0) {
          s->found = h;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

constexpr const wchar_t* kMainCaption = L"Varlo (ﾒｲﾝ)";

bool BringToFront(const std::wstring& captionStart) {
  for (int i = 0; i < 300; ++i) {
    if (HWND h = FindTopLevel(captionStart)) {
      SetForegroundWindow(h);
      Sleep(200);
      return true;
    }
    Sleep(100);
  }
  return false;
}

void Send(std::vector<INPUT>& input) {
  SendInput(static_cast<UINT>(input.size()), input.data(), sizeof(INPUT));
  input.clear();
}

INPUT KeyInput(WORD vk, bool up) {
  INPUT i{};
  i.type = INPUT_KEYBOARD;
  i.ki.wVk = vk;
  i.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  return i;
}

void TypeText(const std::wstring& text) {
  std::vector<INPUT> input;
  for (wchar_t c : text)
    for (bool up : {false, true}) {
      INPUT i{};
      i.type = INPUT_KEYBOARD;
      i.ki.wScan = c;
      i.ki.dwFlags = KEYEVENTF_UNICODE | (up ? KEYEVENTF_KEYUP : 0);
      input.push_back(i);
    }
  Send(input);
}

// The virtual key of a key name; 0 when there is none.
WORD KeyCode(const std::wstring& name) {
  static const std::map<std::wstring, WORD> named = {
      {L"Return", VK_RETURN}, {L"Enter", VK_RETURN}, {L"Escape", VK_ESCAPE}, {L"Esc", VK_ESCAPE},
      {L"Tab", VK_TAB},       {L"Space", VK_SPACE},  {L"Up", VK_UP},         {L"Down", VK_DOWN},
      {L"Left", VK_LEFT},     {L"Right", VK_RIGHT},  {L"PageUp", VK_PRIOR},  {L"PageDown", VK_NEXT},
      {L"Home", VK_HOME},     {L"End", VK_END},      {L"Insert", VK_INSERT}, {L"[", VK_OEM_4},
  };
  if (const auto it = named.find(name); it != named.end()) return it->second;
  if (name.size() == 1 && std::iswalnum(name[0])) return static_cast<WORD>(std::towupper(name[0]));
  if (name.size() >= 2 && name[0] == L'F') {
    const int n = _wtoi(name.c_str() + 1);
    if (n >= 1 && n <= 12) return static_cast<WORD>(VK_F1 + n - 1);
  }
  return 0;
}

bool PressKey(std::wstring step) {
  std::vector<WORD> held;
  for (const auto& [prefix, vk] : {std::pair{L"Ctrl+", VK_CONTROL}, std::pair{L"Alt+", VK_MENU},
                                   std::pair{L"Shift+", VK_SHIFT}})
    while (step.size() > wcslen(prefix) && step.rfind(prefix, 0) == 0) {
      held.push_back(static_cast<WORD>(vk));
      step.erase(0, wcslen(prefix));
    }
  const WORD key = KeyCode(step);
  if (key == 0) return false;
  std::vector<INPUT> input;
  for (WORD m : held) input.push_back(KeyInput(m, false));
  input.push_back(KeyInput(key, false));
  input.push_back(KeyInput(key, true));
  for (auto m = held.rbegin(); m != held.rend(); ++m) input.push_back(KeyInput(*m, true));
  Send(input);
  return true;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (!BringToFront(kMainCaption)) return 1;
  for (int i = 1; i < argc; ++i) {
    const std::wstring step = argv[i];
    if (step.rfind(L"text:", 0) == 0) {
      TypeText(step.substr(5));
    } else if (step.rfind(L"wait:", 0) == 0) {
      Sleep(static_cast<DWORD>(_wtoi(step.c_str() + 5)));
    } else if (step.rfind(L"size:", 0) == 0) {
      const int width = _wtoi(step.c_str() + 5);
      const size_t x = step.find(L'x');
      const int height = x == std::wstring::npos ? 0 : _wtoi(step.c_str() + x + 1);
      HWND main = FindTopLevel(kMainCaption);
      if (main == nullptr || width <= 0 || height <= 0) return 2;
      SetWindowPos(main, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER);
    } else if (step.rfind(L"window:", 0) == 0) {
      if (!BringToFront(step.substr(7))) return 1;
    } else if (!PressKey(step)) {
      return 2;
    }
    Sleep(300);
  }
  return 0;
}
