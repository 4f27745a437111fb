// Snapping to windows, before the box is placed: the windows listed beside the copy of the screen,
// the chain of them under the cursor, the wheel up and down that chain, the outline of the one it
// stands on, and a press that ends as a click (the outlined window taken, or a small box where none
// is) or a drag (the box drawn from the press to the cursor).
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "common/wheel_steps.h"
#include "overlay/snap_targets.h"
#include "overlay/window_list.h"

class TWindowSnapper {
 public:
  // `outlined` hears of every new outline (empty: none).
  explicit TWindowSnapper(std::function<void(const Rect&)> outlined) : outlined_(std::move(outlined)) {}

  // The windows to outline; without them nothing is.
  void SnapTo(std::unique_ptr<TWindowListing> listing) { listing_ = std::move(listing); }
  // Outlines on this overlay from now on, following the listing as it grows.
  void Start(HWND overlay);
  // The box stands: nothing is outlined any more.
  void Stop();

  // The cursor stands at this overlay client point.
  void Hover(int x, int y);
  void Wheel(int delta);
  // A press, which outlines what lies under it (a pen or a touch comes without a move first); it
  // waits to see a click or a drag.
  void Press(int x, int y, UINT button);
  bool Pressing() const { return pressing_; }
  bool Dragging() const { return dragging_; }
  // Whether a release of this button (its WM_xBUTTONDOWN) ends the press.
  bool EndsPress(UINT button) const { return pressing_ && button == button_; }
  // While the button is down: nothing as long as it may be a click; then, at every move, the box
  // from the press to the cursor.
  std::optional<Rect> DragTo(int x, int y);
  // The button that pressed is up: a click gives the box round the outlined window, or the start box
  // at the press where none is; a drag ends with the box where it was drawn.
  std::optional<Rect> Release(UINT button);
  void CaptureLost() { pressing_ = dragging_ = false; }

  // The overlay paints: the outline over the picture.
  void Paint(HDC dc);
  void Timer(UINT_PTR id);

 private:
  void Outline(const Rect& target);
  void InvalidateOutline();
  // The listing's timer: what it added since is outlined under the cursor.
  void ListingGrew();

  std::function<void(const Rect&)> outlined_;
  HWND overlay_ = nullptr;
  std::unique_ptr<TWindowListing> listing_;
  SnapWindows windows_;          // what the listing has given so far
  std::vector<int32_t> chain_;   // the windows under the cursor, outermost first
  int32_t levelsUp_ = 0;         // wheel turns towards the whole window
  TWheelSteps wheel_;
  Rect outline_;                 // empty when nothing is outlined
  bool stopped_ = false;
  bool pressing_ = false;        // the button is down
  bool dragging_ = false;        // and has gone further than a click
  POINT pressAt_{};
  UINT button_ = 0;              // WM_LBUTTONDOWN, WM_RBUTTONDOWN or WM_MBUTTONDOWN
};
