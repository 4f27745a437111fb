// The capture sources against Wine's real screen.
#include "capture/capture_sources.h"

#include <gtest/gtest.h>

#include <thread>

#include "overlay/region_overlay.h"
#include "toolkit/scope_exit.h"

#include "support/windows.h"
#include "toolkit/forms.h"

namespace {

BITMAP Shape(HBITMAP bitmap) {
  BITMAP shape{};
  GetObjectW(bitmap, sizeof shape, &shape);
  return shape;
}

TEST(CaptureSources, TheScreenSourceReusesOneBitmapOfTheVirtualDesktopsSize) {
  TScreenCapture source;
  HBITMAP first = source.Capture();
  HBITMAP second = source.Capture();
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first, second) << "a capture made a new bitmap";
  const BITMAP shape = Shape(first);
  EXPECT_EQ(shape.bmWidth, GetSystemMetrics(SM_CXVIRTUALSCREEN));
  EXPECT_EQ(shape.bmHeight, GetSystemMetrics(SM_CYVIRTUALSCREEN));
  HDC screen = GetDC(nullptr);
  EXPECT_EQ(shape.bmBitsPixel, GetDeviceCaps(screen, BITSPIXEL)) << "not the screen's own depth";
  ReleaseDC(nullptr, screen);
}

TEST(CaptureSources, TheWindowSourceTakesTheForegroundWindowsOuterRectangle) {
  if (!Application.Handle()) Application.Initialize(GetModuleHandleW(nullptr));
  HWND window = CreateWindowExW(WS_EX_TOPMOST, L"STATIC", L"front", WS_POPUP | WS_CAPTION | WS_VISIBLE, 200, 150, 333,
                                222, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  SetForegroundWindow(window);
  ASSERT_TRUE(testsupport::WaitFor([&] { return GetForegroundWindow() == window; }, std::chrono::milliseconds(3000)));
  TActiveWindowCapture source;
  HBITMAP picture = source.Capture();
  ASSERT_NE(picture, nullptr);
  EXPECT_EQ(Shape(picture).bmWidth, 333);
  EXPECT_EQ(Shape(picture).bmHeight, 222);
  DestroyWindow(window);
}

// The desktop changes (a monitor added, a resolution changed): each capture reads it afresh, and
// the region overlay covers exactly what its picture was taken from.
TEST(CaptureSources, EachCaptureReadsTheDesktopAsItIsNowAndTheOverlayAgrees) {
  if (!Application.Handle()) Application.Initialize(GetModuleHandleW(nullptr));
  static Rect desktop;
  DesktopRect = [] { return desktop; };
  const ScopeExit restore([] { DesktopRect = VirtualDesktop; });
  desktop = {0, 0, 640, 400};
  TScreenCapture screen;
  EXPECT_EQ(Shape(screen.Capture()).bmWidth, 640);
  desktop = {100, 50, 900, 650};
  const BITMAP shape = Shape(screen.Capture());
  EXPECT_EQ(shape.bmWidth, 800);
  EXPECT_EQ(shape.bmHeight, 600);

  TRegionCapture region;
  RECT covered{};
  std::thread person([&] {
    testsupport::WaitFor([&] { return RegionOverlay && RegionOverlay->Visible(); });
    if (!RegionOverlay) return;
    GetWindowRect(RegionOverlay->Handle(), &covered);
    PostMessageW(RegionOverlay->Handle(), WM_KEYDOWN, VK_ESCAPE, 0);
  });
  EXPECT_EQ(region.Capture(), nullptr);
  person.join();
  EXPECT_EQ(covered.left, 100);
  EXPECT_EQ(covered.top, 50);
  EXPECT_EQ(covered.right, 900);
  EXPECT_EQ(covered.bottom, 650);
}

}  // namespace
