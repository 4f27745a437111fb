#include "capture/capture_sources.h"

#include "capture/region_overlay.h"
#include "toolkit/scope_exit.h"

std::unique_ptr<TScreenCapture> ScreenCapture;
std::unique_ptr<TActiveWindowCapture> ActiveWindowCapture;
std::unique_ptr<TRegionCapture> RegionCapture;

TCaptureSource::TCaptureSource() : FScreenDC(GetDC(nullptr)) {}

TCaptureSource::~TCaptureSource() { ReleaseDC(nullptr, FScreenDC); }

void TCaptureSource::CaptureRect(const Rect& rect) {
  FBitmap.SetSize(rect.Width(), rect.Height());
  FBitmap.CopyFrom(FScreenDC, rect.Left, rect.Top);
}

DesktopRectSource DesktopRect = VirtualDesktop;

Rect VirtualDesktop() {
  const int32_t left = GetSystemMetrics(SM_XVIRTUALSCREEN), top = GetSystemMetrics(SM_YVIRTUALSCREEN);
  return {left, top, left + GetSystemMetrics(SM_CXVIRTUALSCREEN), top + GetSystemMetrics(SM_CYVIRTUALSCREEN)};
}

TScreenCapture::TScreenCapture() { FRect = DesktopRect(); }

// The desktop as it is now: monitors and resolutions change while the program runs.
HBITMAP TScreenCapture::Capture() {
  FRect = DesktopRect();
  CaptureRect(FRect);
  return FBitmap.Handle();
}

namespace {

// A window's rectangle as the user sees it. On Windows 10 and 11 GetWindowRect includes invisible
// resize borders; the desktop window manager's frame bounds do not. dwmapi is loaded when first
// needed, so the program starts without it. The bounds are taken only inside the window's
// rectangle: they are always in physical pixels, and a system that runs the program aware of the
// system's DPI only (before Windows 10 1703) gives the rectangle in its own scale.
bool VisibleWindowRect(HWND window, RECT& rect) {
  using GetWindowAttribute = HRESULT(WINAPI*)(HWND, DWORD, void*, DWORD);
  static const GetWindowAttribute getAttribute = [] {
    HMODULE dwm = LoadLibraryExW(L"dwmapi.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    return dwm ? reinterpret_cast<GetWindowAttribute>(
                     reinterpret_cast<void*>(GetProcAddress(dwm, "DwmGetWindowAttribute")))
               : nullptr;
  }();
  if (!GetWindowRect(window, &rect)) return false;
  constexpr DWORD kExtendedFrameBounds = 9;  // DWMWA_EXTENDED_FRAME_BOUNDS
  RECT frame, inside;
  if (getAttribute && SUCCEEDED(getAttribute(window, kExtendedFrameBounds, &frame, sizeof frame)) &&
      !IsRectEmpty(&frame) && IntersectRect(&inside, &frame, &rect) && EqualRect(&inside, &frame))
    rect = frame;
  return true;
}

}  // namespace

HBITMAP TActiveWindowCapture::Capture() {
  HWND window = GetForegroundWindow();
  RECT outer;
  if (!window || !VisibleWindowRect(window, outer) || outer.right <= outer.left || outer.bottom <= outer.top)
    return nullptr;
  FRect = {outer.left, outer.top, outer.right, outer.bottom};
  CaptureRect(FRect);
  return FBitmap.Handle();
}

HBITMAP TRegionCapture::Capture() {
  // The desktop as it stood at the key press, before the overlay covers it.
  TScreenCapture::Capture();
  // The overlay covers exactly the rectangle the picture was taken from.
  auto overlay = std::make_unique<TRegionOverlay>(FRect);
  const ScopeExit freeOverlay([&] { overlay->Destroy(); });  // also when an error leaves this function
  overlay->Create();
  RegionOverlay = overlay.get();

  if (overlay->ShowFrozen(FBitmap.Handle()) != mrOk) return nullptr;
  FBitmap.Assign(overlay->SelectedBitmap());
  return FBitmap.Handle();
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
