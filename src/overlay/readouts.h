// The overlay's two readouts: child windows over the frozen picture that take no clicks and are
// never part of an accepted picture. The size label says how large the picture of the box will be;
// the magnifier shows the pixels under the cursor enlarged, with the cursor's desktop coordinates
// and the colour there, which it copies as text.
#pragma once

#include <string>

#include "overlay/box_geometry.h"
#include "toolkit/forms.h"
#include "toolkit/handles.h"

// A child of the overlay that clicks fall through and that paints all of itself. Its sizes and
// its text, in the dialogs' font, follow the DPI of the monitor it stands on (the overlay spans
// every monitor).
class TReadout : public TWinControl {
 public:
  void Hide() { ShowWindow(Handle(), SW_HIDE); }

 protected:
  TReadout(HWND overlay, const wchar_t* className);
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  virtual void Paint(HDC dc, RECT client) = 0;  // into an off-screen copy
  // Takes the DPI of the monitor showing this overlay client point.
  void UseDpiAt(int x, int y);
  virtual void DpiChanged() {}
  // Pixels at 96 DPI to pixels at the readout's DPI.
  int Scaled(int pixels) const { return MulDiv(pixels, dpi_, 96); }
  HWND overlay_;
  int dpi_;
  UniqueFont font_;
};

class TSizeLabel : public TReadout {
 public:
  explicit TSizeLabel(HWND overlay) : TReadout(overlay, L"TSizeLabel") {}
  // Beside this box (overlay client coordinates), naming the size inside its frame.
  void Follow(const Rect& box);
  // Beside this rectangle, naming a size.
  void Show(const Rect& box, int32_t width, int32_t height);

 protected:
  void Paint(HDC dc, RECT client) override;
};

class TMagnifier : public TReadout {
 public:
  // `picture` is the frozen picture's DC; `origin` the desktop point at the overlay's top-left.
  TMagnifier(HWND overlay, HDC picture, POINT origin);
  // Beside the cursor at this overlay client point, showing the pixels around it.
  void Follow(int x, int y);
  bool Shown() const { return IsWindowVisible(Handle()) != FALSE; }
  // The colour picker's keys (`repeat`: a key held down): Shift switches the colour between
  // hexadecimal and decimal; C copies it as text, and says "已复制" for a moment in its place, while
  // the magnifier shows.
  void PickColour(WPARAM key, bool control, bool repeat);
  // The colour under the cursor, as shown.
  std::wstring ColourShown() const;

 protected:
  void Paint(HDC dc, RECT client) override;
  void DpiChanged() override;
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  bool hex_ = true;
  bool copied_ = false;  // "已复制" shows until the timer
  HDC picture_;
  POINT origin_;
  POINT cursor_{};
  int zoom_, lens_, textLine_;  // a pixel's square, the lens of them, the line of text below
};
