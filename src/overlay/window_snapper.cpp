#include "overlay/window_snapper.h"

#include <algorithm>
#include <array>

#include "overlay/box_geometry.h"
#include "overlay/overlay_look.h"

namespace {

// While the windows are still being listed, what comes is outlined under a cursor that stands still.
constexpr UINT_PTR kListingTimer = 1, kChildrenTimer = 2;
constexpr UINT kListingTimerMs = 50;
constexpr int32_t kOutlineWidth = 2;
// A point this near a window's edge takes the whole window.
constexpr int32_t kWindowEdge = 2;

// The four strips of a rectangle's outline, along its inside.
std::array<RECT, 4> OutlineStrips(const Rect& r) {
  const int32_t w = kOutlineWidth;
  return {{{r.Left, r.Top, r.Right, r.Top + w},
           {r.Left, r.Bottom - w, r.Right, r.Bottom},
           {r.Left, r.Top, r.Left + w, r.Bottom},
           {r.Right - w, r.Top, r.Right, r.Bottom}}};
}

Rect StartBoxAt(POINT at) { return {at.x, at.y, at.x + kStartBoxSize, at.y + kStartBoxSize}; }

}  // namespace

void TWindowSnapper::Start(HWND overlay) {
  overlay_ = overlay;
  if (listing_) SetTimer(overlay_, kListingTimer, kListingTimerMs, nullptr);
}

void TWindowSnapper::Stop() {
  Outline({});
  stopped_ = true;
  if (overlay_) KillTimer(overlay_, kListingTimer);
}

void TWindowSnapper::Hover(int x, int y) {
  if (listing_) listing_->Update(windows_);
  std::vector<int32_t> chain = SnapChainAt(windows_, x, y, kWindowEdge);
  if (chain.empty() || chain_.empty() || chain.back() != chain_.back()) levelsUp_ = 0;  // another window: its deepest first
  chain_ = std::move(chain);
  const int32_t target = SnapTarget(chain_, levelsUp_);
  Outline(target >= 0 ? windows_[static_cast<size_t>(target)].Bounds : Rect{});
}

void TWindowSnapper::Wheel(int delta) {
  if (pressing_ || chain_.empty()) return;
  const int32_t steps = wheel_.Add(delta);
  if (steps == 0) return;
  levelsUp_ = std::clamp(levelsUp_ + steps, 0, static_cast<int32_t>(chain_.size()) - 1);
  Outline(windows_[static_cast<size_t>(SnapTarget(chain_, levelsUp_))].Bounds);
}

void TWindowSnapper::Press(int x, int y, UINT button) {
  if (pressing_) return;
  Hover(x, y);
  pressing_ = true;
  dragging_ = false;
  pressAt_ = {x, y};
  button_ = button;
  SetCapture(overlay_);
}

std::optional<Rect> TWindowSnapper::DragTo(int x, int y) {
  if (!pressing_) return std::nullopt;
  if (!dragging_ && IsClick(x - pressAt_.x, y - pressAt_.y, GetSystemMetrics(SM_CXDRAG), GetSystemMetrics(SM_CYDRAG)))
    return std::nullopt;
  dragging_ = true;
  return DraggedBox(pressAt_.x, pressAt_.y, x, y);
}

// A click takes the outlined window: the box's frame line just outside it, so that inside the line
// the picture holds every pixel of it.
std::optional<Rect> TWindowSnapper::Release(UINT button) {
  if (!pressing_ || button != button_) return std::nullopt;
  const bool dragged = dragging_;
  pressing_ = dragging_ = false;
  ReleaseCapture();
  if (dragged) return std::nullopt;
  return outline_.Width() > 0 ? BoxAround(outline_) : StartBoxAt(pressAt_);
}

// Only the strips of the old and the new outline are painted again, at once: it follows the
// cursor without a flicker.
void TWindowSnapper::Outline(const Rect& target) {
  if (target == outline_) return;
  InvalidateOutline();
  outline_ = target;
  InvalidateOutline();
  outlined_(outline_);
  UpdateWindow(overlay_);
}

void TWindowSnapper::InvalidateOutline() {
  if (outline_.Width() <= 0) return;
  for (const RECT& strip : OutlineStrips(outline_)) InvalidateRect(overlay_, &strip, FALSE);
}

void TWindowSnapper::Paint(HDC dc) {
  // Once the overlay is on the screen (its first paint flushed when the loop next waits, which a
  // timer waits for), the children are listed: the listing does not slow the overlay down.
  if (listing_ && IsWindowVisible(overlay_)) SetTimer(overlay_, kChildrenTimer, USER_TIMER_MINIMUM, nullptr);
  if (outline_.Width() <= 0) return;
  SetDCBrushColor(dc, kOverlayAccent);
  for (const RECT& strip : OutlineStrips(outline_)) FillRect(dc, &strip, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
}

void TWindowSnapper::Timer(UINT_PTR id) {
  if (!listing_) return;
  if (id == kChildrenTimer) {
    KillTimer(overlay_, kChildrenTimer);
    listing_->ListChildren();
  }
  if (id == kListingTimer) ListingGrew();
}

void TWindowSnapper::ListingGrew() {
  const bool done = listing_->Done();  // asked first: what Hover then takes in is all there is
  POINT cursor;
  if (!stopped_ && !pressing_ && GetCursorPos(&cursor) && ScreenToClient(overlay_, &cursor)) Hover(cursor.x, cursor.y);
  if (done || stopped_) KillTimer(overlay_, kListingTimer);
}
