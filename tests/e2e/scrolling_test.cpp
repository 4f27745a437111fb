// A scrolling capture, as a person takes one: a box round a document window, S, then the wheel or
// 自动滚动 until the end, and the long picture saved. The document window scrolls as a browser does,
// an uneven distance per notch in several small steps, between a fixed header and footer.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "corvix_run.h"
#include "scrolling_window.h"
#include "support/read_bmp.h"

namespace e2e {
namespace {

constexpr int kHeader = 40, kView = 360, kFooter = 50, kWidth = 400, kRows = 1400;
constexpr int kInside = 6;  // from the box's edge to the first pixel inside its frame line

class ScrollingCaptureTest : public testing::Test {
 protected:
  void SetUp() override {
    corvix_.WriteOptionIni(L"[Default]\r\nAutoSave=1\r\nDefaultImage=0\r\nExitHint=0\r\n");
    ASSERT_TRUE(corvix_.Start());
  }

  // A box whose frame line lies just round the document window's client area, then S: the panel.
  HWND StartScrolling() {
    Press(kCtrlF3);
    HWND overlay = corvix_.WaitForOverlay();
    if (!overlay) return nullptr;
    const RECT client = window_.Client();
    const RECT box = corvix_.SizeBox(overlay, {client.left - kInside, client.top - kInside},
                                     client.right - client.left + 2 * kInside, client.bottom - client.top + 2 * kInside);
    if (box.right == box.left) return nullptr;
    PressKeys(0, 'S');
    HWND panel = nullptr;
    WaitFor([&] { return (panel = FindProcessWindow(corvix_.Pid(), L"TScrollCaptureForm", L"滚动截图", true)) != nullptr; });
    return panel;
  }
  // The panel's words: its height and what it says under it.
  static std::wstring Label(HWND panel, bool height) {
    HWND child = FindWindowExW(panel, nullptr, L"STATIC", nullptr);
    while (child && (WindowText(child).rfind(L"高度：", 0) == 0) != height) child = FindWindowExW(panel, child, L"STATIC", nullptr);
    return WindowText(child);
  }
  static std::wstring HeightFor(int offset) { return L"高度：" + std::to_wstring(kHeader + offset + kView + kFooter) + L" 像素"; }
  // The picture's height as the panel says it: at least this far down the document.
  static bool Reached(HWND panel, int offset) {
    const std::wstring text = Label(panel, true);
    return text.size() > 3 && std::stoi(text.substr(3)) >= kHeader + offset + kView + kFooter;
  }
  static void Click(HWND panel, const wchar_t* caption) {
    RECT place{};
    GetWindowRect(FindWindowExW(panel, nullptr, L"BUTTON", caption), &place);
    const int x = (place.left + place.right) / 2, y = (place.top + place.bottom) / 2;
    MouseMoveTo(x, y);
    MouseButton(x, y, true);
    MouseButton(x, y, false);
  }
  // Notches of the wheel with the cursor inside the region, once the document has come to rest
  // and the panel has taken what it shows.
  void WheelTo(int notches, bool control = false, bool placed = true) {
    const RECT client = window_.Client();
    MouseMoveTo((client.left + client.right) / 2, (client.top + client.bottom) / 2);
    const int distance = control ? 3 * kView : ScrollingWindow::kNotch;
    offset_ = std::clamp(offset_ + notches * distance, 0, window_.LastOffset());
    Wheel(-notches, control);  // towards the user: down the document
    ASSERT_TRUE(WaitFor([&] { return window_.Shows(offset_); })) << "the document did not scroll to " << offset_;
    if (placed) {
      ASSERT_TRUE(WaitFor([&] { return Reached(panel_, offset_); })) << Label(panel_, true);
    }
  }
  // The saved picture is the header, the whole document and the footer, row for row.
  void ExpectWholeDocument(const wchar_t* name) {
    const auto path = corvix_.Folder() / L"Save" / name;
    ASSERT_TRUE(WaitFor([&] { return std::filesystem::is_regular_file(path); })) << "nothing saved";
    const ReadBmp bmp(path);
    ASSERT_TRUE(bmp.ok);
    ASSERT_EQ(bmp.width, kWidth);
    ASSERT_EQ(bmp.height, window_.WholeHeight());
    const std::vector<uint32_t> whole = window_.Whole();
    for (int y = 0; y < bmp.height; ++y)
      for (int x = 0; x < kWidth; ++x) {
        const uint8_t* got = bmp.At(x, y);
        const uint32_t want = whole[static_cast<size_t>(y) * kWidth + x];
        ASSERT_EQ((got[2] << 16 | got[1] << 8 | got[0]), static_cast<int>(want)) << "row " << y << ", column " << x;
      }
  }

