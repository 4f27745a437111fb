// What the region overlay can snap to: the windows as they stood when the screen was copied, and
// which of them lies under the cursor. Window-free; rectangles in overlay client coordinates with
// exclusive Right and Bottom.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "overlay/box_geometry.h"

struct SnapWindow {
  Rect Bounds;           // already clipped to its parent and to the desktop
  int32_t Parent = -1;   // the index of the window it lies in; -1 for a top-level window
};

// The windows, top-level ones in z-order (topmost first), a window's children after it, among
// themselves in z-order: a window's index comes after its parent's.
using SnapWindows = std::vector<SnapWindow>;

// The windows under a point, outermost first: the topmost top-level window holding it, then within
// each the topmost child holding it, down to the deepest. A point on a window's outermost
// `edgePixels` ends the chain there: the window's edge takes the window itself. Empty where no
// window holds the point.
std::vector<int32_t> SnapChainAt(std::span<const SnapWindow> windows, int32_t x, int32_t y, int32_t edgePixels);

// The window the overlay outlines in a chain after `levelsUp` turns of the wheel towards the whole
// window (clamped to the chain); -1 for an empty chain.
int32_t SnapTarget(std::span<const int32_t> chain, int32_t levelsUp);

// The selection box whose inside holds `target` with its blue frame line just outside it: the
// accepted picture is the target's pixels inside a one-pixel frame.
Rect BoxAround(const Rect& target);

// A press and release this far apart or less (SM_CXDRAG, SM_CYDRAG) is a click, not a drag.
bool IsClick(int32_t dx, int32_t dy, int32_t dragWidth, int32_t dragHeight);
