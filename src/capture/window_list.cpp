#include "capture/window_list.h"

#include <atomic>
#include <mutex>
#include <thread>

namespace {

using GetWindowAttribute = HRESULT(WINAPI*)(HWND, DWORD, void*, DWORD);

// dwmapi is loaded when first needed, so the program starts without it.
GetWindowAttribute DwmAttribute() {
  static const GetWindowAttribute getAttribute = [] {
    HMODULE dwm = LoadLibraryExW(L"dwmapi.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    return dwm ? reinterpret_cast<GetWindowAttribute>(
                     reinterpret_cast<void*>(GetProcAddress(dwm, "DwmGetWindowAttribute")))
               : nullptr;
  }();
  return getAttribute;
}

// Suspended store apps and windows on other virtual desktops are "cloaked": visible to the window
// manager's bookkeeping, not on the screen.
bool IsCloaked(HWND window) {
  constexpr DWORD kCloaked = 14;  // DWMWA_CLOAKED
  DWORD cloaked = 0;
  const GetWindowAttribute getAttribute = DwmAttribute();
  return getAttribute && SUCCEEDED(getAttribute(window, kCloaked, &cloaked, sizeof cloaked)) && cloaked != 0;
}

// Left out whatever its place: hidden or minimised windows, cloaked ones, windows that keep
// themselves out of pictures, and full-screen layers that clicks pass through (the overlays of
// graphics drivers and pen input), which would otherwise lie over everything.
bool Snappable(HWND window, DWORD ownProcess) {
  if (!IsWindowVisible(window) || IsIconic(window)) return false;
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  if (process == ownProcess) return false;
  const LONG_PTR exStyle = GetWindowLongPtrW(window, GWL_EXSTYLE);
  if ((exStyle & WS_EX_LAYERED) && (exStyle & WS_EX_TRANSPARENT)) return false;
  DWORD affinity = WDA_NONE;
  if (GetWindowDisplayAffinity(window, &affinity) && affinity != WDA_NONE) return false;
  return !IsCloaked(window);
}

Rect Clipped(const RECT& r, const Rect& within) {
  return {std::max<int32_t>(r.left, within.Left), std::max<int32_t>(r.top, within.Top),
          std::min<int32_t>(r.right, within.Right), std::min<int32_t>(r.bottom, within.Bottom)};
}

bool Empty(const Rect& r) { return r.Width() <= 0 || r.Height() <= 0; }

}  // namespace

bool VisibleWindowRect(HWND window, RECT& rect) {
  if (!GetWindowRect(window, &rect)) return false;
  // The bounds are taken only inside the window's rectangle: they are always in physical pixels,
  // and a system that runs the program aware of the system's DPI only (before Windows 10 1703)
  // gives the rectangle in its own scale.
  constexpr DWORD kExtendedFrameBounds = 9;  // DWMWA_EXTENDED_FRAME_BOUNDS
  RECT frame, inside;
  const GetWindowAttribute getAttribute = DwmAttribute();
  if (getAttribute && SUCCEEDED(getAttribute(window, kExtendedFrameBounds, &frame, sizeof frame)) &&
      !IsRectEmpty(&frame) && IntersectRect(&inside, &frame, &rect) && EqualRect(&inside, &frame))
    rect = frame;
  return true;
}

struct TWindowListing::Shared {
  Rect desktop;
  std::mutex lock;
  SnapWindows windows;  // under lock; only ever grows
  std::atomic<bool> stop{false};

  void Add(const SnapWindow& window) {
    const std::lock_guard<std::mutex> hold(lock);
    windows.push_back(window);
  }
  int32_t Count() {
    const std::lock_guard<std::mutex> hold(lock);
    return static_cast<int32_t>(windows.size());
  }

  // A window's children, each followed by its own, in z-order.
  void AddChildren(HWND parent, int32_t parentIndex, const Rect& parentBounds, DWORD ownProcess) {
    for (HWND child = GetWindow(parent, GW_CHILD); child && !stop; child = GetWindow(child, GW_HWNDNEXT)) {
      RECT r;
      if (!Snappable(child, ownProcess) || !GetWindowRect(child, &r)) continue;
      OffsetRect(&r, -desktop.Left, -desktop.Top);
      const Rect bounds = Clipped(r, parentBounds);
      if (Empty(bounds)) continue;
      const int32_t index = Count();
      Add({bounds, parentIndex});
      AddChildren(child, index, bounds, ownProcess);
    }
  }

  void List() {
    const DWORD ownProcess = GetCurrentProcessId();
    const Rect whole{0, 0, desktop.Width(), desktop.Height()};
    for (HWND window = GetTopWindow(nullptr); window && !stop; window = GetWindow(window, GW_HWNDNEXT)) {
      RECT r;
      if (!Snappable(window, ownProcess) || !VisibleWindowRect(window, r)) continue;
      OffsetRect(&r, -desktop.Left, -desktop.Top);
      const Rect bounds = Clipped(r, whole);
      if (Empty(bounds)) continue;
      const int32_t index = Count();
      Add({bounds, -1});
      AddChildren(window, index, bounds, ownProcess);
    }
  }
};

TWindowListing::TWindowListing(const Rect& desktop) : shared_(std::make_shared<Shared>()) {
  shared_->desktop = desktop;
  try {
    std::thread([shared = shared_] { shared->List(); }).detach();
  } catch (const std::system_error&) {
    shared_->List();  // no thread to be had: listed here and now
  }
}

TWindowListing::~TWindowListing() { shared_->stop = true; }

bool TWindowListing::Update(SnapWindows& copy) const {
  const std::lock_guard<std::mutex> hold(shared_->lock);
  if (shared_->windows.size() == copy.size()) return false;
  copy.insert(copy.end(), shared_->windows.begin() + static_cast<std::ptrdiff_t>(copy.size()), shared_->windows.end());
  return true;
}
