// A window of the test driver's own that shows a tall known document between a fixed header and
// footer (tests/support/scrolled_document.h), and scrolls it as a browser does: each wheel notch
// moves it an uneven distance in several small steps. A notch with Ctrl held jumps three views at
// once, farther than any read can follow. It runs its own message loop on a thread of its own.
#pragma once

#include <windows.h>

#include <atomic>

#include "common/rect.h"
#include "support/scrolled_document.h"
#include "support/windows.h"

namespace e2e {

class ScrollingWindow {
 public:
  static constexpr int kNotch = 97;  // rows per wheel notch
  // Its client area at this screen point shows the document.
  ScrollingWindow(int left, int top, const ScrolledDocument& document);
  ScrollingWindow(const ScrollingWindow&) = delete;
  ScrollingWindow& operator=(const ScrollingWindow&) = delete;

  HWND Handle() const { return window_; }
  RECT Client() const;  // in screen coordinates
  // In front and showing the document's top since it was made.
  bool Ready() const { return ready_; }
  // Scrolled to `offset` at once; false when the screen does not come to show it.
  bool ScrollTo(int offset);
  // Whether the screen shows the document scrolled to `offset`.
  bool Shows(int offset) const;
  // From now on, a block of the document (its coordinates) shows another picture every 150 ms, as
  // a video or an animated advert does.
  void Animate(const Rect& block);
  bool Animated(int x, int documentRow) const { return animated_.Contains(x, documentRow); }
  // Where it stands: what a failing test reports.
  int Offset() const { return offset_; }

 private:
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  void Wheel(WPARAM wParam);
  void Step();
  std::vector<uint32_t> Shown(int offset) const;

  const ScrolledDocument document_;
  std::atomic<int> offset_ = 0, target_ = 0;
  Rect animated_{};
  uint32_t frame_ = 0;
  int step_ = 0;
  HWND window_ = nullptr;
  bool ready_ = false;
  testsupport::WindowThread thread_;  // last: the window goes first
};

}  // namespace e2e
