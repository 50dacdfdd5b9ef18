// One owner per handle: small move-only types for the Win32 handles the
// backend keeps.
#pragma once

#include <windows.h>

#include <utility>

namespace varlo::win32 {

template <class H, class Traits>
class UniqueHandle {
 public:
  UniqueHandle() = default;
  explicit UniqueHandle(H h) : FHandle(h) {}
  ~UniqueHandle() { Reset(); }
  UniqueHandle(UniqueHandle&& o) noexcept : FHandle(std::exchange(o.FHandle, H{})) {}
  UniqueHandle& operator=(UniqueHandle&& o) noexcept {
    if (this != &o) {
      Reset();
      FHandle = std::exchange(o.FHandle, H{});
    }
    return *this;
  }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;

  H Get() const { return FHandle; }
  explicit operator bool() const { return FHandle != H{}; }
  H Release() { return std::exchange(FHandle, H{}); }
  void Reset(H h = H{}) {
    if (FHandle != H{}) Traits::Close(FHandle);
    FHandle = h;
  }

 private:
  H FHandle{};
};

struct GdiObjectTraits {
  static void Close(HGDIOBJ h) { DeleteObject(h); }
};
struct MemoryDcTraits {
  static void Close(HDC h) { DeleteDC(h); }
};
struct WindowTraits {
  static void Close(HWND h) { DestroyWindow(h); }
};
struct MenuTraits {
  static void Close(HMENU h) { DestroyMenu(h); }
};
struct IconTraits {
  static void Close(HICON h) { DestroyIcon(h); }
};
struct GlobalTraits {
  static void Close(HGLOBAL h) { GlobalFree(h); }
};

// A kernel handle; empty is null (a failed CreateFile's INVALID_HANDLE_VALUE
// is kept out of it).
struct KernelTraits {
  static void Close(HANDLE h) { CloseHandle(h); }
};

using UniqueBitmap = UniqueHandle<HGDIOBJ, GdiObjectTraits>;
using UniqueFont = UniqueHandle<HGDIOBJ, GdiObjectTraits>;
using UniqueBrush = UniqueHandle<HGDIOBJ, GdiObjectTraits>;
using UniqueMemoryDc = UniqueHandle<HDC, MemoryDcTraits>;
using UniqueWindow = UniqueHandle<HWND, WindowTraits>;
using UniqueMenu = UniqueHandle<HMENU, MenuTraits>;
using UniqueGlobal = UniqueHandle<HGLOBAL, GlobalTraits>;
using UniqueIcon = UniqueHandle<HICON, IconTraits>;
using UniqueKernel = UniqueHandle<HANDLE, KernelTraits>;

// A window's device context for the length of a scope.
class WindowDc {
 public:
  explicit WindowDc(HWND hwnd) : FHwnd(hwnd), FDc(GetDC(hwnd)) {}
  ~WindowDc() { ReleaseDC(FHwnd, FDc); }
  WindowDc(const WindowDc&) = delete;
  WindowDc& operator=(const WindowDc&) = delete;
  HDC Get() const { return FDc; }

 private:
  HWND FHwnd;
  HDC FDc;
};

// Selects an object into a DC for the length of a scope.
class Selected {
 public:
  Selected(HDC dc, HGDIOBJ object) : FDc(dc), FOld(SelectObject(dc, object)) {}
  ~Selected() { SelectObject(FDc, FOld); }
  Selected(const Selected&) = delete;
  Selected& operator=(const Selected&) = delete;

 private:
  HDC FDc;
  HGDIOBJ FOld;
};

}  // namespace varlo::win32
