// Pins: a region pinned from the overlay, and the clipboard's picture pinned from the tray menu,
// driven as a person does and read back from the screen.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "app/resource.h"
#include "corvix_run.h"
#include "pattern_window.h"

namespace e2e {
namespace {

std::vector<HWND> Pins(const CorvixRun& corvix) {
  std::vector<HWND> pins;
  for (HWND at = GetTopWindow(nullptr); at; at = GetWindow(at, GW_HWNDNEXT)) {
    DWORD pid = 0;
    GetWindowThreadProcessId(at, &pid);
    if (pid == corvix.Pid() && IsWindowVisible(at) && ClassName(at) == L"TCorvixPin") pins.push_back(at);
  }
  return pins;
}

// The screen's pixels in a rectangle, blue, green, red and one unused byte each.
std::vector<uint8_t> ScreenPixels(const RECT& r) {
  const int width = r.right - r.left, height = r.bottom - r.top;
  std::vector<uint8_t> pixels(static_cast<size_t>(width) * height * 4);
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info{{sizeof(BITMAPINFOHEADER), width, -height, 1, 32}};
  void* bits = nullptr;
  HBITMAP dib = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(memory, dib);
  BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY);
  GdiFlush();
  std::memcpy(pixels.data(), bits, pixels.size());
  SelectObject(memory, old);
  DeleteObject(dib);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return pixels;
}

void Wheel(int clicks) {
  INPUT input{INPUT_MOUSE};
  input.mi.dwFlags = MOUSEEVENTF_WHEEL;
  input.mi.mouseData = static_cast<DWORD>(clicks * WHEEL_DELTA);
  SendInput(1, &input, sizeof input);
}

// F3 in the overlay pins the region where it stood, its exact pixels, without taking the focus
// from the window worked in; the pin is in no taskbar, zooms with the wheel and back to the exact
// picture, takes Ctrl+wheel as opacity, copies itself with Ctrl+C and closes with Esc.
TEST(Pins, ARegionPinnedStandsWhereItWasWithItsPixelsZoomsFadesCopiesAndCloses) {
  CorvixRun corvix;
  corvix.WriteOptionIni(L"[Default]\r\nAutoSave=1\r\nExitHint=0\r\n");
  ASSERT_TRUE(corvix.Start());
  RECT inside{}, interior{};
  std::vector<uint8_t> was;  // the pattern's pixels inside the frame line, as the pin must show them
  {
    PatternWindow pattern(120, 120, 500, 400);
    ASSERT_TRUE(WaitFor([&] { return pattern.OnScreen(); }));
    Press(kCtrlF3);
    HWND overlay = corvix.WaitForOverlay();
    ASSERT_NE(overlay, nullptr);
    const RECT box = corvix.SizeBox(overlay, {150, 150}, 300, 200);
    ASSERT_FALSE(IsRectEmpty(&box));
    inside = {box.left + 5, box.top + 5, box.right - 5, box.bottom - 5};
    interior = {inside.left + 1, inside.top + 1, inside.right - 1, inside.bottom - 1};
    const RECT client = pattern.Client();
    for (int y = interior.top; y < interior.bottom; ++y)
      for (int x = interior.left; x < interior.right; ++x) {
        const uint8_t* p = pattern.At(x - client.left, y - client.top);
        was.insert(was.end(), {p[0], p[1], p[2]});
      }
    PressKeys(0, VK_F3);
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(overlay) && Pins(corvix).size() == 1; })) << "no pin";
    pattern.BringToFront();  // the window worked in; the pin stays above it
    SaveScreenshot(corvix.Folder() / L"pin.jpg");
  }
  const auto shows = [&] {  // the screen inside the pin's frame line, without the unused bytes
    std::vector<uint8_t> shown = ScreenPixels(interior);
    for (size_t from = 0, to = 0; from < shown.size(); from += 4, to += 3) std::copy_n(&shown[from], 3, &shown[to]);
    shown.resize(shown.size() / 4 * 3);
    return shown == was;
  };
  const HWND pin = Pins(corvix).front();
  RECT outer{};
  GetWindowRect(pin, &outer);
  EXPECT_EQ(outer.left, inside.left - 1);
  EXPECT_EQ(outer.bottom, inside.bottom + 1);
  const LONG_PTR exStyle = GetWindowLongPtrW(pin, GWL_EXSTYLE);
  EXPECT_TRUE((exStyle & WS_EX_TOOLWINDOW) && (exStyle & WS_EX_TOPMOST) && !(exStyle & WS_EX_APPWINDOW));
  EXPECT_NE(GetForegroundWindow(), pin) << "the pin took the focus";
  // The pattern window has gone from under it: what shows is the pin's own picture.
  EXPECT_TRUE(WaitFor(shows)) << "the pin does not show the region's pixels";

  Click(inside.left + 50, inside.top + 50);  // the pin in front, for the wheel and the keys
  ASSERT_TRUE(WaitFor([&] { return GetForegroundWindow() == pin; }));
  Wheel(-1);
  EXPECT_TRUE(WaitFor([&] {
    GetWindowRect(pin, &outer);
    return outer.right - outer.left == 2 + (inside.right - inside.left) * 90 / 100;
  })) << "the wheel did not zoom to 90 %";
  Wheel(1);
  EXPECT_TRUE(WaitFor([&] {
    GetWindowRect(pin, &outer);
    return outer.left == inside.left - 1 && outer.right == inside.right + 1 && shows();
  })) << "zoomed back, the pin is not the exact picture where it was";
  PressKeys(MOD_CONTROL, 0);  // Ctrl held for the wheel
  INPUT control[2] = {{INPUT_KEYBOARD}, {INPUT_KEYBOARD}};
  control[0].ki.wVk = control[1].ki.wVk = VK_CONTROL;
  control[1].ki.dwFlags = KEYEVENTF_KEYUP;
  SendInput(1, &control[0], sizeof(INPUT));
  Wheel(-2);
  SendInput(1, &control[1], sizeof(INPUT));
  BYTE alpha = 0;
  DWORD flags = 0;
  EXPECT_TRUE(WaitFor([&] { return GetLayeredWindowAttributes(pin, nullptr, &alpha, &flags) && alpha == 80 * 255 / 100; }))
      << "opacity " << static_cast<int>(alpha);
  PressKeys(MOD_CONTROL, 'C');
  BITMAP copied{};
  EXPECT_TRUE(WaitFor([&] {
    if (!OpenClipboard(nullptr)) return false;
    HANDLE held = GetClipboardData(CF_BITMAP);
    const bool read = held && GetObjectW(held, sizeof(copied), &copied);
    CloseClipboard();
    return read && copied.bmWidth == inside.right - inside.left;
  })) << "Ctrl+C put no picture of the pin's size on the clipboard";
  PressKeys(0, VK_ESCAPE);
  EXPECT_TRUE(WaitFor([&] { return Pins(corvix).empty(); })) << "Esc did not close the pin";
}

