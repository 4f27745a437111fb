// The overlay's two readouts: child windows over the frozen picture that take no clicks and are
// never part of an accepted picture. The size label says how large the picture of the box will be;
// the magnifier shows the pixels under the cursor enlarged, with the cursor's desktop coordinates.
#pragma once

#include "capture/sizer_geometry.h"
#include "toolkit/forms.h"

// A child of the overlay that clicks fall through and that paints all of itself.
class TReadout : public TWinControl {
 public:
  void Hide() { ShowWindow(Handle(), SW_HIDE); }

 protected:
  TReadout(HWND overlay, const wchar_t* className, int width, int height);
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  virtual void Paint(HDC dc, RECT client) = 0;  // into an off-screen copy
  HWND overlay_;
};

class TSizeLabel : public TReadout {
 public:
  explicit TSizeLabel(HWND overlay) : TReadout(overlay, L"TSizeLabel", 0, 0) {}
  // Beside this box (overlay client coordinates), naming the size inside its frame.
  void Follow(const Rect& box);

 protected:
  void Paint(HDC dc, RECT client) override;
};

class TMagnifier : public TReadout {
 public:
  // `picture` is the frozen picture's DC; `origin` the desktop point at the overlay's top-left.
  TMagnifier(HWND overlay, HDC picture, POINT origin);
  // Beside the cursor at this overlay client point, showing the pixels around it.
  void Follow(int x, int y);

 protected:
  void Paint(HDC dc, RECT client) override;

 private:
  HDC picture_;
  POINT origin_;
  POINT cursor_{};
};
