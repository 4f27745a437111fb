// A scrolling capture, as a person takes one: a box round a document window, S, then the wheel or
// 自动滚动 until the end, and the long picture saved. The document window scrolls as a browser does,
// an uneven distance per notch in several small steps, between a fixed header and footer.
#include <gtest/gtest.h>

#include <string>

#include "corvix_run.h"
#include "scrolling_window.h"
#include "support/read_bmp.h"

namespace e2e {
namespace {

constexpr int kInside = 5;  // from the box's edge to its frame line, the region's outermost pixels

class ScrollingCaptureTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(window_.Ready());
    corvix_.WriteOptionIni(L"[Default]\r\nAutoSave=1\r\nDefaultImage=0\r\nExitHint=0\r\n");
    ASSERT_TRUE(corvix_.Start());
  }

  // A box whose frame line lies just round the document window's client area, then S: the panel,
  // once it shows the first read.
  void StartScrolling() {
    Press(kCtrlF3);
    HWND overlay = corvix_.WaitForOverlay();
    ASSERT_TRUE(overlay);
    const RECT client = window_.Client();
    const RECT box = corvix_.SizeBox(overlay, {client.left - kInside, client.top - kInside},
                                     client.right - client.left + 2 * kInside, client.bottom - client.top + 2 * kInside);
    ASSERT_NE(box.right, box.left);
    PressKeys(0, 'S');
    ASSERT_TRUE(WaitFor([&] { return (panel_ = FindProcessWindow(corvix_.Pid(), L"TScrollCaptureForm", L"滚动截图", true)); }));
    ASSERT_TRUE(WaitFor([&] { return Rows() == document_.Height(); })) << Label(false);
    offset_ = 0;
  }
  // The panel's words: the picture's height, or what it says under it.
  std::wstring Label(bool height) const {
    HWND child = FindWindowExW(panel_, nullptr, L"STATIC", nullptr);
    while (child && (WindowText(child).rfind(L"高度：", 0) == 0) != height) child = FindWindowExW(panel_, child, L"STATIC", nullptr);
    return WindowText(child);
  }
  int Rows() const { return std::wcstol(Label(true).c_str() + 3, nullptr, 10); }
  void Click(const wchar_t* caption) const {
    RECT place{};
    GetWindowRect(FindWindowExW(panel_, nullptr, L"BUTTON", caption), &place);
    const int x = (place.left + place.right) / 2, y = (place.top + place.bottom) / 2;
    MouseMoveTo(x, y);
    MouseButton(x, y, true);
    MouseButton(x, y, false);
  }
  // Notches of the wheel with the cursor inside the region, once the document has come to rest
  // and, when `placed`, the picture has taken what it shows.
  void WheelTo(int notches, bool control = false, bool placed = true) {
    const RECT client = window_.Client();
    MouseMoveTo((client.left + client.right) / 2, (client.top + client.bottom) / 2);
    offset_ = std::clamp(offset_ + notches * (control ? 3 * document_.View : ScrollingWindow::kNotch), 0, document_.LastOffset());
    Wheel(-notches, control);  // towards the user: down the document
    ASSERT_TRUE(WaitFor([&] { return window_.Shows(offset_); }))
        << "the document did not scroll to " << offset_ << " but to " << window_.Offset();
    ASSERT_TRUE(!placed || WaitFor([&] { return Rows() >= document_.Height() + offset_; })) << Label(true);
  }
  // The saved picture is the header, the whole document and the footer, row for row.
  void ExpectWholeDocument(const wchar_t* name) const {
    const auto path = corvix_.Folder() / L"Save" / name;
    ASSERT_TRUE(WaitFor([&] { return std::filesystem::is_regular_file(path); })) << "nothing saved";
    const ReadBmp bmp(path);
    ASSERT_TRUE(bmp.ok);
    ASSERT_EQ(bmp.width, document_.Width);
    const std::vector<uint32_t> whole = document_.Expected(document_.Rows());
    ASSERT_EQ(bmp.height, static_cast<int>(whole.size()) / document_.Width);
    for (int y = 0; y < bmp.height; ++y)
      for (int x = 0; x < bmp.width; ++x) {
        const uint8_t* got = bmp.At(x, y);
        ASSERT_EQ(got[2] << 16 | got[1] << 8 | got[0], static_cast<int>(whole[size_t(y) * bmp.width + x])) << "row " << y << ", column " << x;
      }
  }

