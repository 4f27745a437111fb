// PNG as a person chooses it: each hot key writes a numbered .png holding exactly what was on the
// screen.
#include <gtest/gtest.h>

#include "corvix_run.h"
#include "pattern_window.h"
#include "support/decode_png.h"

namespace e2e {
namespace {

DecodedPng ReadPng(const std::filesystem::path& path) {
  const std::string bytes = FileBytes(path);
  return DecodePng({bytes.begin(), bytes.end()});
}

// The pattern's client area pixels that differ in a decoded capture whose top-left is the screen
// point `origin`; every pixel of the area that the capture holds is compared, but for a margin of
// `frame` pixels along its edges.
int Mismatches(const DecodedPng& png, const PatternWindow& pattern, POINT origin, int frame = 0) {
  const RECT client = pattern.Client();
  int wrong = 0;
  for (int y = 0; y < client.bottom - client.top; ++y)
    for (int x = 0; x < client.right - client.left; ++x) {
      const int px = client.left - origin.x + x, py = client.top - origin.y + y;
      if (px < frame || py < frame || px >= png.width - frame || py >= png.height - frame) continue;
      const uint8_t* got = &png.rgb[(static_cast<size_t>(py) * png.width + px) * 3];
      const uint8_t* want = pattern.At(x, y);  // blue, green, red
      wrong += got[0] != want[2] || got[1] != want[1] || got[2] != want[0];
    }
  return wrong;
}

// Corvix saving PNGs automatically, over a pattern window whose pixels are known.
class PngRun : public testing::Test {
 protected:
  void SetUp() override {
    corvix.WriteOptionIni(L"[Default]\r\nAutoSave=1\r\nDefaultImage=2\r\n");
    ASSERT_TRUE(corvix.Start());
    pattern.BringToFront();
  }
  // The region key's overlay, once it is in front; null when it did not come.
  HWND OpenOverlay() {
    Press(kCtrlF3);
    HWND overlay = corvix.WaitForOverlay();
    return overlay && WaitFor([&] { return GetForegroundWindow() == overlay; }) ? overlay : nullptr;
  }
  // Waits for Save\<name>, then checks its size and that it holds the pattern as it stood on the
  // screen, its top-left being the screen point `origin` (`frame`: a margin left unchecked).
  void ExpectPicture(const wchar_t* name, int width, int height, POINT origin, int frame, const char* what) {
    const std::filesystem::path file = corvix.Folder() / L"Save" / name;
    ASSERT_TRUE(WaitFor([&] { return std::filesystem::exists(file); })) << "no file: " << what;
    const DecodedPng png = ReadPng(file);
    ASSERT_TRUE(png.ok) << what;
    EXPECT_EQ(png.width, width) << what;
    EXPECT_EQ(png.height, height) << what;
    EXPECT_EQ(Mismatches(png, pattern, origin, frame), 0) << what;
  }

