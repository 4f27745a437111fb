#include "toolkit/pixel_canvas.h"

#include <algorithm>

#include "toolkit/error.h"

TPixelCanvas::~TPixelCanvas() {
  if (dc_ && old_) SelectObject(dc_.get(), old_);
}

void TPixelCanvas::Resize(int32_t width, int32_t height) {
  if (width == width_ && height == height_ && bitmap_) return;
  if (!dc_) dc_.reset(CreateCompatibleDC(nullptr));
  if (!dc_) throw Error(L"Cannot make a drawing surface");
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = std::max(width, 1);
  info.bmiHeader.biHeight = -std::max(height, 1);  // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  UniqueBitmap bitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!bitmap) throw Error(L"Cannot make a drawing surface");
  HGDIOBJ was = SelectObject(dc_.get(), bitmap.get());
  if (!old_) old_ = was;
  bitmap_ = std::move(bitmap);  // the one it replaces is no longer selected
  bits_ = bits;
  width_ = std::max(width, 1);
  height_ = std::max(height, 1);
}

uint8_t* TPixelCanvas::Pixels() const {
  GdiFlush();
  return static_cast<uint8_t*>(bits_);
}