  CorvixRun corvix_;
  const ScrolledDocument document_ = MakeDocument(400, 1400, 40, 50, 360, 20261209);
  ScrollingWindow window_{40, 60, document_};
  HWND panel_ = nullptr;
  int offset_ = 0;
};

// By the wheel to the end and Enter; from the top again by 自动滚动 clicked with the mouse, and 完成;
// once more, and Esc, which saves nothing. The document window keeps the foreground all the while.
TEST_F(ScrollingCaptureTest, TheWheelOrAutomaticScrollingTakesTheWholeDocumentWithItsBandsOnce) {
  ASSERT_NO_FATAL_FAILURE(StartScrolling());
  EXPECT_EQ(GetForegroundWindow(), window_.Handle());
  while (offset_ < document_.LastOffset()) ASSERT_NO_FATAL_FAILURE(WheelTo(1));
  EXPECT_EQ(Rows(), document_.Header + document_.Rows() + document_.Footer);
  EXPECT_EQ(GetForegroundWindow(), window_.Handle());
  PressKeys(0, VK_RETURN);  // reaches Corvix with the document window in front
  ASSERT_NO_FATAL_FAILURE(ExpectWholeDocument(L"001.bmp"));

  ASSERT_TRUE(window_.ScrollTo(0));
  ASSERT_NO_FATAL_FAILURE(StartScrolling());
  Click(L"自动滚动");
  EXPECT_EQ(GetForegroundWindow(), window_.Handle()) << "the click took the foreground";
  ASSERT_TRUE(WaitFor([&] { return Label(false) == L"已滚动到底部"; }, 60s))
      << Label(false) << " " << Label(true) << ", the document at row " << window_.Offset();
  EXPECT_EQ(GetForegroundWindow(), window_.Handle());
  Click(L"完成");
  ASSERT_NO_FATAL_FAILURE(ExpectWholeDocument(L"002.bmp"));
  EXPECT_EQ(CountVisibleWindows(L"TScrollFrameLine", corvix_.Pid()), 0) << "the frame line stayed";

  ASSERT_NO_FATAL_FAILURE(StartScrolling());
  PressKeys(0, VK_ESCAPE);
  EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(panel_); }));
  // Captures come one after another: had Esc saved, the desktop's file would not be the third.
  Press(kCtrlF1);
  const auto third = corvix_.Folder() / L"Save" / L"003.bmp";
  ASSERT_TRUE(WaitFor([&] { return std::filesystem::is_regular_file(third); }));
  EXPECT_EQ(ReadBmp(third).width, GetSystemMetrics(SM_CXVIRTUALSCREEN));
}

// A jump of three views at once cannot be placed: the panel says so and the picture keeps what it
// had; back up within reach, the capture goes on to the end without a wrong seam.
TEST_F(ScrollingCaptureTest, AStepTooFarIsLeftOutAndTheCaptureGoesOnFromWhereItFits) {
  ASSERT_NO_FATAL_FAILURE(StartScrolling());
  ASSERT_NO_FATAL_FAILURE(WheelTo(1));
  const int before = Rows();
  ASSERT_NO_FATAL_FAILURE(WheelTo(1, true, false));
  ASSERT_TRUE(WaitFor([&] { return Label(false) == L"滚动太快，请往回滚一点"; })) << Label(false);
  EXPECT_EQ(Rows(), before);
  while (offset_ > ScrollingWindow::kNotch + document_.View / 2) ASSERT_NO_FATAL_FAILURE(WheelTo(-1, false, false));
  while (offset_ < document_.LastOffset()) ASSERT_NO_FATAL_FAILURE(WheelTo(1));
  EXPECT_EQ(Label(false), L"");
  PressKeys(0, VK_RETURN);
  ASSERT_NO_FATAL_FAILURE(ExpectWholeDocument(L"001.bmp"));
}

}  // namespace
}  // namespace e2e
