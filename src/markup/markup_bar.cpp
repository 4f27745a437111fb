#include "markup/markup_bar.h"

#include <commctrl.h>
#include <windowsx.h>

#include "toolkit/controls.h"
#include "toolkit/scope_exit.h"

namespace {

Rect MonitorInOverlay(HWND overlay, POINT at) {
  MONITORINFO monitor{sizeof(monitor)};
  GetMonitorInfoW(MonitorFromPoint(at, MONITOR_DEFAULTTONEAREST), &monitor);
  POINT corners[2] = {{monitor.rcMonitor.left, monitor.rcMonitor.top}, {monitor.rcMonitor.right, monitor.rcMonitor.bottom}};
  MapWindowPoints(nullptr, overlay, corners, 2);
  return {corners[0].x, corners[0].y, corners[1].x, corners[1].y};
}

}  // namespace

TMarkupBar::TMarkupBar(HWND overlay, std::function<void(const BarButton&)> pressed)
    : overlay_(overlay), pressed_(std::move(pressed)) {
  CreateHandle({L"TMarkupBar", 0, IDC_ARROW, nullptr}, 0, WS_CHILD | WS_CLIPSIBLINGS, L"", {0, 0, 0, 0}, overlay);
  tips_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, 0, 0, 0, 0,
                          Handle(), nullptr, GetModuleHandleW(nullptr), nullptr);
}

TMarkupBar::~TMarkupBar() {
  if (tips_) DestroyWindow(tips_);
}

void TMarkupBar::Follow(const Rect& box, const BarState& state) {
  const bool relayout = buttons_.empty() || state.Styled != state_.Styled || !(box == box_);
  BarState next = state;
  next.Hot = state_.Hot;  // the mouse's, not the caller's
  const bool changed = relayout || !(next == state_);
  state_ = next;
  box_ = box;
  if (relayout) LayOut();
  if (!changed) return;
  drawn_ = false;
  InvalidateRect(Handle(), nullptr, FALSE);
}

std::vector<BarButton> TMarkupBar::Buttons() const {
  RECT r;
  GetWindowRect(Handle(), &r);
  MapWindowPoints(nullptr, overlay_, reinterpret_cast<POINT*>(&r), 2);
  std::vector<BarButton> shown = buttons_;
  for (BarButton& b : shown) b.Place = {b.Place.Left + r.left, b.Place.Top + r.top, b.Place.Right + r.left, b.Place.Bottom + r.top};
  return shown;
}

void TMarkupBar::LayOut() {
  POINT centre{(box_.Left + box_.Right) / 2, (box_.Top + box_.Bottom) / 2};
  ClientToScreen(overlay_, &centre);
  scale_ = MonitorDpi(centre) / 96.0;
  const std::vector<BarButton> before = buttons_;
  buttons_ = LayOutBar(scale_, state_.Styled);
  const Rect size = BarSize(buttons_, scale_);
  const Rect place = BarPlace(box_, size.Width(), size.Height(), MonitorInOverlay(overlay_, centre),
                              static_cast<int32_t>(kBarGap * scale_));
  SetWindowPos(Handle(), HWND_TOP, place.Left, place.Top, place.Width(), place.Height(), SWP_NOACTIVATE | SWP_SHOWWINDOW);
  if (!tips_ || (before.size() == buttons_.size() && before.front().Place == buttons_.front().Place)) return;
  // The tooltips follow the buttons: one per button of the first row.
  while (SendMessageW(tips_, TTM_GETTOOLCOUNT, 0, 0) > 0) {
    TOOLINFOW tool{sizeof(tool)};
    tool.hwnd = Handle();
    SendMessageW(tips_, TTM_ENUMTOOLSW, 0, reinterpret_cast<LPARAM>(&tool));
    SendMessageW(tips_, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
  }
  for (size_t i = 0; i < buttons_.size(); ++i) {
    const wchar_t* tip = ButtonTip(buttons_[i].Command, state_.Alone);
    if (!*tip) continue;
    TOOLINFOW tool{sizeof(tool)};
    tool.uFlags = TTF_SUBCLASS;
    tool.hwnd = Handle();
    tool.uId = i;
    tool.rect = {buttons_[i].Place.Left, buttons_[i].Place.Top, buttons_[i].Place.Right, buttons_[i].Place.Bottom};
    tool.lpszText = const_cast<wchar_t*>(tip);
    SendMessageW(tips_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
  }
}

int32_t TMarkupBar::ButtonAt(int x, int y) const {
  for (size_t i = 0; i < buttons_.size(); ++i)
    if (buttons_[i].Place.Contains(x, y)) return static_cast<int32_t>(i);
  return -1;
}

void TMarkupBar::Hot(int32_t button) {
  if (button == state_.Hot) return;
  state_.Hot = button;
  drawn_ = false;
  InvalidateRect(Handle(), nullptr, FALSE);
}

void TMarkupBar::Paint() {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(Handle(), &paint);
  RECT client;
  GetClientRect(Handle(), &client);
  const ScopeExit end([&] { EndPaint(Handle(), &paint); });
  // Drawn again only when it changed: it is painted many times over while the box moves.
  if (!drawn_ || canvas_.Width() != client.right || canvas_.Height() != client.bottom) {
    canvas_.Resize(client.right, client.bottom);
    DrawBar(canvas_.Pixels(), canvas_.Width(), canvas_.Height(), canvas_.Stride(), buttons_, scale_, state_);
    drawn_ = true;
  }
  BitBlt(dc, 0, 0, client.right, client.bottom, canvas_.Dc(), 0, 0, SRCCOPY);
}

LRESULT TMarkupBar::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT: Paint(); return 0;
    case WM_ERASEBKGND: return 1;
    case WM_MOUSEMOVE: {
      TRACKMOUSEEVENT leave{sizeof(leave), TME_LEAVE, Handle(), 0};
      TrackMouseEvent(&leave);
      Hot(ButtonAt(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)));
      return 0;
    }
    case WM_MOUSELEAVE: Hot(-1); return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      const int32_t at = ButtonAt(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
      if (at >= 0) pressed_(buttons_[static_cast<size_t>(at)]);  // may end the overlay, and this bar
      return 0;
    }
    case WM_MOUSEACTIVATE: return MA_NOACTIVATE;
  }
  return TWinControl::HandleMessage(message, wParam, lParam);
}
