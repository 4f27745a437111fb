// A window of the test driver's own that shows a tall known document between a fixed header and a
// fixed footer, and scrolls it as a browser does: each wheel notch moves it an uneven distance in
// several small steps. A notch with Ctrl held jumps three views at once, farther than any read can
// follow. It runs its own message loop on a thread of its own.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <thread>
#include <vector>

namespace e2e {

class ScrollingWindow {
 public:
  static constexpr int kNotch = 97;  // rows per wheel notch
  ScrollingWindow(int left, int top, int width, int header, int view, int footer, int rows);
  ~ScrollingWindow();
  ScrollingWindow(const ScrollingWindow&) = delete;
  ScrollingWindow& operator=(const ScrollingWindow&) = delete;

  HWND Handle() const { return window_; }
  RECT Client() const;  // in screen coordinates
  int Offset() const { return offset_; }
  int LastOffset() const { return rows_ - view_; }
  // Scrolled to `offset` at once, once the screen shows it.
  void ScrollTo(int offset);
  // Whether the screen shows the document scrolled to `offset`, settled.
  bool Shows(int offset) const;
  // The header, the whole document and the footer: rows of 32-bit pixels, top first.
  std::vector<uint32_t> Whole() const;
  int WholeHeight() const { return header_ + rows_ + footer_; }
  int Width() const { return width_; }

 private:
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  void Paint(HDC dc) const;
  void Step();

  int width_, header_, view_, footer_, rows_;
  std::vector<uint32_t> headerPixels_, document_, footerPixels_;
  std::atomic<int> offset_ = 0, target_ = 0;
  int step_ = 0;
  HWND window_ = nullptr;
  std::thread thread_;
};

}  // namespace e2e
