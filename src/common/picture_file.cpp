#include "common/picture_file.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "common/jpeg_decoding.h"
#include "common/png_decoding.h"

namespace {

// Files larger than this are no picture this program wrote.
constexpr LONGLONG kMaxFileBytes = LONGLONG{1} << 30;

std::vector<uint8_t> ReadBytes(const std::wstring& path) {
  UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  LARGE_INTEGER size{};
  if (!file || !GetFileSizeEx(file.get(), &size) || size.QuadPart <= 0 || size.QuadPart > kMaxFileBytes) return {};
  std::vector<uint8_t> bytes(static_cast<size_t>(size.QuadPart));
  DWORD read = 0;
  for (size_t at = 0; at < bytes.size(); at += read)
    if (!ReadFile(file.get(), bytes.data() + at, static_cast<DWORD>(std::min<size_t>(bytes.size() - at, 1 << 24)), &read,
                  nullptr) ||
        read == 0)
      return {};
  return bytes;
}

}  // namespace

UniqueBitmap ReadPictureFile(const std::wstring& path, int shrink) {
  const std::vector<uint8_t> bytes = ReadBytes(path);
  if (bytes.size() >= 26 && bytes[0] == 'B' && bytes[1] == 'M') {
    // The system reads a BMP; its size is checked first, as a PNG's and a JPEG's are.
    int32_t width = 0, height = 0;
    std::memcpy(&width, &bytes[18], 4);
    std::memcpy(&height, &bytes[22], 4);
    if (width <= 0 || height == 0 || height == INT32_MIN || int64_t{width} * std::abs(height) > kPngMaxPixels) return {};
    return UniqueBitmap(static_cast<HBITMAP>(
        LoadImageW(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION)));
  }
  UniqueBitmap made;
  const auto rowsFor = [&](int32_t width, int32_t height, int32_t) {
    BITMAPINFO info{{sizeof(BITMAPINFOHEADER), width, height, 1, 32, BI_RGB}};
    void* rows = nullptr;
    made.reset(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &rows, nullptr, 0));
    return static_cast<uint8_t*>(rows);
  };
  if (DecodeJpegBgrx(bytes.data(), bytes.size(), shrink, kPngMaxPixels, rowsFor)) return made;
  made.reset();
  if (DecodePngBgrx(bytes.data(), bytes.size(), rowsFor) == PngRead::Ok) return made;
  return {};
}

bool IsJpegFile(const std::wstring& path) {
  UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  uint8_t start[3] = {};
  DWORD read = 0;
  return file && ReadFile(file.get(), start, 3, &read, nullptr) && read == 3 && start[0] == 0xFF && start[1] == 0xD8 &&
         start[2] == 0xFF;
}

UniqueBitmap FittedCopy(HBITMAP picture, int width, int height) {
  BITMAP shape{};
  if (!GetObjectW(picture, sizeof shape, &shape) || shape.bmWidth <= 0 || shape.bmHeight <= 0) return {};
  const double scale = std::min({1.0, double(width) / shape.bmWidth, double(height) / shape.bmHeight});
  const int w = std::max(1, int(shape.bmWidth * scale + 0.5)), h = std::max(1, int(shape.bmHeight * scale + 0.5));
  BITMAPINFO info{{sizeof(BITMAPINFOHEADER), w, -h, 1, 32, BI_RGB}};
  void* bits = nullptr;
  UniqueBitmap fitted(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  UniqueMemoryDc from(CreateCompatibleDC(nullptr)), to(CreateCompatibleDC(nullptr));
  if (!fitted || !from || !to) return {};
  {
    ScopedSelect keepFrom(from.get(), picture), keepTo(to.get(), fitted.get());
    SetStretchBltMode(to.get(), HALFTONE);
    SetBrushOrgEx(to.get(), 0, 0, nullptr);
    StretchBlt(to.get(), 0, 0, w, h, from.get(), 0, 0, shape.bmWidth, shape.bmHeight, SRCCOPY);
  }
  GdiFlush();
  // Menus draw a 32-bit bitmap with its alpha: every pixel opaque.
  auto* pixel = static_cast<uint32_t*>(bits);
  for (size_t i = 0; i < static_cast<size_t>(w) * h; ++i) pixel[i] |= 0xFF000000u;
  return fitted;
}
