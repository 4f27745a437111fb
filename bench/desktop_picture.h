// A realistic desktop (text, flat areas, a photo) shown full screen by a window of its own thread,
// behind whatever Corvix opens: what the benchmarks capture and encode. The picture comes from
// CORVIX_DESKTOPS (default: the shared data folder beside the repository), desktop-WxH.png for the
// screen's size; without it the window stays away and the screen is whatever it is.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

// The desktop picture of a size as 32-bit rows from the top (blue, green, red, unused), `stride`
// bytes apart (0: packed) into `pixels`, which holds them already; false when there is none.
// `source` names the file looked for.
bool LoadDesktopPicture(int width, int height, uint8_t* pixels, size_t stride, std::string& source);

class DesktopPicture {
 public:
  DesktopPicture();
  ~DesktopPicture();
  DesktopPicture(const DesktopPicture&) = delete;
  DesktopPicture& operator=(const DesktopPicture&) = delete;

  // Whether the picture was found and is on the screen.
  bool Shown() const { return shown_; }
  const std::string& Source() const { return source_; }

  // The canvas: a colour painted over the picture so that whatever paints the picture again can be
  // seen reaching the screen. Cover paints it from the calling thread and says at how many probe
  // points the screen shows it once it shows at any (within a second; those under other windows,
  // a notification say, do not);
  // Uncover has the picture painted again and returns once no probe point shows the canvas.
  int Cover();
  bool Uncover();
  // How many of the probe points (a grid over the whole screen) show the canvas colour.
  int CanvasPoints() const;

 private:
  void PaintCanvas(HDC dc) const;
  template <typename Visit>
  void ForEachProbe(Visit visit) const;
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  int width_ = 0, height_ = 0;
  std::vector<uint8_t> pixels_;  // 32-bit rows from the top
  uint32_t canvas_ = 0xFF00FF;    // blue, green, red from the low byte: magenta unless the picture has it
  std::string source_;
  std::thread thread_;
  std::atomic<HWND> window_ = nullptr;
  std::atomic<bool> shown_ = false;
  std::atomic<bool> made_ = false;  // the window thread has made its window, or failed to
  std::atomic<bool> covered_ = false;  // the window paints the canvas, also when the system asks it to
  // One screen row read at a time: a few small reads instead of a whole-screen copy, so that
  // watching the screen takes little from the program being watched.
  HDC rowDc_ = nullptr;
  HBITMAP rowBitmap_ = nullptr;
  uint32_t* row_ = nullptr;
};
