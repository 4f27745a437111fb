// A window of the test driver's own that shows a known picture, so a capture of the screen can be
// checked pixel by pixel. It runs its own message loop on a thread of its own.
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <vector>

#include "support/test_picture.h"
#include "support/windows.h"

namespace e2e {

class PatternWindow {
 public:
  // A captioned window whose client area (width x height) shows the picture, at this screen place,
  // in front and active; or, not `active`, above every window (the region overlay too) without
  // taking the activation, as a notification comes up, once the screen shows it.
  PatternWindow(int left, int top, int width, int height, bool active = true);
  PatternWindow(const PatternWindow&) = delete;
  PatternWindow& operator=(const PatternWindow&) = delete;

  HWND Handle() const { return window_; }
  RECT Outer() const;
  RECT Client() const;  // in screen coordinates
  // Blue, green, red of the picture at a client point.
  const uint8_t* At(int x, int y) const { return picture_.Pixels() + y * picture_.Stride() + x * 4; }
  void BringToFront() const;
  // Draws on the picture (a DC over it, 32-bit, top-down) and shows it again: true once the screen
  // shows all of it.
  bool Draw(const std::function<void(HDC)>& draw);
  // Whether the screen shows the picture (at a point near its top-left).
  bool OnScreen() const;
  // The virtual key of the last key released while the window had the keyboard (0: none yet).
  UINT LastKeyUp() const { return lastKeyUp_; }

 private:
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  TestPicture picture_;
  HWND window_ = nullptr;
  std::atomic<UINT> lastKeyUp_ = 0;
  testsupport::WindowThread thread_;  // last: the window goes first
};

}  // namespace e2e
