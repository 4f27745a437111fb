// The three capture sources: the whole virtual desktop, the foreground window, and a region the
// user marks on a frozen picture of the desktop. Each holds its screen DC and its picture for the
// whole run; a capture returns the source's own picture (borrowed) or nothing.
#pragma once

#include <windows.h>

#include <memory>
#include <vector>

#include "capture/capture_picture.h"
#include "overlay/region_overlay.h"
#include "common/rect.h"

class TCaptureSource {
 public:
  TCaptureSource();
  virtual ~TCaptureSource();
  TCaptureSource(const TCaptureSource&) = delete;
  TCaptureSource& operator=(const TCaptureSource&) = delete;

  // Copies a screen rectangle into the picture with one block transfer.
  virtual void CaptureRect(const Rect& rect);
  // One capture: the picture, valid until this source's next capture or ReleasePicture, or null
  // for nothing.
  virtual HBITMAP Capture() = 0;
  // Gives the picture's memory back, between captures.
  void ReleasePicture() { picture_.Release(); }
  // Where the last capture was taken from on the screen.
  const Rect& CapturedRect() const { return rect_; }
  // Hands the picture of the last capture over: the next capture makes one anew.
  UniqueBitmap TakePicture() { return picture_.Take(); }

 protected:
  TCapturePicture picture_;
  HDC screenDc_ = nullptr;
  Rect rect_;
};

class TScreenCapture : public TCaptureSource {
 public:
  TScreenCapture();
  HBITMAP Capture() override;
};

class TRegionCapture : public TScreenCapture {
 public:
  // Freezes the desktop, lets the user mark a region and draw on it; null when the user cancels.
  HBITMAP Capture() override;
  // How the last capture ended: where its picture goes.
  RegionEnding Ending() const { return ending_; }
  // Where the last capture's picture stood on the screen.
  const Rect& Place() const { return place_; }
  // The box the last region was taken with, in screen coordinates.
  const Rect& TakenBox() const { return takenBox_; }
  // The region of this box (screen coordinates) at once, without the overlay, as Enter takes it:
  // the screen's pixels inside its frame line and the line itself. Null when the box lies wholly
  // off the desktop.
  HBITMAP CaptureBox(const Rect& box);
  // The boxes `,` and `.` bring back in the overlay, newest first (screen coordinates).
  std::vector<Rect> Regions;
  // The drawing style the overlay starts with, and as the user left it.
  MarkupStyle DrawingStyle;
  // No running Corvix to pin or read for (a command line's own start).
  bool Alone = false;

 private:
  RegionEnding ending_ = RegionEnding::Done;
  Rect place_, takenBox_;
};

class TActiveWindowCapture : public TCaptureSource {
 public:
  // The foreground window's outer rectangle as the user sees it (without the invisible resize
  // borders the desktop window manager adds); null when there is no foreground window or its
  // rectangle cannot be read or is empty.
  HBITMAP Capture() override;
};

// The bounding rectangle of all monitors, in screen coordinates.
Rect VirtualDesktop();
// The boxes (screen coordinates) whose frame line and all inside it lie on today's monitors.
std::vector<Rect> RegionsOnScreens(const std::vector<Rect>& boxes);

// Where the whole-desktop sources read the desktop's rectangle, at every capture: VirtualDesktop,
// or a stand-in that plays a change of monitors.
using DesktopRectSource = Rect (*)();
extern DesktopRectSource DesktopRect;

extern std::unique_ptr<TScreenCapture> ScreenCapture;
extern std::unique_ptr<TActiveWindowCapture> ActiveWindowCapture;
extern std::unique_ptr<TRegionCapture> RegionCapture;

// Start-up makes them in this order; exit frees them in the same order.
void CreateCaptureSources();
void FreeCaptureSources();
// Every source's picture memory given back, while no capture runs.
void ReleaseCapturePictures();
