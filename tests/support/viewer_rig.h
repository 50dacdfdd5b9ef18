// A viewer on the offscreen backend, in a host window, with a known client
// area: 8 pixels per byte, 16 per line.
#pragma once

#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "bigview/BigView.h"
#include "platform/offscreen/backend.h"

namespace varlo {
// Readable points in failure messages.
inline void PrintTo(const TPoint& p, std::ostream* os) { *os << "(" << p.X << ", " << p.Y << ")"; }
}  // namespace varlo

namespace varlo::testing {

// Installs a fresh offscreen backend for the lifetime of the object, then
// puts back the one before (scopes nest).
class OffscreenScope {
 public:
  OffscreenScope();
  ~OffscreenScope();
  OffscreenScope(const OffscreenScope&) = delete;
  OffscreenScope& operator=(const OffscreenScope&) = delete;
  offscreen::OffscreenBackend& Backend() { return FBackend; }

 private:
  offscreen::OffscreenBackend FBackend;
  varlo::Backend* FPrevious;
};

struct ViewerRig {
  // A client area of `width` x `height` pixels, no frame, a vertical bar
  // outside the client area when `bar` is set.
  explicit ViewerRig(int width = 600, int height = 480, TScrollStyle bar = ssVertical);

  offscreen::Window& Window() { return offscreen::WindowOf(view); }
  TColor Pixel(int x, int y) { return Window().Pixel(x, y); }
  // What the client area shows: painted now.
  void Paint() { Window().PaintNow(); }

  // Loads lines given as text (CR LF between lines).
  void Load(const std::vector<std::string>& lines);

  OffscreenScope scope;
  offscreen::OffscreenBackend& backend = scope.Backend();
  TWinControl host;
  TBigView view{&host};
};

// Pixel colours of the default look.
inline constexpr TColor kBackground = 0xFFFFFF;  // the window colour
inline constexpr TColor kInk = 0x000000;

}  // namespace varlo::testing
