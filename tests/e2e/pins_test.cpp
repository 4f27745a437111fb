// Pins: a region pinned from the overlay, and the clipboard's picture pinned from the tray menu,
// driven as a person does and read back from the screen and the files.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "app/resource.h"
#include "common/png_encoding.h"
#include "corvix_run.h"
#include "pattern_window.h"
#include "support/read_bmp.h"

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

RECT Outer(HWND window) {
  RECT r{};
  GetWindowRect(window, &r);
  return r;
}

// The screen's blue, green and red in a rectangle, row after row.
std::vector<uint8_t> ScreenBgr(const RECT& r) {
  const int width = r.right - r.left, height = r.bottom - r.top;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info{{sizeof(BITMAPINFOHEADER), width, -height, 1, 32}};
  void* bits = nullptr;
  HBITMAP dib = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(memory, dib);
  BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY);
  GdiFlush();
  std::vector<uint8_t> bgr;
  for (int i = 0; i < width * height; ++i) bgr.insert(bgr.end(), &static_cast<uint8_t*>(bits)[i * 4], &static_cast<uint8_t*>(bits)[i * 4 + 3]);
  SelectObject(memory, old);
  DeleteObject(dib);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return bgr;
}

// How many pixels of a picture (blue, green, red rows) differ from a saved file's, from (left, top).
int WrongInFile(const ReadBmp& bmp, int left, int top, int width, const std::vector<uint8_t>& bgr) {
  int wrong = 0;
  for (size_t i = 0; i < bgr.size() / 3; ++i) {
    const int x = left + static_cast<int>(i) % width, y = top + static_cast<int>(i) / width;
    wrong += !bmp.ok || x >= bmp.width || y >= bmp.height || !std::equal(&bgr[i * 3], &bgr[i * 3 + 3], bmp.At(x, y));
  }
  return wrong;
}

void Wheel(int clicks) {
  INPUT input{INPUT_MOUSE};
  input.mi.dwFlags = MOUSEEVENTF_WHEEL;
  input.mi.mouseData = static_cast<DWORD>(clicks * WHEEL_DELTA);
  SendInput(1, &input, sizeof input);
}

bool MenuOpen(const CorvixRun& corvix) { return FindProcessWindow(corvix.Pid(), L"#32768", L"", true) != nullptr; }

// The entry `down` steps from the top of the open menu, chosen at the keyboard.
void ChooseEntry(int down) {
  for (int i = 0; i < down; ++i) PressKeys(0, VK_DOWN);
  PressKeys(0, VK_RETURN);
}

