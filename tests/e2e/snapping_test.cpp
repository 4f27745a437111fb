// Snapping to windows in the region overlay, with windows the test opens at known places.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "corvix_run.h"
#include "support/read_bmp.h"

namespace e2e {
namespace {

constexpr COLORREF kOutline = RGB(0, 120, 215);

// Windows of one colour each, made and served on a thread of their own.
class TestWindows {
 public:
  struct Window {
    RECT place;        // outer rectangle in screen pixels, or in the parent's client area
    COLORREF colour;
    int parent = -1;   // the index of an earlier window, or -1 for a top-level one
    DWORD exStyle = 0;
    int show = SW_SHOWNOACTIVATE;
  };
  explicit TestWindows(std::vector<Window> wanted) : handles_(wanted.size()) {
    HANDLE ready = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    thread_ = std::thread([&, wanted] {
      WNDCLASSW windowClass{};
      windowClass.lpfnWndProc = Procedure;
      windowClass.hInstance = GetModuleHandleW(nullptr);
      windowClass.lpszClassName = L"CorvixTestSnap";
      RegisterClassW(&windowClass);
      for (size_t i = 0; i < wanted.size(); ++i) {
        const Window& want = wanted[i];
        const bool child = want.parent >= 0;
        HWND window = CreateWindowExW(want.exStyle, L"CorvixTestSnap", L"", child ? WS_CHILD | WS_VISIBLE : WS_POPUP,
                                      want.place.left, want.place.top, want.place.right - want.place.left,
                                      want.place.bottom - want.place.top, child ? handles_[want.parent] : nullptr,
                                      nullptr, GetModuleHandleW(nullptr), nullptr);
        SetWindowLongPtrW(window, GWLP_USERDATA, static_cast<LONG_PTR>(want.colour));
        if (want.exStyle & WS_EX_LAYERED) SetLayeredWindowAttributes(window, 0, 40, LWA_ALPHA);
        if (!child && want.show != SW_HIDE) ShowWindow(window, want.show);
        handles_[i] = window;
      }
      threadId_ = GetCurrentThreadId();
      SetEvent(ready);
      MSG message;
      while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
    });
    WaitForSingleObject(ready, 10000);
    CloseHandle(ready);
  }
  ~TestWindows() {  // the thread's windows go with it
    PostThreadMessageW(threadId_, WM_QUIT, 0, 0);
    thread_.join();
  }
  HWND operator[](size_t i) const { return handles_[i]; }
  RECT Outer(size_t i) const {
    RECT r;
    GetWindowRect(handles_[i], &r);
    return r;
  }

