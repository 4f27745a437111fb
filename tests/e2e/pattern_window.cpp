#include "pattern_window.h"

#include <cstring>

#include "support/windows.h"

namespace e2e {

PatternWindow::PatternWindow(int left, int top, int width, int height, bool active) : picture_(width, height, 32) {
  window_ = thread_.Start([=, this] {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = Procedure;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"CorvixTestPattern";
    RegisterClassW(&windowClass);
    RECT outer{left, top, left + width, top + height};
    const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | (active ? WS_VISIBLE : 0);
    const DWORD exStyle = WS_EX_TOPMOST | (active ? 0 : WS_EX_NOACTIVATE);
    AdjustWindowRectEx(&outer, style, FALSE, exStyle);
    window_ = CreateWindowExW(exStyle, L"CorvixTestPattern", L"Pattern", style, outer.left, outer.top,
                              outer.right - outer.left, outer.bottom - outer.top, nullptr, nullptr,
                              GetModuleHandleW(nullptr), this);
    if (!active) SetWindowPos(window_, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    return window_;
  });
  if (!active) {
    testsupport::WaitFor([&] { return OnScreen(); });
    return;
  }
  BringToFront();
  Sleep(300);  // painted and settled
}

bool PatternWindow::OnScreen() const {
  const RECT client = Client();
  HDC screen = GetDC(nullptr);
  const COLORREF shown = GetPixel(screen, client.left + 5, client.top + 5);
  ReleaseDC(nullptr, screen);
  return shown == RGB(At(5, 5)[2], At(5, 5)[1], At(5, 5)[0]);
}

RECT PatternWindow::Outer() const {
  RECT r;
  GetWindowRect(window_, &r);
  return r;
}

RECT PatternWindow::Client() const {
  RECT r;
  GetClientRect(window_, &r);
  MapWindowPoints(window_, nullptr, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

bool PatternWindow::Draw(const std::function<void(HDC)>& draw) {
  BITMAPINFO info{{sizeof(BITMAPINFOHEADER), picture_.Width(), -picture_.Height(), 1, 32, BI_RGB}};
  void* bits = nullptr;
  HBITMAP canvas = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, canvas);
  draw(dc);
  GdiFlush();
  std::memcpy(picture_.Pixels(), bits, picture_.Stride() * picture_.Height());
  SelectObject(dc, old);
  DeleteDC(dc);
  DeleteObject(canvas);
  RedrawWindow(window_, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  // The client area read back from the screen, pixel for pixel.
  const RECT client = Client();
  return testsupport::WaitFor([&] {
    HDC screen = GetDC(nullptr), copy = CreateCompatibleDC(screen);
    void* read = nullptr;
    HBITMAP readBack = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &read, nullptr, 0);
    HGDIOBJ keep = SelectObject(copy, readBack);
    BitBlt(copy, 0, 0, picture_.Width(), picture_.Height(), screen, client.left, client.top, SRCCOPY);
    GdiFlush();
    bool same = true;
    for (int i = 0; same && i < picture_.Width() * picture_.Height(); ++i)
      same = std::memcmp(static_cast<uint8_t*>(read) + i * 4, picture_.Pixels() + i * 4, 3) == 0;
    SelectObject(copy, keep);
    DeleteObject(readBack);
    DeleteDC(copy);
    ReleaseDC(nullptr, screen);
    return same;
  });
}

void PatternWindow::BringToFront() const {
  SetForegroundWindow(window_);
  testsupport::WaitFor([&] { return GetForegroundWindow() == window_; }, std::chrono::milliseconds(3000));
}

LRESULT CALLBACK PatternWindow::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE)
    SetWindowLongPtrW(window, GWLP_USERDATA,
                      reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
  auto* self = reinterpret_cast<PatternWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(window, &paint);
      const TestPicture& p = self->picture_;
      BITMAPINFOHEADER header{sizeof header, p.Width(), -p.Height(), 1, 32, BI_RGB};
      SetDIBitsToDevice(dc, 0, 0, p.Width(), p.Height(), 0, 0, 0, p.Height(), p.Pixels(),
                        reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS);
      EndPaint(window, &paint);
      return 0;
    }
    case WM_ERASEBKGND: return 1;
    case WM_KEYUP: self->lastKeyUp_ = static_cast<UINT>(wParam); return 0;
    case WM_DESTROY: PostQuitMessage(0); return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace e2e
