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
  thread_ = std::thread([this] {
    WNDCLASSW type{};
    type.lpfnWndProc = Procedure;
    type.hInstance = GetModuleHandleW(nullptr);
    type.lpszClassName = L"CorvixBenchDesktop";
    RegisterClassW(&type);
    HWND window = CreateWindowExW(WS_EX_TOOLWINDOW, type.lpszClassName, L"", WS_POPUP, 0, 0, width_, height_, nullptr,
                                  nullptr, type.hInstance, this);
    window_ = window;
    ShowWindow(window, SW_SHOWNOACTIVATE);
    UpdateWindow(window);
    shown_ = true;
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
    DestroyWindow(window);
  });
  testsupport::WaitFor([&] { return shown_.load(); });
}

DesktopPicture::~DesktopPicture() {
  if (!thread_.joinable()) return;
  while (!window_) Sleep(1);
  PostMessageW(window_, WM_QUIT, 0, 0);
  thread_.join();
}

LRESULT CALLBACK DesktopPicture::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE)
    SetWindowLongPtrW(window, GWLP_USERDATA,
                      reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
  auto* self = reinterpret_cast<DesktopPicture*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (message == WM_PAINT && self) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
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