// F3 in the overlay pins the region where it stood, its exact pixels, without taking the focus from
// the window worked in; the pin is in no taskbar, is dragged, is never what the overlay snaps to
// but is in what it takes, zooms with the wheel and back to the exact picture, takes Ctrl+wheel as
// opacity, copies itself with Ctrl+C (which the tray pins again) and closes with Esc.
TEST(Pins, ARegionPinnedStandsWhereItWasIsDraggedCapturedZoomedFadedCopiedAndClosed) {
  CorvixRun corvix;
  corvix.WriteOptionIni(L"[Default]\r\nAutoSave=1\r\nDefaultImage=0\r\nExitHint=0\r\n");
  ASSERT_TRUE(corvix.Start());
  RECT inside{}, interior{};
  std::vector<uint8_t> was;  // the pattern's pixels inside the frame line, as the pin must show them
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
  // The window worked in, an ordinary one; the pin stays above it.
  SetWindowPos(pattern.Handle(), HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  pattern.BringToFront();
  const HWND pin = Pins(corvix).front();
  RECT outer = Outer(pin);
  EXPECT_EQ(outer.left, inside.left - 1);
  EXPECT_EQ(outer.bottom, inside.bottom + 1);
  const LONG_PTR exStyle = GetWindowLongPtrW(pin, GWL_EXSTYLE);
  EXPECT_TRUE((exStyle & WS_EX_TOOLWINDOW) && (exStyle & WS_EX_TOPMOST) && !(exStyle & WS_EX_APPWINDOW));
  EXPECT_NE(GetForegroundWindow(), pin) << "the pin took the focus";

  const POINT grab{inside.left + 50, inside.top + 50};
  ASSERT_TRUE(DragInMoveSizeLoop(pin, grab, {grab.x + 40, grab.y + 30},
                                 {outer.left + 40, outer.top + 30, outer.right + 40, outer.bottom + 30}));
  OffsetRect(&inside, 40, 30);
  OffsetRect(&interior, 40, 30);
  // Moved over the window it came from, it shows its own pixels, not the window's.
  EXPECT_TRUE(WaitFor([&] { return ScreenBgr(interior) == was; })) << "the pin does not show the region's pixels";
  SaveScreenshot(corvix.Folder() / L"pin.jpg");

  // The overlay snaps to the window under the pin, not to the pin, and takes the pin in.
  const RECT window = pattern.Outer();
  Press(kCtrlF3);
  overlay = corvix.WaitForOverlay();
  ASSERT_NE(overlay, nullptr);
  const POINT middle{(inside.left + inside.right) / 2, (inside.top + inside.bottom) / 2};
  MouseMoveTo(middle.x, middle.y);
  const std::wstring windowSize = std::to_wstring(window.right - window.left) + L" x " + std::to_wstring(window.bottom - window.top);
  EXPECT_TRUE(WaitFor([&] {
    HWND label = FindWindowExW(overlay, nullptr, L"TSizeLabel", nullptr);
    return label && IsWindowVisible(label) && WindowText(label) == windowSize;
  })) << "the overlay does not offer the window under the pin";
  Click(middle.x, middle.y);
  ASSERT_TRUE(WaitFor([&] { return FindWindowExW(overlay, nullptr, L"TSizerControl", nullptr) != nullptr; }));
  DoubleClick(middle.x, middle.y);
  const std::filesystem::path saved = corvix.Folder() / L"Save" / L"001.bmp";
  ASSERT_TRUE(WaitFor([&] { return std::filesystem::is_regular_file(saved) && !IsWindowVisible(overlay); }));
  const ReadBmp bmp(saved);
  EXPECT_EQ(bmp.width, window.right - window.left + 2);
  EXPECT_EQ(WrongInFile(bmp, interior.left - window.left + 1, interior.top - window.top + 1, interior.right - interior.left, was), 0)
      << "the window's picture does not hold the pin";

  Click(inside.left + 50, inside.top + 50);  // the pin in front, for the wheel and the keys
  ASSERT_TRUE(WaitFor([&] { return GetForegroundWindow() == pin; }));
  Wheel(-1);
  EXPECT_TRUE(WaitFor([&] {
    outer = Outer(pin);
    return outer.right - outer.left == 2 + (inside.right - inside.left) * 90 / 100;
  })) << "the wheel did not zoom to 90 %";
  Wheel(1);
  EXPECT_TRUE(WaitFor([&] {
    outer = Outer(pin);
    return outer.left == inside.left - 1 && outer.right == inside.right + 1 && ScreenBgr(interior) == was;
  })) << "zoomed back, the pin is not the exact picture where it was";
  INPUT control[2] = {{INPUT_KEYBOARD}, {INPUT_KEYBOARD}};  // Ctrl held for the wheel
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
  PostMessageW(corvix.MainForm(), WM_COMMAND, IDA_PIN_CLIPBOARD, 0);
  ASSERT_TRUE(WaitFor([&] { return Pins(corvix).size() == 2; })) << "the copy was not pinned again";
  const RECT again = Outer(Pins(corvix).front() == pin ? Pins(corvix).back() : Pins(corvix).front());
  EXPECT_EQ(again.right - again.left, inside.right - inside.left + 2);
  PressKeys(0, VK_ESCAPE);
  EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(pin) && Pins(corvix).size() == 1; })) << "Esc did not close the pin";
}

