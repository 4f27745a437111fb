// The windows the region overlay can snap to, listed from the system. Win32 glue over snap_targets.
#pragma once

#include <windows.h>

#include <memory>

#include "common/rect.h"
#include "overlay/snap_targets.h"

// A window's rectangle as the user sees it. On Windows 10 and 11 GetWindowRect includes invisible
// resize borders; the desktop window manager's frame bounds do not. False when it cannot be read.
bool VisibleWindowRect(HWND window, RECT& rect);

// The listing runs on a thread of its own from the moment this is made, beside the copy of the
// screen, and never holds up whoever waits for the copy: every visible top-level window in z-order and its visible children, in pixels of
// `desktop` (its top-left is 0, 0), leaving out this program's windows, minimised, cloaked, empty
// ones, those wholly off the desktop, those excluded from capture, and click-through layered ones.
class TWindowListing {
 public:
  explicit TWindowListing(const Rect& desktop);
  ~TWindowListing();
  TWindowListing(const TWindowListing&) = delete;
  TWindowListing& operator=(const TWindowListing&) = delete;

  // Brings `copy` up to what has been listed so far (a listing still going, say behind a window
  // that keeps it waiting, gives what it has: the windows come in z-order, so the topmost first);
  // true when it grew. The listing stops when this is destroyed.
  bool Update(SnapWindows& copy) const;
  // The children are listed from now on: the top-level windows are listed as soon as this is made.
  void ListChildren();
  // Every window listed (what Update gives is all there will be).
  bool Done() const;

 private:
  struct Shared;
  std::shared_ptr<Shared> shared_;
};
