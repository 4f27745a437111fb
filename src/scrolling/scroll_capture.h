// A scrolling capture: a region of the screen read while what lies under it scrolls, by the user's
// hand or by itself (自动滚动), and stitched into one long picture. The region stays marked by a line
// round it that the mouse passes through; the panel beside it shows the picture growing. The window
// under the region keeps the foreground and the keyboard; Enter and Esc reach the capture wherever
// the keyboard is, as hot keys held only while it runs.
#pragma once

#include <windows.h>

#include "common/rect.h"
#include "toolkit/handles.h"

// Runs the capture of `region` (screen coordinates, the box's frame line included) until 完成 or
// Enter (the long picture, a 32-bit DIB section) or 取消 or Esc (null). Raises when the picture
// cannot be made (no read of the region was ever taken, or no memory for it).
UniqueBitmap RunScrollCapture(const Rect& region);
