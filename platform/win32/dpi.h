// Display resolution: the calls that give it per window and per display
// came with later versions of Windows than the oldest the program runs on,
// so each is looked up at run time and, where it is missing, the system's
// one resolution stands in.
#pragma once

#include <windows.h>

namespace varlo::win32 {

// Pixels per inch of the whole system (what the screen's device context
// says).
int SystemDpi();
// Of the primary display, where windows open.
int PrimaryDpi();
// Of the display a window is on.
int WindowDpi(HWND hwnd);
// A system metric for a window on a display of that resolution.
int MetricForDpi(int index, int dpi);
// The window rectangle around a client rectangle at that resolution.
void AdjustRectForDpi(RECT& rect, DWORD style, bool menu, DWORD exStyle, int dpi);
// The message icon of the system, `size` pixels square (owned by the
// caller).
HICON LoadSystemIcon(LPCWSTR id, int size);

}  // namespace varlo::win32