 private:
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != WM_PAINT) return DefWindowProcW(window, message, wParam, lParam);
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    SetDCBrushColor(dc, static_cast<COLORREF>(GetWindowLongPtrW(window, GWLP_USERDATA)));
    FillRect(dc, &paint.rcPaint, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
    EndPaint(window, &paint);
    return 0;
  }
  std::vector<HWND> handles_;
  DWORD threadId_ = 0;
  std::thread thread_;
};

std::wstring SizeOf(const RECT& r) {
  return std::to_wstring(r.right - r.left) + L" x " + std::to_wstring(r.bottom - r.top);
}


class SnappingTest : public testing::Test {
 protected:
  // The overlay of a region key press, in front; the size label it shows while hovering.
  HWND OpenOverlay() {
    EXPECT_TRUE(corvix_.Start());
    Press(kCtrlF3);
    HWND overlay = corvix_.WaitForOverlay();
    EXPECT_TRUE(WaitFor([&] { return GetForegroundWindow() == overlay; }));
    return overlay;
  }
  // What the size label says once the cursor is at (x, y); empty when it is hidden.
  std::wstring HoverLabel(HWND overlay, int x, int y, const std::wstring& expected) {
    MouseMoveTo(x, y);
    std::wstring shown;
    WaitFor([&] {
      HWND label = FindWindowExW(overlay, nullptr, L"TSizeLabel", nullptr);
      shown = label && IsWindowVisible(label) ? WindowText(label) : L"";
      return shown == expected;
    });
    return shown;
  }
  CorvixRun corvix_;
};

// A window with a panel holding a control: the control under the cursor is outlined first, the
// wheel goes up to the panel and the window, C copies the frozen pixel's colour in the form Shift
// chooses, and a click takes the window's exact pixels (then, with no magnifier, C copies nothing).
TEST_F(SnappingTest, HoverOutlinesTheControlTheWheelGoesUpCCopiesItsColourAndAClickTakesTheWindow) {
  corvix_.WriteOptionIni(L"[Default]\r\nAutoSave=1\r\nDefaultImage=0\r\n");
  TestWindows windows({{{300, 200, 640, 440}, RGB(230, 200, 40)},
                       {{20, 20, 320, 220}, RGB(40, 160, 90), 0},
                       {{30, 40, 150, 100}, RGB(200, 60, 60), 1}});
  const RECT window = windows.Outer(0), panel = windows.Outer(1), control = windows.Outer(2);
  ASSERT_TRUE(WaitFor([&] {
    return ScreenPixel(window.left + 5, window.top + 5) == RGB(230, 200, 40) &&
           ScreenPixel(panel.left + 5, panel.top + 5) == RGB(40, 160, 90) &&
           ScreenPixel(control.left + 5, control.top + 5) == RGB(200, 60, 60);
  })) << "the windows are not on the screen";
  std::vector<COLORREF> before;  // the screen as the picture will freeze it
  for (int y = window.top; y < window.bottom; y += 7)
    for (int x = window.left; x < window.right; x += 7) before.push_back(ScreenPixel(x, y));

  HWND overlay = OpenOverlay();
  ASSERT_NE(overlay, nullptr);
  const POINT inControl{control.left + 50, control.top + 30};
  EXPECT_EQ(HoverLabel(overlay, inControl.x, inControl.y, SizeOf(control)), SizeOf(control));
  EXPECT_EQ(ScreenPixel(control.left, control.top + 20), kOutline) << "no outline along the control's edge";
  EXPECT_EQ(ScreenPixel(control.left + 1, control.top + 20), kOutline) << "the outline is not 2 pixels wide";
  EXPECT_NE(ScreenPixel(control.left + 2, control.top + 20), kOutline);
  PressKeys(0, 'C');
  EXPECT_TRUE(WaitFor([] { return ClipboardText() == L"#C83C3C"; })) << ClipboardText();
  PressKeys(0, VK_SHIFT);
  PressKeys(0, 'C');
  EXPECT_TRUE(WaitFor([] { return ClipboardText() == L"RGB(200, 60, 60)"; })) << ClipboardText();
  // A touchpad's parts of a click add up to one level, which a click back down undoes.
  for (int part = 0; part < 3; ++part) WheelBy(WHEEL_DELTA / 3);
  EXPECT_EQ(HoverLabel(overlay, inControl.x, inControl.y, SizeOf(panel)), SizeOf(panel))
      << "the parts did not go up one level, or each went up one";
  Wheel(-1);
  EXPECT_EQ(HoverLabel(overlay, inControl.x, inControl.y, SizeOf(control)), SizeOf(control));
  Wheel(1);
  EXPECT_EQ(HoverLabel(overlay, inControl.x, inControl.y, SizeOf(panel)), SizeOf(panel));
  Wheel(5);
  EXPECT_EQ(HoverLabel(overlay, inControl.x, inControl.y, SizeOf(window)), SizeOf(window));
  EXPECT_NE(ScreenPixel(control.left, control.top + 20), kOutline) << "the control's outline stayed";
  Wheel(-1);
  EXPECT_EQ(HoverLabel(overlay, inControl.x, inControl.y, SizeOf(panel)), SizeOf(panel));
  // The window's outermost pixels take the window.
  EXPECT_EQ(HoverLabel(overlay, window.left, window.top + 100, SizeOf(window)), SizeOf(window));

  Click(window.left, window.top + 100);
  HWND box = nullptr;
  ASSERT_TRUE(WaitFor([&] { return (box = FindWindowExW(overlay, nullptr, L"TSizerControl", nullptr)) != nullptr; }));
  RECT boxRect;
  GetWindowRect(box, &boxRect);
  EXPECT_EQ(boxRect.left, window.left - 6);
  EXPECT_EQ(boxRect.bottom, window.bottom + 6);
  OpenClipboard(nullptr);
  EmptyClipboard();
  CloseClipboard();
  PressKeys(0, 'C');
  DoubleClick((window.left + window.right) / 2, (window.top + window.bottom) / 2);
  const std::filesystem::path saved = corvix_.Folder() / L"Save" / L"001.bmp";
  ASSERT_TRUE(WaitFor([&] { return std::filesystem::is_regular_file(saved); }));
  EXPECT_EQ(ClipboardText(), L"") << "C copied with no magnifier";
  const ReadBmp bmp(saved);
  ASSERT_TRUE(bmp.ok);
  ASSERT_EQ(bmp.width, window.right - window.left + 2);
  ASSERT_EQ(bmp.height, window.bottom - window.top + 2);
  const uint8_t* corner = bmp.At(0, 0);
  EXPECT_TRUE(corner[0] == 255 && corner[1] == 0 && corner[2] == 0) << "no blue frame line";
  int wrong = 0;
  size_t at = 0;
  for (int y = 0; y < window.bottom - window.top; y += 7)
    for (int x = 0; x < window.right - window.left; x += 7, ++at) {
      const uint8_t* got = bmp.At(x + 1, y + 1);
      wrong += RGB(got[2], got[1], got[0]) != before[at];
    }
  EXPECT_EQ(wrong, 0) << "inside the frame line the picture is not the window's pixels";
}

// Only what the screen showed is outlined: a topmost window over the one below, never a
// click-through layer over everything, a minimised or a hidden window; a window partly off the
// desktop is clipped to it, and one that closes once the overlay is up stays as it was. A press
// takes the window under it.
TEST_F(SnappingTest, OnlyWhatTheScreenShowedIsOutlinedAsItWas) {
  const int width = GetSystemMetrics(SM_CXVIRTUALSCREEN);
  TestWindows windows({{{200, 150, 700, 500}, RGB(90, 90, 200)},                           // 0 below
                       {{300, 250, 420, 330}, RGB(250, 140, 0), -1, WS_EX_TOPMOST},         // 1 topmost
                       {{0, 0, width, 800}, RGB(0, 0, 0), -1, WS_EX_LAYERED | WS_EX_TRANSPARENT | WS_EX_TOPMOST},
                       {{800, 150, 950, 250}, RGB(0, 200, 0), -1, 0, SW_MINIMIZE},          // 3
                       {{800, 300, 950, 400}, RGB(0, 200, 200), -1, 0, SW_HIDE},            // 4
                       {{width - 100, 500, width + 200, 600}, RGB(200, 0, 200)},            // 5 partly off
                       {{800, 450, 980, 560}, RGB(120, 60, 30)}});                          // 6 closes
  const RECT below = windows.Outer(0), topmost = windows.Outer(1), closing = windows.Outer(6);
  HWND overlay = OpenOverlay();
  ASSERT_NE(overlay, nullptr);
  // Listed first (the outline shows it), then closed.
  ASSERT_EQ(HoverLabel(overlay, 890, 500, SizeOf(closing)), SizeOf(closing)) << "the window to close was not listed";
  PostMessageW(windows[6], WM_CLOSE, 0, 0);
  ASSERT_TRUE(WaitFor([&] { return !IsWindow(windows[6]); }));

  EXPECT_EQ(HoverLabel(overlay, 350, 280, SizeOf(topmost)), SizeOf(topmost)) << "the topmost window";
  EXPECT_EQ(HoverLabel(overlay, 600, 450, SizeOf(below)), SizeOf(below)) << "under the click-through layer";
  EXPECT_EQ(HoverLabel(overlay, 870, 200, L""), L"") << "the minimised window's place";
  EXPECT_EQ(HoverLabel(overlay, 870, 350, L""), L"") << "the hidden window";
  EXPECT_EQ(HoverLabel(overlay, width - 50, 550, L"100 x 100"), L"100 x 100") << "clipped to the desktop";
  EXPECT_EQ(HoverLabel(overlay, 890, 500, SizeOf(closing)), SizeOf(closing)) << "the window closed since";
  // A press with no move before it (a pen, a touch) takes the window under it, not the one outlined.
  PostMessageW(overlay, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(350, 280));
  PostMessageW(overlay, WM_LBUTTONUP, 0, MAKELPARAM(350, 280));
  HWND box = nullptr;
  ASSERT_TRUE(WaitFor([&] { return (box = FindWindowExW(overlay, nullptr, L"TSizerControl", nullptr)) != nullptr; }));
  RECT boxRect;
  GetWindowRect(box, &boxRect);
  EXPECT_EQ(boxRect.left, topmost.left - 6) << "the press took the window outlined before it";
  EXPECT_EQ(boxRect.bottom, topmost.bottom + 6);
  PressKeys(0, VK_ESCAPE);
  EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(overlay); }));
}

}  // namespace
}  // namespace e2e
