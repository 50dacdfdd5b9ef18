// A file drop as the shell hands it to a window: wide names after a
// DROPFILES header, in memory the receiver frees.
#pragma once

#include <shlobj.h>  // DROPFILES
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

namespace varlo::testing {

inline HGLOBAL DropOf(const std::vector<std::wstring>& names) {
  size_t chars = 1;
  for (const std::wstring& n : names) chars += n.size() + 1;
  HGLOBAL h = GlobalAlloc(GHND, sizeof(DROPFILES) + chars * sizeof(wchar_t));
  auto* drop = static_cast<DROPFILES*>(GlobalLock(h));
  drop->pFiles = sizeof(DROPFILES);
  drop->fWide = TRUE;
  auto* p = reinterpret_cast<wchar_t*>(drop + 1);
  for (const std::wstring& n : names) {
    std::memcpy(p, n.c_str(), (n.size() + 1) * sizeof(wchar_t));
    p += n.size() + 1;
  }
  GlobalUnlock(h);
  return h;
}

}  // namespace varlo::testing
