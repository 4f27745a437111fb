// The region overlay under Wine, driven with real mouse and key input from a helper thread.
#include "overlay/region_overlay.h"

#include <gtest/gtest.h>

#include <functional>
#include <thread>

#include "support/test_picture.h"
#include "support/windows.h"

namespace {

using namespace testsupport;

// Blue, green, red of a pixel of a 32-bit picture held in memory top-down.
struct Bgr {
  uint8_t b, g, r;
  bool operator==(const Bgr&) const = default;
};

struct OverlayRun {
  int result = 0;
  Rect box;           // the box just before the overlay closed (empty: no box)
  int boxes = 0;      // selection boxes on the overlay
  int width = 0, height = 0;
  std::vector<Bgr> pixels;  // the accepted picture, top-down
  Bgr At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

class OverlayTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (!Application.Handle()) Application.Initialize(GetModuleHandleW(nullptr));
  }

  OverlayTest() : width_(GetSystemMetrics(SM_CXVIRTUALSCREEN)), height_(GetSystemMetrics(SM_CYVIRTUALSCREEN)),
                  picture_(width_, height_, 32) {
    BITMAPINFOHEADER header{sizeof header, width_, -height_, 1, 32, BI_RGB};
    void* bits = nullptr;
    frozen_ = CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS, &bits, nullptr, 0);
    std::copy(picture_.Pixels(), picture_.Pixels() + picture_.Stride() * height_, static_cast<uint8_t*>(bits));
  }
  ~OverlayTest() override { DeleteObject(frozen_); }

  Bgr PictureAt(int x, int y) const {
    const uint8_t* at = picture_.Pixels() + y * picture_.Stride() + x * 4;
    return {at[0], at[1], at[2]};
  }

  // Shows a fresh overlay over the picture while `user` acts from another thread. The script's own
  // input must end the overlay (Esc, a double-click that accepts). Should it not, the overlay is
  // still closed from outside, so the next test starts clean, and the test fails.
  OverlayRun Run(const std::function<void()>& user) {
    auto form = std::make_unique<TRegionOverlay>();
    form->Create();
    RegionOverlay = form.get();
    OverlayRun run;
    bool ready = false, endedByScript = false;
    std::thread person([&] {
      ready = WaitFor([&] { return form->Visible() && GetForegroundWindow() == form->Handle(); }, 5s);
      user();
      endedByScript = WaitFor([&] { return form->ModalResult != mrNone; }, 5s);
      if (!endedByScript) {
        MouseButton(10, 10, false);  // a button the script may have left down
        PostMessageW(form->Handle(), WM_CLOSE, 0, 0);
      }
    });
    run.result = form->ShowFrozen(frozen_);
    person.join();
    EXPECT_TRUE(ready) << "the overlay did not come to the front";
    EXPECT_TRUE(endedByScript) << "the script's input did not end the overlay; it was closed from outside";
    for (HWND child = GetWindow(form->Handle(), GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
      run.boxes += ClassName(child) == L"TSizerControl";
    if (form->Box()) run.box = form->Box()->BoundsInOwner();
    if (run.result == mrOk) ReadSelection(form->SelectedBitmap(), run);
    form->Destroy();
    EXPECT_EQ(form->Box(), nullptr) << "the box outlived its overlay";
    return run;
  }

  static void ReadSelection(HBITMAP bitmap, OverlayRun& run) {
    BITMAP shape{};
    GetObjectW(bitmap, sizeof shape, &shape);
    run.width = shape.bmWidth;
    run.height = shape.bmHeight;
    BITMAPINFOHEADER header{sizeof header, run.width, -run.height, 1, 32, BI_RGB};
    std::vector<uint8_t> bytes(static_cast<size_t>(run.width) * run.height * 4);
    HDC screen = GetDC(nullptr);
    GetDIBits(screen, bitmap, 0, static_cast<UINT>(run.height), bytes.data(), reinterpret_cast<BITMAPINFO*>(&header),
              DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    for (size_t i = 0; i < bytes.size(); i += 4) run.pixels.push_back({bytes[i], bytes[i + 1], bytes[i + 2]});
  }

  int width_, height_;
  TestPicture picture_;
  HBITMAP frozen_ = nullptr;
};

// The live overlay's box, for the scripts.
const TSelectionBox* SelectionBox() { return RegionOverlay ? RegionOverlay->Box() : nullptr; }

// A box at (200, 150) grown to 162 x 122 by its bottom-right grip; false when it was not. (Scripts
// run on a thread of their own: they note what happened, the test checks it.)
bool PlaceAndGrow() {
  Click(200, 150);
  return WaitFor([] { return SelectionBox() != nullptr && IsWindowVisible(SelectionBox()->Handle()); }) &&
         DragInMoveSizeLoop(SelectionBox()->Handle(), {208, 158}, {360, 270}, {200, 150, 362, 272});
}

TEST_F(OverlayTest, EscAtOnceCancels) {
  const OverlayRun run = Run([] { PressKeys(0, VK_ESCAPE); });
  EXPECT_EQ(run.result, mrCancel);
  EXPECT_EQ(run.boxes, 0);
}

TEST_F(OverlayTest, AnyButtonPlacesOneTenByTenBoxAtThePressAndEscCancels) {
  const OverlayRun run = Run([] {
    Click(300, 200, MK_RBUTTON);
    WaitFor([] { return SelectionBox() != nullptr; });
    Click(600, 500);  // a second press places no second box; input is taken in order, Esc after it
    PressKeys(0, VK_ESCAPE);
  });
  EXPECT_EQ(run.result, mrCancel);
  EXPECT_EQ(run.boxes, 1);
  EXPECT_EQ(run.box, (Rect{300, 200, 310, 210}));
}

TEST_F(OverlayTest, AGripDragResizesAndAnInsideDragMovesWithoutResizing) {
  Rect grown, moved;
  bool grew = false, wasMoved = false;
  const OverlayRun run = Run([&] {
    if ((grew = PlaceAndGrow())) {
      grown = SelectionBox()->BoundsInOwner();
      const int x = grown.Left + grown.Width() / 2, y = grown.Top + grown.Height() / 2;
      wasMoved = DragInMoveSizeLoop(SelectionBox()->Handle(), {x, y}, {x + 100, y + 60},
                                    {grown.Left + 100, grown.Top + 60, grown.Right + 100, grown.Bottom + 60});
      moved = SelectionBox()->BoundsInOwner();
    }
    PressKeys(0, VK_ESCAPE);
  });
  EXPECT_TRUE(grew) << "the grip did not size the box";
  EXPECT_TRUE(wasMoved) << "the inside did not move the box";
  EXPECT_EQ(run.result, mrCancel);
  EXPECT_EQ(grown.Left, 200);
  EXPECT_EQ(grown.Top, 150);
  EXPECT_EQ(grown.Right, 362);
  EXPECT_EQ(grown.Bottom, 272);
  EXPECT_EQ(moved.Left, grown.Left + 100);
  EXPECT_EQ(moved.Top, grown.Top + 60);
  EXPECT_EQ(moved.Width(), grown.Width()) << "moving changed the width";
  EXPECT_EQ(moved.Height(), grown.Height());
}

TEST_F(OverlayTest, ADoubleClickOnAGripDoesNotAccept) {
  bool grew = false;
  const OverlayRun run = Run([&] {
    if ((grew = PlaceAndGrow())) {
      const Rect box = SelectionBox()->BoundsInOwner();
      DoubleClick(box.Right - 2, box.Bottom - 2);
    }
    PressKeys(0, VK_ESCAPE);
  });
  EXPECT_TRUE(grew) << "the grip did not size the box";
  EXPECT_EQ(run.result, mrCancel);
}

TEST_F(OverlayTest, ADoubleClickOnATenByTenBoxIsIgnoredTheBoxStays) {
  const OverlayRun run = Run([] {
    Click(300, 200);
    WaitFor([] { return SelectionBox() != nullptr && IsWindowVisible(SelectionBox()->Handle()); });
    DoubleClick(305, 205);
    PressKeys(0, VK_ESCAPE);
  });
  EXPECT_EQ(run.result, mrCancel);
  EXPECT_EQ(run.boxes, 1);
}

// A drag on the frozen picture draws the box from the press to the cursor while the button is down,
// the size label naming its picture and the magnifier at the cursor; the box then stays, and a
// double-click with a drawing tool draws with the drag that follows it.
TEST_F(OverlayTest, ADragDrawsTheBoxAndADoubleClickWithAToolDrawsItsDrag) {
  bool followed = false, labelled = false, magnified = false, stayed = false;
  Rect box;
  const OverlayRun run = Run([&] {
    HWND overlay = RegionOverlay->Handle();
    const auto shown = [&](const wchar_t* readout) {
      HWND window = FindWindowExW(overlay, nullptr, readout, nullptr);
      return window && IsWindowVisible(window);
    };
    MouseMoveTo(200, 150);  // the pointer settled first: late reports of a jump would pull it back
    WaitFor([] {
      POINT at{};
      return GetCursorPos(&at) && at.x == 200 && at.y == 150;
    });
    MouseButton(200, 150, true);
    MouseMoveTo(260, 190);
    MouseMoveTo(400, 300);
    followed = WaitFor([] { return SelectionBox() && SelectionBox()->BoundsInOwner() == Rect{200, 150, 400, 300}; });
    labelled = WaitFor([&] { return shown(L"TSizeLabel") && WindowText(FindWindowExW(overlay, nullptr, L"TSizeLabel", nullptr)) == L"190 x 140"; });
    magnified = WaitFor([&] { return shown(L"TMagnifier"); });
    MouseButton(400, 300, false);
    stayed = WaitFor([&] { return !shown(L"TMagnifier"); }) && SelectionBox()->BoundsInOwner() == Rect{200, 150, 400, 300};
    box = SelectionBox()->BoundsInOwner();
    PressKeys(0, 'R');
    MouseButton(250, 200, true);
    MouseButton(250, 200, false);
    MouseButton(250, 200, true);  // the double-click's press
    MouseMoveTo(280, 220);
    MouseMoveTo(300, 240);
    MouseButton(300, 240, false);
    PressKeys(0, VK_RETURN);
  });
  EXPECT_TRUE(followed) << "the box did not follow the drag";
  EXPECT_TRUE(labelled) << "the size label did not name the box's picture";
  EXPECT_TRUE(magnified) << "no magnifier while drawing the box";
  EXPECT_TRUE(stayed) << "the box did not stay where it was drawn, or the magnifier stayed";
  ASSERT_EQ(run.result, mrOk);
  // The rectangle's right edge where the drag ended, in the picture inside the frame line.
  const Bgr edge = run.At(300 - box.Left - 5, 220 - box.Top - 5);
  EXPECT_TRUE(edge.r > 200 && edge.g < 80) << "the double-click's drag drew nothing";
}

struct AcceptCase {
  const char* name;
  int dx, dy;  // where the double-click lands, from the box's top-left (negative: from its far side)
};

class OverlayAcceptTest : public OverlayTest, public testing::WithParamInterface<AcceptCase> {};

TEST_P(OverlayAcceptTest, ADoubleClickAcceptsTheFramedRegionAsShown) {
  Rect box;
  bool grew = false;
  const OverlayRun run = Run([&] {
    if (!(grew = PlaceAndGrow())) {
      PressKeys(0, VK_ESCAPE);
      return;
    }
    box = SelectionBox()->BoundsInOwner();
    const int x = GetParam().dx >= 0 ? box.Left + GetParam().dx : box.Right + GetParam().dx;
    const int y = GetParam().dy >= 0 ? box.Top + GetParam().dy : box.Bottom + GetParam().dy;
    DoubleClick(x, y);
  });
  ASSERT_TRUE(grew) << "the grip did not size the box";
  ASSERT_EQ(run.result, mrOk);
  ASSERT_EQ(run.width, box.Width() - 10);
  ASSERT_EQ(run.height, box.Height() - 10);
  const Bgr blue{255, 0, 0};
  // The outermost rows and columns are the blue frame; the rest is the picture where it lay.
  EXPECT_EQ(run.At(0, 0), blue);
  EXPECT_EQ(run.At(run.width - 1, run.height / 2), blue);
  EXPECT_EQ(run.At(run.width / 2, run.height - 1), blue);
  int wrong = 0;
  for (int y = 1; y < run.height - 1; ++y)
    for (int x = 1; x < run.width - 1; ++x) wrong += !(run.At(x, y) == PictureAt(box.Left + 5 + x, box.Top + 5 + y));
  EXPECT_EQ(wrong, 0) << "pixels inside the frame differ from the frozen picture";
}

INSTANTIATE_TEST_SUITE_P(Places, OverlayAcceptTest,
                         testing::Values(AcceptCase{"Inside", 60, 50}, AcceptCase{"BandBetweenGrips", 20, 2},
                                         AcceptCase{"RightBand", -2, 20}),
                         [](const testing::TestParamInfo<AcceptCase>& param) { return param.param.name; });

}  // namespace
