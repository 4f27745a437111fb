#include "capture/countdown.h"

#include <algorithm>
#include <string>

#include "toolkit/controls.h"
#include "toolkit/handles.h"

namespace {

constexpr UINT_PTR kTickTimer = 1;
constexpr UINT kTickMs = 40;  // follows the cursor smoothly
constexpr int kEscapeKey = 1;
// At 96 DPI: the square, and how far from the cursor's hot spot it stands (past the arrow).
constexpr int kSide = 40, kOffset = 20;
constexpr COLORREF kGround = RGB(32, 32, 32), kInk = RGB(255, 255, 255), kEdge = RGB(160, 160, 160);
// How long the screen may take to show what lay under the count once it is hidden.
constexpr DWORD kClearMs = 500;

}  // namespace

void TCountdown::Start(int seconds, std::function<void()> due, std::function<void()> cancelled) {
  if (Counting()) return;
  due_ = std::move(due);
  cancelled_ = std::move(cancelled);
  deadline_ = GetTickCount64() + static_cast<uint64_t>(seconds) * 1000;
  shown_ = -1;
  // Opaque (layered only to let the mouse through): the screen then shows exactly what it drew,
  // which HideFromScreen looks for.
  SetLayeredWindowAttributes(Handle(), 0, 255, LWA_ALPHA);
  excluded_ = SystemExcludesFromCapture() && SetWindowDisplayAffinity(Handle(), WDA_EXCLUDEFROMCAPTURE);
  escape_ = std::make_unique<TEscapeOwner>(Handle(), kEscapeKey);
  SetTimer(Handle(), kTickTimer, kTickMs, nullptr);
  Tick();
}

void TCountdown::Cancel() {
  if (deadline_ == 0) return;
  Stop();
  if (cancelled_) cancelled_();
}

void TCountdown::Stop() {
  deadline_ = 0;
  KillTimer(Handle(), kTickTimer);
  escape_.reset();
  ShowWindow(Handle(), SW_HIDE);
}

int TCountdown::SecondsLeft() const {
  const uint64_t now = GetTickCount64();
  return now >= deadline_ ? 0 : static_cast<int>((deadline_ - now + 999) / 1000);
}

// Beside the cursor, on its monitor; the other side of it near the monitor's edge.
void TCountdown::Tick() {
  const int left = SecondsLeft();
  if (left == 0) {
    // It counts until the capture that is due begins: a hot key or a request meanwhile finds it
    // busy.
    KillTimer(Handle(), kTickTimer);
    escape_.reset();
    HideFromScreen();
    const std::function<void()> due = std::move(due_);
    deadline_ = 0;
    awaited_ = true;
    if (due) due();
    return;
  }
  POINT cursor{};
  GetCursorPos(&cursor);
  dpi_ = MonitorDpi(cursor);
  side_ = MulDiv(kSide, dpi_, 96);
  const int offset = MulDiv(kOffset, dpi_, 96);
  MONITORINFO monitor{sizeof monitor};
  GetMonitorInfoW(MonitorFromPoint(cursor, MONITOR_DEFAULTTONEAREST), &monitor);
  int x = cursor.x + offset, y = cursor.y + offset;
  if (x + side_ > monitor.rcWork.right) x = cursor.x - offset - side_;
  if (y + side_ > monitor.rcWork.bottom) y = cursor.y - offset - side_;
  SetWindowPos(Handle(), HWND_TOPMOST, x, y, side_, side_, SWP_NOACTIVATE | SWP_SHOWWINDOW);
  if (left != shown_) {
    shown_ = left;
    InvalidateRect(Handle(), nullptr, FALSE);
  }
}

// A dark square with the seconds left in white, drawn off screen and kept to compare with.
void TCountdown::Paint() {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(Handle(), &paint);
  void* bits = nullptr;
  BITMAPINFO info{{sizeof(BITMAPINFOHEADER), side_, -side_, 1, 32, BI_RGB}};
  UniqueBitmap bitmap(CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  UniqueMemoryDc buffer(CreateCompatibleDC(dc));
  if (bitmap && buffer) {
    ScopedSelect keep(buffer.get(), bitmap.get());
    const RECT all{0, 0, side_, side_};
    SetDCBrushColor(buffer.get(), kGround);
    FillRect(buffer.get(), &all, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
    SetDCBrushColor(buffer.get(), kEdge);  // seen on a dark desktop too
    FrameRect(buffer.get(), &all, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
    const DpiScope scale(dpi_);
    const UniqueFont font = SongTiFont(kSide * 3 / 5, FW_BOLD);
    ScopedSelect keepFont(buffer.get(), font.get());
    SetBkMode(buffer.get(), TRANSPARENT);
    SetTextColor(buffer.get(), kInk);
    RECT text = all;
    DrawTextW(buffer.get(), std::to_wstring(shown_).c_str(), -1, &text, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    GdiFlush();
    const auto* first = static_cast<const uint32_t*>(bits);
    pixels_.assign(first, first + static_cast<size_t>(side_) * side_);
    BitBlt(dc, 0, 0, side_, side_, buffer.get(), 0, 0, SRCCOPY);
  }
  EndPaint(Handle(), &paint);
}

// Hiding a window takes a moment to reach the screen, where the windows under it paint again: the
// capture must not freeze the count. Done once the screen under it no longer shows it, or after a
// while in any case (the count may lie on pixels just like it).
void TCountdown::HideFromScreen() {
  RECT place{};
  GetWindowRect(Handle(), &place);
  ShowWindow(Handle(), SW_HIDE);
  if (excluded_ || pixels_.empty()) return;
  const int width = place.right - place.left, height = place.bottom - place.top;
  if (width != side_ || height != side_) return;
  void* bits = nullptr;
  BITMAPINFO info{{sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB}};
  UniqueBitmap bitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  UniqueMemoryDc buffer(CreateCompatibleDC(nullptr));
  if (!bitmap || !buffer) return;
  ScopedSelect keep(buffer.get(), bitmap.get());
  HDC screen = GetDC(nullptr);
  const uint64_t start = GetTickCount64();
  while (GetTickCount64() - start < kClearMs) {
    BitBlt(buffer.get(), 0, 0, width, height, screen, place.left, place.top, SRCCOPY);
    GdiFlush();
    const auto* read = static_cast<const uint32_t*>(bits);
    size_t same = 0;
    for (size_t i = 0; i < pixels_.size(); ++i) same += (read[i] & 0xFFFFFF) == (pixels_[i] & 0xFFFFFF);
    if (same < pixels_.size() / 4) break;
    MSG message;  // the windows under it paint again, this program's own among them
    while (PeekMessageW(&message, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE)) DispatchMessageW(&message);
    Sleep(10);
  }
  ReleaseDC(nullptr, screen);
}

LRESULT TCountdown::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT: Paint(); return 0;
    case WM_ERASEBKGND: return 1;
    case WM_TIMER: if (wParam == kTickTimer && Counting()) Tick(); return 0;
    case WM_HOTKEY: if (wParam == kEscapeKey) Cancel(); return 0;
    case WM_MOUSEACTIVATE: return MA_NOACTIVATE;
    case WM_NCHITTEST: return HTTRANSPARENT;
  }
  return TForm::HandleMessage(message, wParam, lParam);
}
