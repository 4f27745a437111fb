#include "scrolling_window.h"

#include <algorithm>

#include "support/windows.h"

namespace e2e {

namespace {

constexpr UINT_PTR kStepTimer = 1, kAnimationTimer = 2;
constexpr int kSteps[] = {29, 17, 41, 11, 23};  // a notch's rows, a few at a time

}  // namespace

ScrollingWindow::ScrollingWindow(int left, int top, const ScrolledDocument& document) : document_(document) {
  window_ = thread_.Start([=, this] {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = Procedure;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"CorvixTestScrolling";
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    RegisterClassW(&windowClass);
    RECT outer{left, top, left + document_.Width, top + document_.Height()};
    const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE;
    AdjustWindowRectEx(&outer, style, FALSE, WS_EX_TOPMOST);
    window_ = CreateWindowExW(WS_EX_TOPMOST, L"CorvixTestScrolling", L"Document", style, outer.left, outer.top,
                              outer.right - outer.left, outer.bottom - outer.top, nullptr, nullptr, GetModuleHandleW(nullptr), this);
    SetTimer(window_, kAnimationTimer, 150, nullptr);
    return window_;
  });
  SetForegroundWindow(window_);
  ready_ = testsupport::WaitFor([&] { return GetForegroundWindow() == window_ && Shows(0); });
}

RECT ScrollingWindow::Client() const {
  RECT r;
  GetClientRect(window_, &r);
  MapWindowPoints(window_, nullptr, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

bool ScrollingWindow::ScrollTo(int offset) {
  target_ = offset_ = offset;
  InvalidateRect(window_, nullptr, FALSE);
  return testsupport::WaitFor([&] { return Shows(offset); });
}

bool ScrollingWindow::Shows(int offset) const {
  const std::vector<uint8_t> shown = testsupport::ScreenBgr(Client());
  const std::vector<uint32_t> read = document_.Read(offset);
  const int width = document_.Width;
  for (size_t i = 0; i < read.size(); ++i)
    if ((shown[i * 3] | shown[i * 3 + 1] << 8 | shown[i * 3 + 2] << 16) != static_cast<int>(read[i]) &&
        !Animated(int(i) % width, int(i) / width - document_.Header + offset))
      return false;
  return true;
}

void ScrollingWindow::Animate(const Rect& block) { animated_ = block; }

// The document as the window paints it now: the animated block shows its frame.
std::vector<uint32_t> ScrollingWindow::Shown(int offset) const {
  std::vector<uint32_t> read = document_.Read(offset);
  for (int y = document_.Header; y < document_.Header + document_.View; ++y)
    for (int x = 0; x < document_.Width; ++x)
      if (Animated(x, y - document_.Header + offset)) read[size_t(y) * document_.Width + x] = frame_ * 0x251A0F ^ (x * 7 + y) * 0x10101;
  return read;
}

void ScrollingWindow::Wheel(WPARAM wParam) {
  const int notches = -GET_WHEEL_DELTA_WPARAM(wParam) / WHEEL_DELTA;
  const bool jump = GET_KEYSTATE_WPARAM(wParam) & MK_CONTROL;
  target_ = std::clamp(target_ + notches * (jump ? 3 * document_.View : kNotch), 0, document_.LastOffset());
  if (!jump) {
    SetTimer(window_, kStepTimer, 10, nullptr);
    return;
  }
  offset_ = target_.load();
  InvalidateRect(window_, nullptr, FALSE);
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
      const ScrolledDocument& document = self->document_;
      const std::vector<uint32_t> read = self->Shown(self->offset_);
      BITMAPINFOHEADER header{sizeof header, document.Width, -document.Height(), 1, 32, BI_RGB};
      SetDIBitsToDevice(dc, 0, 0, document.Width, document.Height(), 0, 0, 0, document.Height(), read.data(),
                        reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS);
      EndPaint(window, &paint);
      return 0;
    }
    case WM_ERASEBKGND: return 1;
    case WM_MOUSEWHEEL: self->Wheel(wParam); return 0;
    case WM_TIMER:
      if (wParam != kAnimationTimer) {
        self->Step();
      } else if (self->animated_.Width() > 0) {
        ++self->frame_;
        InvalidateRect(window, nullptr, FALSE);
      }
      return 0;
    case WM_DESTROY: PostQuitMessage(0); return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace e2e
