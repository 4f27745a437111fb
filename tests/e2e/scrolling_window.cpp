#include "scrolling_window.h"

#include <algorithm>
#include <random>

#include "support/windows.h"

namespace e2e {

namespace {

constexpr UINT_PTR kStepTimer = 1;
constexpr int kSteps[] = {29, 17, 41, 11, 23};  // a notch's rows, a few at a time

// Rows of text-like random blocks; `lines` leaves a blank gap under every 14 rows.
std::vector<uint32_t> Pixels(int width, int rows, uint32_t background, bool lines, std::mt19937& random) {
  std::vector<uint32_t> pixels(static_cast<size_t>(width) * rows, background);
  for (int y = 0; y < rows; ++y) {
    if (lines && y % 20 >= 14) continue;
    for (int x = static_cast<int>(random() % 40); x < width - 30; x += 6 + static_cast<int>(random() % 10)) {
      const uint32_t ink = random() & 0x7F7F7F;
      for (int i = 0; i < 5; ++i) pixels[static_cast<size_t>(y) * width + x + i] = ink;
    }
  }
  return pixels;
}

}  // namespace

ScrollingWindow::ScrollingWindow(int left, int top, int width, int header, int view, int footer, int rows)
    : width_(width), header_(header), view_(view), footer_(footer), rows_(rows) {
  std::mt19937 random(20261209);
  headerPixels_ = Pixels(width, header, 0xDDE6F0, false, random);
  document_ = Pixels(width, rows, 0xFFFFFF, true, random);
  footerPixels_ = Pixels(width, footer, 0xE8E8E8, false, random);
  HANDLE ready = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  thread_ = std::thread([=, this] {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = Procedure;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"CorvixTestScrolling";
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    RegisterClassW(&windowClass);
    RECT outer{left, top, left + width, top + header + view + footer};
    const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE;
    AdjustWindowRectEx(&outer, style, FALSE, WS_EX_TOPMOST);
    window_ = CreateWindowExW(WS_EX_TOPMOST, L"CorvixTestScrolling", L"Document", style, outer.left, outer.top,
                              outer.right - outer.left, outer.bottom - outer.top, nullptr, nullptr, GetModuleHandleW(nullptr), this);
    SetEvent(ready);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
  });
  WaitForSingleObject(ready, 10000);
  CloseHandle(ready);
  SetForegroundWindow(window_);
  testsupport::WaitFor([&] { return GetForegroundWindow() == window_; });
  // Painted: the header's first pixel is on the screen.
  testsupport::WaitFor([&] {
    const RECT client = Client();
    HDC screen = GetDC(nullptr);
    const COLORREF shown = GetPixel(screen, client.left, client.top);
    ReleaseDC(nullptr, screen);
    const uint32_t first = headerPixels_[0];
    return shown == RGB(first >> 16 & 255, first >> 8 & 255, first & 255);
  });
}

ScrollingWindow::~ScrollingWindow() {
  PostMessageW(window_, WM_CLOSE, 0, 0);
  thread_.join();
}

RECT ScrollingWindow::Client() const {
  RECT r;
  GetClientRect(window_, &r);
  MapWindowPoints(window_, nullptr, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

void ScrollingWindow::ScrollTo(int offset) {
  target_ = offset_ = offset;
  InvalidateRect(window_, nullptr, FALSE);
  testsupport::WaitFor([&] { return Shows(offset); });
}

bool ScrollingWindow::Shows(int offset) const {
  const RECT client = Client();
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFOHEADER header{sizeof header, width_, -view_, 1, 32, BI_RGB};
  void* bits = nullptr;
  HBITMAP view = CreateDIBSection(screen, reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(memory, view);
  BitBlt(memory, 0, 0, width_, view_, screen, client.left, client.top + header_, SRCCOPY);
  GdiFlush();
  const auto* shown = static_cast<const uint32_t*>(bits);
  bool same = true;
  for (size_t i = 0; same && i < static_cast<size_t>(width_) * view_; ++i)
    same = (shown[i] & 0xFFFFFF) == document_[static_cast<size_t>(offset) * width_ + i];
  SelectObject(memory, old);
  DeleteObject(view);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return same;
}

std::vector<uint32_t> ScrollingWindow::Whole() const {
  std::vector<uint32_t> whole(headerPixels_);
  whole.insert(whole.end(), document_.begin(), document_.end());
  whole.insert(whole.end(), footerPixels_.begin(), footerPixels_.end());
  return whole;
}

void ScrollingWindow::Paint(HDC dc) const {
  const auto show = [&](const uint32_t* pixels, int rows, int top) {
    BITMAPINFOHEADER header{sizeof header, width_, -rows, 1, 32, BI_RGB};
    SetDIBitsToDevice(dc, 0, top, width_, rows, 0, 0, 0, rows, pixels, reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS);
  };
  show(headerPixels_.data(), header_, 0);
  show(document_.data() + static_cast<size_t>(offset_) * width_, view_, header_);
  show(footerPixels_.data(), footer_, header_ + view_);
}

// One small step towards the target, as smooth scrolling moves.
void ScrollingWindow::Step() {
  const int at = offset_, target = target_;
  if (at == target) {
    KillTimer(window_, kStepTimer);
    return;
  }
  const int step = kSteps[step_++ % std::size(kSteps)];
  offset_ = target > at ? std::min(target, at + step) : std::max(target, at - step);
  InvalidateRect(window_, nullptr, FALSE);
}

LRESULT CALLBACK ScrollingWindow::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE)
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
  auto* self = reinterpret_cast<ScrollingWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(window, &paint);
      self->Paint(dc);
      EndPaint(window, &paint);
      return 0;
    }
    case WM_ERASEBKGND: return 1;
    case WM_MOUSEWHEEL: {
      const int notches = -GET_WHEEL_DELTA_WPARAM(wParam) / WHEEL_DELTA;
      const bool jump = GET_KEYSTATE_WPARAM(wParam) & MK_CONTROL;
      self->target_ = std::clamp(self->target_ + notches * (jump ? 3 * self->view_ : kNotch), 0, self->rows_ - self->view_);
      if (jump) {
        self->offset_ = self->target_.load();
        InvalidateRect(window, nullptr, FALSE);
      } else {
        SetTimer(window, kStepTimer, 10, nullptr);
      }
      return 0;
    }
    case WM_TIMER: self->Step(); return 0;
    case WM_CLOSE: DestroyWindow(window); return 0;
    case WM_DESTROY: PostQuitMessage(0); return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace e2e
