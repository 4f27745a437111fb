#include "common/bitmap_pixels.h"

#include <span>

#include "toolkit/error.h"
#include "toolkit/handles.h"

namespace {

[[noreturn]] void CannotRead() { throw Error(L"Cannot read the picture's pixels"); }

BITMAP ShapeOf(HBITMAP bitmap) {
  BITMAP shape{};
  if (!GetObjectW(bitmap, sizeof shape, &shape)) CannotRead();
  return shape;
}

// A BITMAPINFO with room for the largest colour table.
struct DibInfo {
  BITMAPINFOHEADER header;
  uint32_t colors[256];
};

DibInfo DescribeDib(int width, int height, int bitsPerPixel) {
  DibInfo info{};
  info.header.biSize = sizeof info.header;
  info.header.biWidth = width;
  info.header.biHeight = height;  // negative: top-down rows
  info.header.biPlanes = 1;
  info.header.biBitCount = static_cast<WORD>(bitsPerPixel);
  info.header.biCompression = bitsPerPixel == 16 ? BI_BITFIELDS : BI_RGB;
  return info;
}

// Raises rather than write a file of whatever the buffer held.
void CopyBits(HBITMAP bitmap, DibInfo& info, int height, uint8_t* pixels) {
  WindowDc screen(nullptr);
  if (GetDIBits(screen.get(), bitmap, 0, static_cast<UINT>(height), pixels, reinterpret_cast<BITMAPINFO*>(&info),
                DIB_RGB_COLORS) != height)
    CannotRead();
}

// The pixels of a 24- or 32-bit DIB section, read where they lie: no copy at all. Wine reports a
// top-down section with a positive height, so only the program's own bottom-up sections (and
// top-down ones on Windows) take this road correctly: the capture sources make bottom-up ones.
bool DibSectionView(HBITMAP bitmap, PixelView& view) {
  DIBSECTION dib{};
  if (GetObjectW(bitmap, sizeof dib, &dib) != sizeof dib || !dib.dsBm.bmBits) return false;
  const int bits = dib.dsBmih.biBitCount;
  if ((bits != 24 && bits != 32) || dib.dsBmih.biCompression != BI_RGB) return false;
  GdiFlush();  // drawing still queued for the bitmap lands first
  view = {dib.dsBm.bmWidth, dib.dsBm.bmHeight, bits, static_cast<const uint8_t*>(dib.dsBm.bmBits),
          BmpRowBytes(dib.dsBm.bmWidth, bits), dib.dsBmih.biHeight < 0};
  return true;
}

}  // namespace

PixelView BitmapPixels(HBITMAP bitmap, std::vector<uint8_t>& copy) {
  PixelView view;
  if (DibSectionView(bitmap, view)) return view;
  const BITMAP shape = ShapeOf(bitmap);
  const int bits = shape.bmBitsPixel * shape.bmPlanes == 32 ? 32 : 24;
  const size_t stride = BmpRowBytes(shape.bmWidth, bits);
  copy.resize(stride * static_cast<size_t>(shape.bmHeight));
  DibInfo info = DescribeDib(shape.bmWidth, -shape.bmHeight, bits);
  info.header.biCompression = BI_RGB;
  CopyBits(bitmap, info, shape.bmHeight, copy.data());
  return {shape.bmWidth, shape.bmHeight, bits, copy.data(), stride, true};
}

void BitmapBmpFile(HBITMAP bitmap, std::vector<uint8_t>& file) {
  const BITMAP shape = ShapeOf(bitmap);
  int bits = shape.bmBitsPixel * shape.bmPlanes;
  if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) bits = 24;
  const size_t headerBytes = BmpHeaderBytes(bits);
  file.resize(headerBytes + BmpRowBytes(shape.bmWidth, bits) * static_cast<size_t>(shape.bmHeight));
  DibInfo info = DescribeDib(shape.bmWidth, shape.bmHeight, bits);
  CopyBits(bitmap, info, shape.bmHeight, file.data() + headerBytes);
  const std::span<const uint32_t> table(info.colors, 256);
  WriteBmpHeaders(file.data(), shape.bmWidth, shape.bmHeight, bits, table.first(3), table);
}