  CorvixRun corvix_;
  ScrollingWindow window_{40, 60, kWidth, kHeader, kView, kFooter, kRows};
  HWND panel_ = nullptr;
  int offset_ = 0;
};

// By the wheel to the end and Enter; then from the top again by 自动滚动 clicked with the mouse,
// and 完成. The document window keeps the foreground all the while.
TEST_F(ScrollingCaptureTest, TheWheelOrAutomaticScrollingTakesTheWholeDocumentWithItsBandsOnce) {
  ASSERT_TRUE(panel_ = StartScrolling());
  EXPECT_EQ(GetForegroundWindow(), window_.Handle());
  ASSERT_TRUE(WaitFor([&] { return Label(panel_, true) == HeightFor(0); })) << Label(panel_, true);
  while (offset_ < window_.LastOffset()) ASSERT_NO_FATAL_FAILURE(WheelTo(1));
  EXPECT_EQ(Label(panel_, true), HeightFor(window_.LastOffset()));
  EXPECT_EQ(GetForegroundWindow(), window_.Handle());
  PressKeys(0, VK_RETURN);  // reaches Corvix with the document window in front
  ASSERT_NO_FATAL_FAILURE(ExpectWholeDocument(L"001.bmp"));

  window_.ScrollTo(offset_ = 0);
  ASSERT_TRUE(panel_ = StartScrolling());
  ASSERT_TRUE(WaitFor([&] { return Label(panel_, true) == HeightFor(0); }));
  Click(panel_, L"自动滚动");
  EXPECT_EQ(GetForegroundWindow(), window_.Handle()) << "the click took the foreground";
  ASSERT_TRUE(WaitFor([&] { return Label(panel_, false) == L"已滚动到底部"; }, 60s)) << Label(panel_, false);
  EXPECT_EQ(Label(panel_, true), HeightFor(window_.LastOffset()));
  EXPECT_EQ(GetForegroundWindow(), window_.Handle());
  Click(panel_, L"完成");
  ASSERT_NO_FATAL_FAILURE(ExpectWholeDocument(L"002.bmp"));
  EXPECT_EQ(CountVisibleWindows(L"TScrollFrameLine", corvix_.Pid()), 0) << "the frame line stayed";
}

// A jump of three views at once cannot be placed: the panel says so and the picture keeps what it
// had; back up within reach, the capture goes on to the end without a wrong seam.
TEST_F(ScrollingCaptureTest, AStepTooFarIsLeftOutAndTheCaptureGoesOnFromWhereItFits) {
  ASSERT_TRUE(panel_ = StartScrolling());
  ASSERT_TRUE(WaitFor([&] { return Label(panel_, true) == HeightFor(0); }));
  ASSERT_NO_FATAL_FAILURE(WheelTo(1));
  const std::wstring before = Label(panel_, true);
  ASSERT_NO_FATAL_FAILURE(WheelTo(1, true, false));
  ASSERT_TRUE(WaitFor([&] { return Label(panel_, false) == L"滚动太快，请往回滚一点"; })) << Label(panel_, false);
  EXPECT_EQ(Label(panel_, true), before);
  while (offset_ > ScrollingWindow::kNotch + kView / 2) ASSERT_NO_FATAL_FAILURE(WheelTo(-1, false, false));
  while (offset_ < window_.LastOffset()) ASSERT_NO_FATAL_FAILURE(WheelTo(1));
  EXPECT_EQ(Label(panel_, true), HeightFor(window_.LastOffset()));
  EXPECT_EQ(Label(panel_, false), L"");
  PressKeys(0, VK_RETURN);
  ASSERT_NO_FATAL_FAILURE(ExpectWholeDocument(L"001.bmp"));
}

}  // namespace
}  // namespace e2e
