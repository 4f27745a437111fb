// The overlay's two readouts: child windows over the frozen picture that take no clicks and are
// never part of an accepted picture. The size label says how large the picture of the box will be;
// the magnifier shows the pixels under the cursor enlarged, with the cursor's desktop coordinates.
#pragma once

#include "capture/sizer_geometry.h"
#include "toolkit/forms.h"

class TSizeLabel : public TWinControl {
 public:
  explicit TSizeLabel(HWND overlay);
  // Beside this box (overlay client coordinates), naming the size inside its frame.
  void Follow(const Rect& box);
  void Hide() { ShowWindow(Handle(), SW_HIDE); }

 protected:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  void Paint();
  HWND overlay_;
};

class TMagnifier : public TWinControl {
 public:
  // `picture` is the frozen picture's DC; `origin` the desktop point at the overlay's top-left.
  TMagnifier(HWND overlay, HDC picture, POINT origin);
  // Beside the cursor at this overlay client point, showing the pixels around it.
  void Follow(int x, int y);
  void Hide() { ShowWindow(Handle(), SW_HIDE); }

 protected:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  void Paint();
  HWND overlay_;
  HDC picture_;
  POINT origin_;
  POINT cursor_{};
};
