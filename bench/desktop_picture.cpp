#include "desktop_picture.h"

#include <png.h>

#include <cstdlib>

#include "support/windows.h"

bool LoadDesktopPicture(int width, int height, uint8_t* pixels, size_t stride, std::string& source) {
  const char* folder = std::getenv("CORVIX_DESKTOPS");
  source = std::string(folder ? folder : CORVIX_DEFAULT_DESKTOPS) + "/desktop-" + std::to_string(width) + "x" +
           std::to_string(height) + ".png";
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, source.c_str())) return false;
  image.format = PNG_FORMAT_BGRA;
  if (static_cast<int>(image.width) != width || static_cast<int>(image.height) != height) {
    png_image_free(&image);
    return false;
  }
  return png_image_finish_read(&image, nullptr, pixels, static_cast<png_int_32>(stride), nullptr) != 0;
}

DesktopPicture::DesktopPicture()
    : width_(GetSystemMetrics(SM_CXSCREEN)), height_(GetSystemMetrics(SM_CYSCREEN)) {
  pixels_.resize(static_cast<size_t>(width_) * height_ * 4);
  if (!LoadDesktopPicture(width_, height_, pixels_.data(), 0, source_)) {
    pixels_.clear();
    return;
  }
  const auto picture = reinterpret_cast<const uint32_t*>(pixels_.data());
  for (bool clash = true; clash;) {
    clash = false;
    ForEachProbe([&](int x, int y) { clash |= (picture[static_cast<size_t>(y) * width_ + x] & 0xFFFFFF) == canvas_; });
    if (clash) canvas_ -= 0x010001;
  }
  HDC screen = GetDC(nullptr);
  rowDc_ = CreateCompatibleDC(screen);
  ReleaseDC(nullptr, screen);
  BITMAPINFOHEADER header{sizeof header, width_, -1, 1, 32, BI_RGB};
  void* bits = nullptr;
  rowBitmap_ = CreateDIBSection(rowDc_, reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS, &bits, nullptr, 0);
  row_ = static_cast<uint32_t*>(bits);
  SelectObject(rowDc_, rowBitmap_);
  thread_ = std::thread([this] {
    WNDCLASSW type{};
    type.lpfnWndProc = Procedure;
    type.hInstance = GetModuleHandleW(nullptr);
    type.lpszClassName = L"CorvixBenchDesktop";
    RegisterClassW(&type);
    HWND window = CreateWindowExW(WS_EX_TOOLWINDOW, type.lpszClassName, L"", WS_POPUP, 0, 0, width_, height_, nullptr,
                                  nullptr, type.hInstance, this);
    window_ = window;
    if (window) {
      ShowWindow(window, SW_SHOWNOACTIVATE);
      UpdateWindow(window);
    }
    shown_ = window != nullptr;
    made_ = true;
    if (!window) return;
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
    DestroyWindow(window);
  });
  testsupport::WaitFor([&] { return made_.load(); });
}

DesktopPicture::~DesktopPicture() {
  if (rowDc_) DeleteDC(rowDc_);
  if (rowBitmap_) DeleteObject(rowBitmap_);
  if (!thread_.joinable()) return;
  while (!made_) Sleep(1);
  if (window_) PostMessageW(window_, WM_QUIT, 0, 0);
  thread_.join();
}

// Eight points on each of six rows, spread evenly over the screen.
template <typename Visit>
void DesktopPicture::ForEachProbe(Visit visit) const {
  for (int row = 0; row < 6; ++row)
    for (int column = 0; column < 8; ++column) visit(width_ * (2 * column + 1) / 16, height_ * (2 * row + 1) / 12);
}

int DesktopPicture::CanvasPoints() const {
  if (!row_) return 0;
  HDC screen = GetDC(nullptr);
  int count = 0, lastRow = -1;
  ForEachProbe([&](int x, int y) {
    if (y != lastRow) BitBlt(rowDc_, 0, 0, width_, 1, screen, 0, lastRow = y, SRCCOPY);
    count += (row_[x] & 0xFFFFFF) == canvas_;
  });
  ReleaseDC(nullptr, screen);
  return count;
}

void DesktopPicture::PaintCanvas(HDC dc) const {
  const uint32_t c = canvas_;
  HBRUSH brush = CreateSolidBrush(RGB(c >> 16 & 0xFF, c >> 8 & 0xFF, c & 0xFF));
  const RECT all{0, 0, width_, height_};
  FillRect(dc, &all, brush);
  DeleteObject(brush);
}

int DesktopPicture::Cover() {
  if (!shown_) return 0;
  covered_ = true;
  HDC dc = GetDC(window_);
  PaintCanvas(dc);
  ReleaseDC(window_, dc);
  // Wine copies what was painted to the screen when a thread of the process waits for messages.
  int shown = 0;
  testsupport::WaitFor(
      [&] {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 0, QS_ALLINPUT);
        return (shown = CanvasPoints()) > 0;
      },
      std::chrono::milliseconds(1000));
  return shown;
}

bool DesktopPicture::Uncover() {
  if (!shown_) return false;
  covered_ = false;
  RedrawWindow(window_, nullptr, nullptr, RDW_INVALIDATE);
  return testsupport::WaitFor([&] { return CanvasPoints() == 0; });
}

LRESULT CALLBACK DesktopPicture::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE)
    SetWindowLongPtrW(window, GWLP_USERDATA,
                      reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
  auto* self = reinterpret_cast<DesktopPicture*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (message == WM_PAINT && self) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    if (self->covered_) {
      self->PaintCanvas(dc);
      EndPaint(window, &paint);
      return 0;
    }
    BITMAPINFOHEADER header{sizeof header, self->width_, -self->height_, 1, 32, BI_RGB};
    SetDIBitsToDevice(dc, 0, 0, static_cast<DWORD>(self->width_), static_cast<DWORD>(self->height_), 0, 0, 0,
                      static_cast<UINT>(self->height_), self->pixels_.data(), reinterpret_cast<BITMAPINFO*>(&header),
                      DIB_RGB_COLORS);
    EndPaint(window, &paint);
    return 0;
  }
  if (message == WM_ERASEBKGND) return 1;
  return DefWindowProcW(window, message, wParam, lParam);
}
