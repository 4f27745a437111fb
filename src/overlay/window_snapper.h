// Snapping to windows, before the box is placed: the windows listed beside the copy of the screen,
// the chain of them under the cursor, the wheel up and down that chain, the outline of the one it
// stands on, and a press there that ends as a click (the window taken) or a drag (a box drawn from
// the press).
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

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
  // A press: the box to place at once where no window is outlined (the start box at the press), or
  // nothing while it waits to see a click or a drag.
  std::optional<Rect> Press(int x, int y);
  bool Pressing() const { return pressing_; }
  // While pressing: once the cursor went further than a click may, the start box at the press.
  std::optional<Rect> DragTo(int x, int y);
  // The end of a press that stayed a click: the box round the outlined window.
  std::optional<Rect> Release();
  void CaptureLost() { pressing_ = false; }

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
  Rect outline_;                 // empty when nothing is outlined
  bool stopped_ = false;
  bool pressing_ = false;        // a press on an outlined window, not yet a click or a drag
  POINT pressAt_{};
};
