#include "capture/capture_picture.h"

#include <string>

#include "common/system_error.h"
#include "toolkit/error.h"

TCapturePicture::TCapturePicture() : dc_(CreateCompatibleDC(nullptr)) {}

namespace {

[[noreturn]] void ThrowNoPicture(int width, int height) {
  const DWORD code = GetLastError();
  throw Error(L"Cannot make a picture of " + std::to_wstring(width) + L" x " + std::to_wstring(height) + L" pixels. " +
              SysErrorMessage(code ? code : ERROR_NOT_ENOUGH_MEMORY));
}

}  // namespace

UniqueBitmap NewDibSection(int width, int height, int bits, void** pixels) {
  // Bottom-up rows, the one order every system reports back faithfully (Wine calls top-down
  // sections bottom-up too); the JPEG encoder reads them in place either way.
  BITMAPINFOHEADER header{sizeof header, width, height, 1, static_cast<WORD>(bits), BI_RGB};
  void* section = nullptr;
  WindowDc screen(nullptr);
  UniqueBitmap bitmap(CreateDIBSection(screen.get(), reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS, &section, nullptr, 0));
  if (!bitmap) ThrowNoPicture(width, height);
  if (pixels) *pixels = section;
  return bitmap;
}

void TCapturePicture::SetSize(int width, int height) {
  if (bitmap_ && width == width_ && height == height_) return;
  width_ = height_ = 0;
  bitmap_.reset();
  WindowDc screen(nullptr);
  const int bits = GetDeviceCaps(screen.get(), BITSPIXEL) * GetDeviceCaps(screen.get(), PLANES);
  if (bits == 24 || bits == 32) {
    bitmap_ = NewDibSection(width, height, bits);
  } else {
    bitmap_.reset(CreateCompatibleBitmap(screen.get(), width, height));
    if (!bitmap_) ThrowNoPicture(width, height);
  }
  width_ = width;
  height_ = height;
}

void TCapturePicture::Adopt(UniqueBitmap bitmap, int width, int height) {
  bitmap_ = std::move(bitmap);
  width_ = width;
  height_ = height;
}

void TCapturePicture::CopyFrom(HDC source, int left, int top) {
  // Selected only while drawing: GetDIBits wants the bitmap free.
  ScopedSelect keep(dc_.get(), bitmap_.get());
  // A copy the system refuses (a secure desktop, say) is said, not written as a black picture.
  if (!BitBlt(dc_.get(), 0, 0, width_, height_, source, left, top, SRCCOPY)) throw Error(L"Cannot copy the screen");
}

void TCapturePicture::Release() {
  bitmap_.reset();
  width_ = height_ = 0;
}

UniqueBitmap TCapturePicture::Take() {
  width_ = height_ = 0;
  return std::move(bitmap_);
}

void TCapturePicture::Draw(const std::function<void(HDC)>& draw) {
  ScopedSelect keep(dc_.get(), bitmap_.get());
  draw(dc_.get());
}

void TCapturePicture::Assign(HBITMAP other) {
  BITMAP shape{};
  if (!other || !GetObjectW(other, sizeof shape, &shape)) throw Error(L"The marked region has no picture");
  SetSize(shape.bmWidth, shape.bmHeight);
  UniqueMemoryDc source(CreateCompatibleDC(nullptr));
  ScopedSelect keep(source.get(), other);
  CopyFrom(source.get(), 0, 0);
}