  CorvixRun corvix;
  PatternWindow pattern{300, 200, 320, 240};
  const RECT client = pattern.Client();
};
using PngCapture = PngRun;
using OverlayKeys = PngRun;
using OverlayReadouts = PngRun;

TEST_F(PngCapture, EachHotKeyWritesAPngOfExactlyWhatWasOnTheScreen) {
  Press(kCtrlF1);
  ExpectPicture(L"001.png", GetSystemMetrics(SM_CXVIRTUALSCREEN), GetSystemMetrics(SM_CYVIRTUALSCREEN), {0, 0}, 0,
                "the whole screen");
  const RECT outer = pattern.Outer();
  Press(kCtrlF2);
  ExpectPicture(L"002.png", outer.right - outer.left, outer.bottom - outer.top, {outer.left, outer.top}, 0,
                "the active window");
  HWND overlay = OpenOverlay();
  ASSERT_NE(overlay, nullptr);
  const RECT box = corvix.MarkRegion(overlay, {client.left + 30, client.top + 40}, 151, 97);
  ASSERT_FALSE(IsRectEmpty(&box)) << "the box did not take the dragged size";
  // Inside the frame; its frame line is not compared.
  ExpectPicture(L"003.png", 151 - 10, 97 - 10, {box.left + 5, box.top + 5}, 1, "the region");
  EXPECT_EQ(FilesIn(corvix.Folder() / L"Save"), 3u);
}

// The box made and accepted with the keyboard alone: Ctrl+arrows size it, arrows move it, Enter
// takes exactly what is inside its frame.
TEST_F(OverlayKeys, ArrowsMoveCtrlArrowsSizeAndEnterAcceptsTheBox) {
  HWND overlay = OpenOverlay();
  ASSERT_NE(overlay, nullptr);
  HWND box = corvix.PlaceBox(overlay, {client.left + 20, client.top + 30});
  ASSERT_NE(box, nullptr);
  RECT placed;
  GetWindowRect(box, &placed);
  struct Step {
    UINT modifiers, key;
    int times;
  };
  // 10 x 10 -> 160 x 110, then 159 wide; moved 3 right and 10 down.
  for (const Step& step : {Step{MOD_CONTROL | MOD_SHIFT, VK_RIGHT, 15}, Step{MOD_CONTROL | MOD_SHIFT, VK_DOWN, 10},
                           Step{MOD_CONTROL, VK_LEFT, 1}, Step{0, VK_RIGHT, 3}, Step{MOD_SHIFT, VK_DOWN, 1}})
    for (int i = 0; i < step.times; ++i) PressKeys(step.modifiers, step.key);
  const RECT expected{placed.left + 3, placed.top + 10, placed.left + 3 + 159, placed.top + 10 + 110};
  RECT now{};
  EXPECT_TRUE(WaitFor([&] { return GetWindowRect(box, &now) && EqualRect(&now, &expected); }))
      << now.left << "," << now.top << "-" << now.right << "," << now.bottom;
  PressKeys(0, VK_RETURN);
  ExpectPicture(L"001.png", 159 - 10, 110 - 10, {expected.left + 5, expected.top + 5}, 1, "the box Enter accepted");
}

RECT ScreenRect(HWND window) {
  RECT r{};
  if (window && IsWindowVisible(window)) GetWindowRect(window, &r);
  return r;
}

// Before the first press a magnifier beside the cursor names its desktop point and flips at the
// screen's edge; with a box, a label above it gives the size of the picture it will take, live
// while a grip is dragged, and the magnifier comes back for the drag.
TEST_F(OverlayReadouts, TheMagnifierFollowsTheCursorAndTheLabelNamesTheBoxSize) {
  HWND overlay = OpenOverlay();
  ASSERT_NE(overlay, nullptr);
  HWND magnifier = FindWindowExW(overlay, nullptr, L"TMagnifier", nullptr);
  ASSERT_NE(magnifier, nullptr) << "no magnifier";
  const int width = GetSystemMetrics(SM_CXSCREEN);
  for (const POINT at : {POINT{400, 300}, POINT{width - 5, 300}}) {
    MouseMoveTo(at.x, at.y);
    const std::wstring where = std::to_wstring(at.x) + L", " + std::to_wstring(at.y);
    ASSERT_TRUE(WaitFor([&] { return WindowText(magnifier) == where; })) << WindowText(magnifier);
    const RECT lens = ScreenRect(magnifier);
    EXPECT_FALSE(PtInRect(&lens, at)) << "the magnifier covers the cursor";
    EXPECT_GE(lens.left, 0);
    EXPECT_LE(lens.right, width);
    EXPECT_LT(std::abs((lens.left + lens.right) / 2 - at.x), 200) << "the magnifier is not beside the cursor";
  }

  HWND box = corvix.PlaceBox(overlay, {client.left + 30, client.top + 40});
  ASSERT_NE(box, nullptr);
  EXPECT_FALSE(IsWindowVisible(magnifier)) << "the magnifier stays once a box is placed";
  HWND label = FindWindowExW(overlay, nullptr, L"TSizeLabel", nullptr);
  ASSERT_NE(label, nullptr) << "no size label";
  EXPECT_EQ(WindowText(label), L"0 x 0");
  RECT placed;
  GetWindowRect(box, &placed);
  const RECT marked{placed.left, placed.top, placed.left + 151, placed.top + 97};
  // While the grip is dragged the label follows the box live and the magnifier the cursor.
  MouseButton(placed.right - 2, placed.bottom - 2, true);
  const DWORD thread = GetWindowThreadProcessId(overlay, nullptr);
  ASSERT_TRUE(WaitFor([&] { return InMoveSizeLoop(thread); }));
  const POINT grip{marked.right - 2, marked.bottom - 2};
  MoveInMoveSizeLoop(grip.x, grip.y);
  const std::wstring cursor = std::to_wstring(grip.x) + L", " + std::to_wstring(grip.y);
  EXPECT_TRUE(WaitFor([&] { return WindowText(label) == L"141 x 87" && WindowText(magnifier) == cursor; }))
      << WindowText(label) << " / " << WindowText(magnifier);
  EXPECT_TRUE(IsWindowVisible(magnifier)) << "no magnifier while a grip is dragged";
  MoveInMoveSizeLoop(grip.x, grip.y, true);
  RECT now{};
  ASSERT_TRUE(WaitFor([&] { return !InMoveSizeLoop(thread) && GetWindowRect(box, &now) && EqualRect(&now, &marked); }));
  EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(magnifier); })) << "the magnifier stays after the drag";
  EXPECT_EQ(WindowText(label), L"141 x 87");
  const RECT tag = ScreenRect(label);
  EXPECT_LE(tag.bottom, marked.top) << "the label is not above the box";
  EXPECT_EQ(tag.left, marked.left);
  PressKeys(0, VK_RETURN);
  ExpectPicture(L"001.png", 151 - 10, 97 - 10, {marked.left + 5, marked.top + 5}, 1, "the box");
}

// A box as tall as the screen leaves the label no room above or below it: it stands inside the
// box at the screen's top. (The picture comes from the frozen copy, which no readout is drawn in.)
TEST_F(OverlayReadouts, WithNoRoomOutsideTheLabelStandsInsideTheBox) {
  HWND overlay = OpenOverlay();
  ASSERT_NE(overlay, nullptr);
  const RECT marked = corvix.SizeBox(overlay, {610, 0}, 151, GetSystemMetrics(SM_CYSCREEN));
  ASSERT_FALSE(IsRectEmpty(&marked)) << "the box did not take the dragged size";
  RECT tag{};  // it follows once the box stands
  EXPECT_TRUE(WaitFor([&] {
    tag = ScreenRect(FindWindowExW(overlay, nullptr, L"TSizeLabel", nullptr));
    return tag.top == marked.top && tag.left == marked.left && tag.bottom > tag.top;
  })) << "the label is not inside the box: " << tag.left << "," << tag.top;
  PressKeys(0, VK_ESCAPE);
}

}  // namespace
}  // namespace e2e
