// A scrolling capture, as a person takes one: a box round a document window, S, then the wheel or
// 自动滚动 until the end, and the long picture saved. The document window scrolls as a browser does,
// an uneven distance per notch in several small steps, between a fixed header and footer.
#include <gtest/gtest.h>

#include <string>

#include "corvix_run.h"
#include "scroll_panel_view.h"
#include "scrolling_window.h"
#include "support/read_bmp.h"

namespace e2e {
namespace {

class ScrollingCaptureTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(window_.Ready());
    corvix_.WriteOptionIni(L"[Default]\r\nAutoSave=1\r\nDefaultImage=0\r\nExitHint=0\r\n");
    ASSERT_TRUE(corvix_.Start());
  }

  // A box round the document window's client area, then S: the panel, once it shows the first read.
  void StartScrolling() {
    panel_ = std::make_unique<ScrollPanelView>(corvix_, window_.Client());
    ASSERT_TRUE(panel_->Panel());
    ASSERT_TRUE(WaitFor([&] { return panel_->Rows() == document_.Height(); })) << panel_->Said();
    offset_ = 0;
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
    ASSERT_TRUE(!placed || WaitFor([&] { return panel_->Rows() >= document_.Height() + offset_; })) << panel_->Rows();
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
        if (!window_.Animated(x, y - document_.Header)) {
          ASSERT_EQ(got[2] << 16 | got[1] << 8 | got[0], static_cast<int>(whole[size_t(y) * bmp.width + x])) << "row " << y << ", column " << x;
        }
      }
  }

  CorvixRun corvix_;
  const ScrolledDocument document_ = MakeDocument(400, 1400, 40, 50, 360, 20261209);
  ScrollingWindow window_{40, 60, document_};
  std::unique_ptr<ScrollPanelView> panel_;
  int offset_ = 0;
};

// By the wheel to the end and Enter; from the top again by 自动滚动 clicked with the mouse, and 完成;
// once more, and Esc, which saves nothing. The document window keeps the foreground all the while.
TEST_F(ScrollingCaptureTest, TheWheelOrAutomaticScrollingTakesTheWholeDocumentWithItsBandsOnce) {
  ASSERT_NO_FATAL_FAILURE(StartScrolling());
  EXPECT_EQ(GetForegroundWindow(), window_.Handle());
  while (offset_ < document_.LastOffset()) ASSERT_NO_FATAL_FAILURE(WheelTo(1));
  EXPECT_EQ(panel_->Rows(), document_.Header + document_.Rows() + document_.Footer);
  EXPECT_EQ(GetForegroundWindow(), window_.Handle());
  PressKeys(0, VK_RETURN);  // reaches Corvix with the document window in front
  ASSERT_NO_FATAL_FAILURE(ExpectWholeDocument(L"001.bmp"));

  ASSERT_TRUE(window_.ScrollTo(0));
  ASSERT_NO_FATAL_FAILURE(StartScrolling());
  panel_->Click(L"自动滚动");
  EXPECT_EQ(GetForegroundWindow(), window_.Handle()) << "the click took the foreground";
  ASSERT_TRUE(WaitFor([&] { return panel_->Said() == L"已滚动到底部"; }, 60s))
      << panel_->Said() << " " << panel_->Rows() << ", the document at row " << window_.Offset();
  EXPECT_EQ(GetForegroundWindow(), window_.Handle());
  panel_->Click(L"完成");
  ASSERT_NO_FATAL_FAILURE(ExpectWholeDocument(L"002.bmp"));
  EXPECT_EQ(CountVisibleWindows(L"TScrollFrameLine", corvix_.Pid()), 0) << "the frame line stayed";

  ASSERT_NO_FATAL_FAILURE(StartScrolling());
  PressKeys(0, VK_ESCAPE);
  EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(panel_->Panel()); }));
  // Captures come one after another: had Esc saved, the desktop's file would not be the third.
  Press(kCtrlF1);
  const auto third = corvix_.Folder() / L"Save" / L"003.bmp";
  ASSERT_TRUE(WaitFor([&] { return std::filesystem::is_regular_file(third); }));
  EXPECT_EQ(ReadBmp(third).width, GetSystemMetrics(SM_CXVIRTUALSCREEN));
}

// A 200 x 60 block of the document that changes every 150 ms, as a video does: 自动滚动 still
// comes to rest beside it after each step and goes to the end; the block holds one of its frames.
TEST_F(ScrollingCaptureTest, AutomaticScrollingGoesToTheEndBesideAnAnimation) {
  window_.Animate({100, 500, 300, 560});
  ASSERT_NO_FATAL_FAILURE(StartScrolling());
  panel_->Click(L"自动滚动");
  ASSERT_TRUE(WaitFor([&] { return panel_->Said() == L"已滚动到底部"; }, 60s))
      << panel_->Said() << " " << panel_->Rows() << ", the document at row " << window_.Offset();
  panel_->Click(L"完成");
  ASSERT_NO_FATAL_FAILURE(ExpectWholeDocument(L"001.bmp"));
}

// A jump of three views at once cannot be placed: the panel says so and the picture keeps what it
// had; back up within reach, the capture goes on to the end without a wrong seam.
TEST_F(ScrollingCaptureTest, AStepTooFarIsLeftOutAndTheCaptureGoesOnFromWhereItFits) {
  ASSERT_NO_FATAL_FAILURE(StartScrolling());
  ASSERT_NO_FATAL_FAILURE(WheelTo(1));
  const int before = panel_->Rows();
  ASSERT_NO_FATAL_FAILURE(WheelTo(1, true, false));
  ASSERT_TRUE(WaitFor([&] { return panel_->Said() == L"滚动太快，请往回滚一点"; })) << panel_->Said();
  EXPECT_EQ(panel_->Rows(), before);
  while (offset_ > ScrollingWindow::kNotch + document_.View / 2) ASSERT_NO_FATAL_FAILURE(WheelTo(-1, false, false));
  while (offset_ < document_.LastOffset()) ASSERT_NO_FATAL_FAILURE(WheelTo(1));
  EXPECT_EQ(panel_->Said(), L"");
  PressKeys(0, VK_RETURN);
  ASSERT_NO_FATAL_FAILURE(ExpectWholeDocument(L"001.bmp"));
}

}  // namespace
}  // namespace e2e
