#include "overlay/window_list.h"

#include <atomic>
#include <condition_variable>
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

// The window manager's frame bounds in place of the window's rectangle, where it answers. They are
// taken only inside the rectangle: they are always in physical pixels, and a system that runs the
// program aware of the system's DPI only (before Windows 10 1703) gives the rectangle in its own
// scale.
void FrameBounds(HWND window, RECT& rect) {
  constexpr DWORD kExtendedFrameBounds = 9;  // DWMWA_EXTENDED_FRAME_BOUNDS
  RECT frame, inside;
  const GetWindowAttribute getAttribute = DwmAttribute();
  if (getAttribute && SUCCEEDED(getAttribute(window, kExtendedFrameBounds, &frame, sizeof frame)) &&
      !IsRectEmpty(&frame) && IntersectRect(&inside, &frame, &rect) && EqualRect(&inside, &frame))
    rect = frame;
}

// A top-level window's rectangle on the screen, or false when it is left out whatever its place:
// hidden or minimised windows, this program's, cloaked ones, windows that keep themselves out of
// pictures, and full-screen layers that clicks pass through (the overlays of graphics drivers and
// pen input), which would otherwise lie over everything. Each question is a trip to the window
// server under Wine: one answers style and place together, and hidden windows (most of them)
// need no other.
bool SnappableTopLevel(HWND window, DWORD ownProcess, RECT& rect) {
  WINDOWINFO info{sizeof info};
  if (!GetWindowInfo(window, &info) || !(info.dwStyle & WS_VISIBLE) || (info.dwStyle & WS_MINIMIZE)) return false;
  if ((info.dwExStyle & WS_EX_LAYERED) && (info.dwExStyle & WS_EX_TRANSPARENT)) return false;
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  if (process == ownProcess) return false;
  DWORD affinity = WDA_NONE;
  if ((GetWindowDisplayAffinity(window, &affinity) && affinity != WDA_NONE) || IsCloaked(window)) return false;
  rect = info.rcWindow;
  // Only a window with a frame has the invisible resize borders the frame bounds leave out.
  if (info.dwStyle & (WS_CAPTION | WS_THICKFRAME)) FrameBounds(window, rect);
  return true;
}

Rect Clipped(const RECT& r, const Rect& within) {
  return {std::max<int32_t>(r.left, within.Left), std::max<int32_t>(r.top, within.Top),
          std::min<int32_t>(r.right, within.Right), std::min<int32_t>(r.bottom, within.Bottom)};
}

bool Empty(const Rect& r) { return r.Width() <= 0 || r.Height() <= 0; }

}  // namespace

bool VisibleWindowRect(HWND window, RECT& rect) {
  if (!GetWindowRect(window, &rect)) return false;
  FrameBounds(window, rect);
  return true;
}

struct TWindowListing::Shared {
  Rect desktop;
  std::mutex lock;
  SnapWindows windows;       // under lock; only ever grows
  bool childrenMayGo = false;  // under lock
  std::condition_variable childrenWait;
  std::atomic<bool> stop{false};
  std::atomic<bool> done{false};  // every window listed

  void Add(const SnapWindow& window) {
    const std::lock_guard<std::mutex> hold(lock);
    windows.push_back(window);
  }
  int32_t Count() {
    const std::lock_guard<std::mutex> hold(lock);
    return static_cast<int32_t>(windows.size());
  }

  // A window's children, each followed by its own, in z-order. A child of a listed window shows
  // when its own style says so; the questions only a top-level window answers are not asked.
  void AddChildren(HWND parent, int32_t parentIndex, const Rect& parentBounds) {
    for (HWND child = GetWindow(parent, GW_CHILD); child && !stop; child = GetWindow(child, GW_HWNDNEXT)) {
      WINDOWINFO info{sizeof info};
      if (!GetWindowInfo(child, &info) || !(info.dwStyle & WS_VISIBLE)) continue;
      RECT r = info.rcWindow;
      OffsetRect(&r, -desktop.Left, -desktop.Top);
      const Rect bounds = Clipped(r, parentBounds);
      if (Empty(bounds)) continue;
      const int32_t index = Count();
      Add({bounds, parentIndex});
      AddChildren(child, index, bounds);
    }
  }

  // The top-level windows first, as the screen was copied (menus close once the overlay takes the
  // focus); their children once the overlay is up, so the listing does not slow it down.
  void List() {
    const DWORD ownProcess = GetCurrentProcessId();
    const Rect whole{0, 0, desktop.Width(), desktop.Height()};
    struct Listed {
      HWND window;
      int32_t index;
      Rect bounds;
    };
    std::vector<Listed> listed;
    for (HWND window = GetTopWindow(nullptr); window && !stop; window = GetWindow(window, GW_HWNDNEXT)) {
      RECT r;
      if (!SnappableTopLevel(window, ownProcess, r)) continue;
      OffsetRect(&r, -desktop.Left, -desktop.Top);
      const Rect bounds = Clipped(r, whole);
      if (Empty(bounds)) continue;
      listed.push_back({window, Count(), bounds});
      Add({bounds, -1});
    }
    {
      std::unique_lock<std::mutex> hold(lock);
      childrenWait.wait(hold, [this] { return childrenMayGo || stop; });
    }
    for (const Listed& top : listed) AddChildren(top.window, top.index, top.bounds);
    done = true;
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

TWindowListing::~TWindowListing() {
  shared_->stop = true;
  ListChildren();  // the thread ends
}

void TWindowListing::ListChildren() {
  {
    const std::lock_guard<std::mutex> hold(shared_->lock);
    shared_->childrenMayGo = true;
  }
  shared_->childrenWait.notify_all();
}

bool TWindowListing::Done() const { return shared_->done; }

bool TWindowListing::Update(SnapWindows& copy) const {
  const std::lock_guard<std::mutex> hold(shared_->lock);
  if (shared_->windows.size() == copy.size()) return false;
  copy.insert(copy.end(), shared_->windows.begin() + static_cast<std::ptrdiff_t>(copy.size()), shared_->windows.end());
  return true;
}