// The tray menu's entry pins the clipboard's picture, centred; ten pins close at once with
// "关闭全部贴图", which the menu offers only while there is one; a double-click closes one; with no
// picture on the clipboard nothing is pinned.
TEST(Pins, TheClipboardIsPinnedFromTheTrayAndAllPinsCloseAtOnce) {
  CorvixRun corvix;
  corvix.WriteOptionIni(L"[Default]\r\nExitHint=0\r\n");
  ASSERT_TRUE(corvix.Start());
  HDC screen = GetDC(nullptr);
  HBITMAP picture = CreateCompatibleBitmap(screen, 160, 90);
  ReleaseDC(nullptr, screen);
  ASSERT_TRUE(OpenClipboard(nullptr));
  EmptyClipboard();
  SetClipboardData(CF_BITMAP, picture);
  CloseClipboard();
  for (int i = 0; i < 10; ++i) PostMessageW(corvix.MainForm(), WM_COMMAND, IDA_PIN_CLIPBOARD, 0);
  ASSERT_TRUE(WaitFor([&] { return Pins(corvix).size() == 10; })) << Pins(corvix).size() << " pins";
  RECT outer{};
  GetWindowRect(Pins(corvix).front(), &outer);
  EXPECT_EQ(outer.right - outer.left, 162);
  POINT cursor{};
  GetCursorPos(&cursor);
  MONITORINFO monitor{sizeof(monitor)};
  GetMonitorInfoW(MonitorFromPoint(cursor, MONITOR_DEFAULTTONEAREST), &monitor);
  EXPECT_EQ((outer.left + outer.right) / 2, (monitor.rcWork.left + monitor.rcWork.right) / 2);
  PostMessageW(corvix.MainForm(), WM_COMMAND, IDA_CLOSE_PINS, 0);
  EXPECT_TRUE(WaitFor([&] { return Pins(corvix).empty(); }));

  PostMessageW(corvix.MainForm(), WM_COMMAND, IDA_PIN_CLIPBOARD, 0);
  ASSERT_TRUE(WaitFor([&] { return Pins(corvix).size() == 1; }));
  GetWindowRect(Pins(corvix).front(), &outer);
  DoubleClick(outer.left + 20, outer.top + 20);
  EXPECT_TRUE(WaitFor([&] { return Pins(corvix).empty(); })) << "a double-click did not close the pin";

  ASSERT_TRUE(OpenClipboard(nullptr));
  EmptyClipboard();
  CloseClipboard();
  PostMessageW(corvix.MainForm(), WM_COMMAND, IDA_PIN_CLIPBOARD, 0);
  ASSERT_TRUE(corvix.Answers());
  EXPECT_TRUE(Pins(corvix).empty()) << "a pin of nothing";
}

}  // namespace
}  // namespace e2e
