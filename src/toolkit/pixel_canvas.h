// A 32-bit top-down DIB section selected into its own memory DC: GDI copies into the same pixels
// cairo draws on.
#pragma once

#include <windows.h>

#include <cstdint>

#include "toolkit/handles.h"

class TPixelCanvas {
 public:
  TPixelCanvas() = default;
  ~TPixelCanvas();
  TPixelCanvas(const TPixelCanvas&) = delete;
  TPixelCanvas& operator=(const TPixelCanvas&) = delete;

  // Makes the pixels this size (their contents undefined); raises when the system has no memory.
  void Resize(int32_t width, int32_t height);
  HDC Dc() const { return dc_.get(); }
  HBITMAP Bitmap() const { return bitmap_.get(); }
  // The pixels once GDI has finished with them (blue, green, red, unused), rows Stride bytes apart.
  uint8_t* Pixels() const;
  int32_t Width() const { return width_; }
  int32_t Height() const { return height_; }
  int32_t Stride() const { return width_ * 4; }

 private:
  UniqueMemoryDc dc_;
  UniqueBitmap bitmap_;
  HGDIOBJ old_ = nullptr;
  void* bits_ = nullptr;
  int32_t width_ = 0, height_ = 0;
};
