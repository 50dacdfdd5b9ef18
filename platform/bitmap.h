// An off-screen bitmap with a canvas, made by the current backend.
#pragma once

#include <memory>

#include "platform/canvas.h"

namespace varlo {

class TBitmap {
 public:
  TBitmap();
  ~TBitmap();
  TBitmap(const TBitmap&) = delete;
  TBitmap& operator=(const TBitmap&) = delete;

  void SetSize(int width, int height) { FCanvas->SetSize(width, height); }
  int Width() const { return FCanvas->Size().Width; }
  int Height() const { return FCanvas->Size().Height; }
  TBitmapCanvas& Canvas() { return *FCanvas; }

 private:
  std::unique_ptr<TBitmapCanvas> FCanvas;
};

}  // namespace varlo