// The tray menu's entry pins the clipboard's bitmap, centred; ten pins close at once with the menu's
// "关闭全部贴图"; a PNG alone on the clipboard is pinned too, its right-click menu saves it and a
// double-click closes it; with no picture on the clipboard, a balloon says so.
TEST(Pins, TheClipboardIsPinnedFromTheTrayTheMenusSaveAndCloseThemAndNoPictureIsSaid) {
  CorvixRun corvix;
  corvix.WriteOptionIni(L"[Default]\r\nDefaultImage=0\r\nExitHint=0\r\n");
  ASSERT_TRUE(corvix.Start());
  HDC screen = GetDC(nullptr);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, 160, 90);
  ReleaseDC(nullptr, screen);
  ASSERT_TRUE(OpenClipboard(nullptr));
  EmptyClipboard();
  SetClipboardData(CF_BITMAP, bitmap);
  CloseClipboard();
  for (int i = 0; i < 10; ++i) PostMessageW(corvix.MainForm(), WM_COMMAND, IDA_PIN_CLIPBOARD, 0);
  ASSERT_TRUE(WaitFor([&] { return Pins(corvix).size() == 10; })) << Pins(corvix).size() << " pins";
  RECT outer = Outer(Pins(corvix).front());
  EXPECT_EQ(outer.right - outer.left, 162);
  POINT cursor{};
  GetCursorPos(&cursor);
  MONITORINFO monitor{sizeof(monitor)};
  GetMonitorInfoW(MonitorFromPoint(cursor, MONITOR_DEFAULTTONEAREST), &monitor);
  EXPECT_EQ((outer.left + outer.right) / 2, (monitor.rcWork.left + monitor.rcWork.right) / 2);
  PostMessageW(corvix.NotifyWindow(), 0x0800, 1, WM_RBUTTONDOWN);  // the shell's word of a right press
  ASSERT_TRUE(WaitFor([&] { return MenuOpen(corvix); })) << "no tray menu";
  ChooseEntry(2);  // below "贴图（剪贴板）"
  EXPECT_TRUE(WaitFor([&] { return Pins(corvix).empty(); })) << "关闭全部贴图 did not close the ten";

  // A PNG alone, as some programs copy a picture.
  const TestPicture picture(120, 70, 32);
  std::vector<uint8_t> png;
  ASSERT_EQ(EncodePng({120, 70, 32, picture.Pixels(), picture.Stride(), true}, png), 0);
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, png.size());
  std::memcpy(GlobalLock(block), png.data(), png.size());
  GlobalUnlock(block);
  ASSERT_TRUE(OpenClipboard(nullptr));
  EmptyClipboard();
  SetClipboardData(RegisterClipboardFormatW(L"PNG"), block);
  CloseClipboard();
  std::vector<uint8_t> bgr;
  for (int y = 0; y < 70; ++y)
    for (int x = 0; x < 120; ++x) bgr.insert(bgr.end(), picture.Pixels() + y * picture.Stride() + x * 4, picture.Pixels() + y * picture.Stride() + x * 4 + 3);
  PostMessageW(corvix.MainForm(), WM_COMMAND, IDA_PIN_CLIPBOARD, 0);
  ASSERT_TRUE(WaitFor([&] { return Pins(corvix).size() == 1; })) << "the PNG was not pinned";
  outer = Outer(Pins(corvix).front());
  const RECT shown{outer.left + 1, outer.top + 1, outer.right - 1, outer.bottom - 1};
  EXPECT_TRUE(WaitFor([&] { return ScreenBgr(shown) == bgr; })) << "the pin does not show the PNG's pixels";
  Click(outer.left + 30, outer.top + 30, MK_RBUTTON);
  ASSERT_TRUE(WaitFor([&] { return MenuOpen(corvix); })) << "no menu on the pin";
  ChooseEntry(2);  // "另存为..."
  HWND dialog = corvix.WaitForSaveDialog();
  ASSERT_NE(dialog, nullptr);
  const std::filesystem::path saved = corvix.Folder() / L"pin.bmp";
  SetWindowTextW(FileNameField(dialog), saved.c_str());
  PostMessageW(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
  ASSERT_TRUE(WaitFor([&] { return std::filesystem::is_regular_file(saved) && !IsWindow(dialog); }));
  const ReadBmp bmp(saved);
  EXPECT_EQ(bmp.width, 120);
  EXPECT_EQ(WrongInFile(bmp, 0, 0, 120, bgr), 0) << "the saved file is not the pin's picture";
  DoubleClick(outer.left + 20, outer.top + 20);
  EXPECT_TRUE(WaitFor([&] { return Pins(corvix).empty(); })) << "a double-click did not close the pin";

  ASSERT_TRUE(OpenClipboard(nullptr));
  EmptyClipboard();
  CloseClipboard();
  PostMessageW(corvix.MainForm(), WM_COMMAND, IDA_PIN_CLIPBOARD, 0);
  EXPECT_NE(WaitForBalloon([](const BalloonView& view) { return view.Text == L"剪贴板中没有图片"; }).Handle, nullptr);
  EXPECT_TRUE(Pins(corvix).empty()) << "a pin of nothing";
}

}  // namespace
}  // namespace e2e
