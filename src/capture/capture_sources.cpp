#include "capture/capture_sources.h"

#include <algorithm>

#include "overlay/box_geometry.h"
#include "overlay/region_overlay.h"
#include "overlay/selection_box.h"
#include "overlay/window_list.h"
#include "scrolling/scroll_capture.h"
#include "toolkit/scope_exit.h"

std::unique_ptr<TScreenCapture> ScreenCapture;
std::unique_ptr<TActiveWindowCapture> ActiveWindowCapture;
std::unique_ptr<TRegionCapture> RegionCapture;

TCaptureSource::TCaptureSource() : screenDc_(GetDC(nullptr)) {}

TCaptureSource::~TCaptureSource() { ReleaseDC(nullptr, screenDc_); }

void TCaptureSource::CaptureRect(const Rect& rect) {
  picture_.SetSize(rect.Width(), rect.Height());
  picture_.CopyFrom(screenDc_, rect.Left, rect.Top);
}

DesktopRectSource DesktopRect = VirtualDesktop;

Rect VirtualDesktop() {
  const int32_t left = GetSystemMetrics(SM_XVIRTUALSCREEN), top = GetSystemMetrics(SM_YVIRTUALSCREEN);
  return {left, top, left + GetSystemMetrics(SM_CXVIRTUALSCREEN), top + GetSystemMetrics(SM_CYVIRTUALSCREEN)};
}

std::vector<Rect> RegionsOnScreens(const std::vector<Rect>& boxes) {
  const Rect desktop = DesktopRect();
  std::vector<Rect> shown;
  for (const Rect& box : boxes) {
    const Rect framed = SelectionInside(box);
    if (framed.Width() <= 0 || framed.Height() <= 0 || Intersection(framed, desktop) != framed) continue;
    // Monitors of different sizes leave holes in the desktop's rectangle.
    const POINT corners[] = {{framed.Left, framed.Top}, {framed.Right - 1, framed.Top},
                             {framed.Left, framed.Bottom - 1}, {framed.Right - 1, framed.Bottom - 1}};
    if (std::all_of(std::begin(corners), std::end(corners),
                    [](POINT p) { return MonitorFromPoint(p, MONITOR_DEFAULTTONULL) != nullptr; }))
      shown.push_back(box);
  }
  return shown;
}

TScreenCapture::TScreenCapture() { rect_ = DesktopRect(); }

// The desktop as it is now: monitors and resolutions change while the program runs.
HBITMAP TScreenCapture::Capture() {
  rect_ = DesktopRect();
  CaptureRect(rect_);
  return picture_.Handle();
}

HBITMAP TActiveWindowCapture::Capture() {
  HWND window = GetForegroundWindow();
  RECT outer;
  if (!window || !VisibleWindowRect(window, outer) || outer.right <= outer.left || outer.bottom <= outer.top)
    return nullptr;
  rect_ = {outer.left, outer.top, outer.right, outer.bottom};
  CaptureRect(rect_);
  return picture_.Handle();
}

HBITMAP TRegionCapture::Capture() {
  // The desktop as it stood at the key press, before the overlay covers it, and its windows, listed
  // beside the copy.
  rect_ = DesktopRect();
  auto windows = std::make_unique<TWindowListing>(rect_);
  CaptureRect(rect_);
  // The overlay covers exactly the rectangle the picture was taken from.
  auto overlay = std::make_unique<TRegionOverlay>(rect_);
  overlay->SnapTo(std::move(windows));
  overlay->RecallFrom(Regions);
  overlay->DrawingStyle = DrawingStyle;
  overlay->Alone = Alone;
  ending_ = RegionEnding::Done;
  const ScopeExit freeOverlay([&] { overlay->Destroy(); });  // also when an error leaves this function
  overlay->Create();
  RegionOverlay = overlay.get();

  const int result = overlay->ShowFrozen(picture_.Handle());
  DrawingStyle = overlay->DrawingStyle;
  if (result != mrOk) return nullptr;
  ending_ = overlay->Ending();
  takenBox_ = overlay->TakenBox();
  const Rect& inOverlay = overlay->SelectedRect();
  place_ = {rect_.Left + inOverlay.Left, rect_.Top + inOverlay.Top, rect_.Left + inOverlay.Right, rect_.Top + inOverlay.Bottom};
  if (ending_ == RegionEnding::Scroll) {
    // The frozen picture goes; the region is read while it scrolls, and its long picture is taken
    // as an accepted region's.
    overlay->Destroy();
    picture_.Release();
    UniqueBitmap longPicture = RunScrollCapture(place_);
    ending_ = RegionEnding::Done;
    if (!longPicture) return nullptr;
    BITMAP shape{};
    GetObjectW(longPicture.get(), sizeof shape, &shape);
    picture_.Adopt(std::move(longPicture), shape.bmWidth, shape.bmHeight);
    return picture_.Handle();
  }
  picture_.Assign(overlay->SelectedBitmap());
  return picture_.Handle();
}

HBITMAP TRegionCapture::CaptureBox(const Rect& box) {
  rect_ = DesktopRect();
  const Rect inDesktop{box.Left - rect_.Left, box.Top - rect_.Top, box.Right - rect_.Left, box.Bottom - rect_.Top};
  const Rect picture = PictureRect(inDesktop, rect_.Width(), rect_.Height());
  if (picture.Width() <= 0 || picture.Height() <= 0) return nullptr;
  place_ = {picture.Left + rect_.Left, picture.Top + rect_.Top, picture.Right + rect_.Left, picture.Bottom + rect_.Top};
  CaptureRect(place_);
  const Rect framed = SelectionInside(inDesktop);
  picture_.Draw([&](HDC dc) {
    DrawBoxFrame(dc, {framed.Left - picture.Left, framed.Top - picture.Top, framed.Right - picture.Left,
                      framed.Bottom - picture.Top});
  });
  ending_ = RegionEnding::Done;
  takenBox_ = box;
  return picture_.Handle();
}

void CreateCaptureSources() {
  ScreenCapture = std::make_unique<TScreenCapture>();
  ActiveWindowCapture = std::make_unique<TActiveWindowCapture>();
  RegionCapture = std::make_unique<TRegionCapture>();
}

void ReleaseCapturePictures() {
  for (TCaptureSource* source : {static_cast<TCaptureSource*>(ScreenCapture.get()), static_cast<TCaptureSource*>(ActiveWindowCapture.get()),
                            static_cast<TCaptureSource*>(RegionCapture.get())})
    if (source) source->ReleasePicture();
}

void FreeCaptureSources() {
  ScreenCapture.reset();
  ActiveWindowCapture.reset();
  RegionCapture.reset();
}
