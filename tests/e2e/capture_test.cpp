// Capturing with the real program: hot keys pressed at the keyboard, files checked on disk.
#include <gtest/gtest.h>

#include <fstream>

#include "corvix_run.h"
#include "pattern_window.h"
#include "support/decode_jpeg.h"
#include "support/read_bmp.h"

namespace e2e {
namespace {

constexpr Combination kRegionKeys = kCtrlF3;

std::vector<uint8_t> FileBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool WaitForFile(const std::filesystem::path& path) {
  return WaitFor([&] { return std::filesystem::is_regular_file(path); }, 10s);
}

// Counts the pixels of the pattern's client area that differ in a captured picture whose top-left
// is the screen point (originX, originY).
int PatternMismatches(const ReadBmp& bmp, const PatternWindow& pattern, int originX, int originY) {
  const RECT client = pattern.Client();
  int wrong = 0;
  for (int y = 0; y < client.bottom - client.top; y += 3)
    for (int x = 0; x < client.right - client.left; x += 3) {
      const uint8_t* got = bmp.At(client.left - originX + x, client.top - originY + y);
      const uint8_t* want = pattern.At(x, y);
      wrong += got[0] != want[0] || got[1] != want[1] || got[2] != want[2];
    }
  return wrong;
}

class CaptureTest : public testing::Test {
 protected:
  std::filesystem::path Saved(const wchar_t* name) const { return corvix_.Folder() / L"Save" / name; }
  void StartWith(const std::wstring& options) {
    corvix_.WriteOptionIni(L"[Default]\r\n" + options);
    ASSERT_TRUE(corvix_.Start());
  }
  CorvixRun corvix_;
  PatternWindow pattern_{300, 200, 320, 240};
};

TEST_F(CaptureTest, TheScreenKeyWritesNumberedBitmapsOfTheWholeScreen) {
  StartWith(L"AutoSave=1\r\nDefaultImage=0\r\n");
  pattern_.BringToFront();
  Press(kCtrlF1);
  ASSERT_TRUE(WaitForFile(Saved(L"001.bmp"))) << "no Save\\001.bmp";
  const ReadBmp bmp(Saved(L"001.bmp"));
  ASSERT_TRUE(bmp.ok);
  EXPECT_EQ(bmp.width, GetSystemMetrics(SM_CXVIRTUALSCREEN));
  EXPECT_EQ(bmp.height, GetSystemMetrics(SM_CYVIRTUALSCREEN));
  EXPECT_EQ(PatternMismatches(bmp, pattern_, 0, 0), 0) << "the pattern is not where it was on the screen";

  Press(kCtrlF1);
  EXPECT_TRUE(WaitForFile(Saved(L"002.bmp")));
  std::filesystem::remove(Saved(L"001.bmp"));
  Press(kCtrlF1);
  EXPECT_TRUE(WaitForFile(Saved(L"001.bmp"))) << "the gap was not filled first";
  EXPECT_FALSE(std::filesystem::exists(Saved(L"003.bmp")));
}

TEST_F(CaptureTest, JpegIsTheDefaultFormat) {
  StartWith(L"AutoSave=1\r\n");
  pattern_.BringToFront();
  Press(kCtrlF1);
  ASSERT_TRUE(WaitForFile(Saved(L"001.jpg")));
  const DecodedJpeg jpeg = DecodeJpeg(FileBytes(Saved(L"001.jpg")));
  ASSERT_EQ(jpeg.width, GetSystemMetrics(SM_CXVIRTUALSCREEN));
  ASSERT_EQ(jpeg.height, GetSystemMetrics(SM_CYVIRTUALSCREEN));
  const RECT client = pattern_.Client();
  double total = 0;
  int count = 0;
  for (int y = 8; y < client.bottom - client.top - 8; y += 5)
    for (int x = 8; x < client.right - client.left - 8; x += 5, ++count)
      for (int k = 0; k < 3; ++k)
        total += std::abs(jpeg.rgb[((client.top + y) * static_cast<size_t>(jpeg.width) + client.left + x) * 3 + k] -
                          pattern_.At(x, y)[2 - k]);
  EXPECT_LT(total / (3.0 * count), 4.0);
}

TEST_F(CaptureTest, TheWindowKeyTakesTheForegroundWindowsOuterRectangle) {
  StartWith(L"AutoSave=1\r\nDefaultImage=0\r\n");
  pattern_.BringToFront();
  Press(kCtrlF2);
  ASSERT_TRUE(WaitForFile(Saved(L"001.bmp")));
  const ReadBmp bmp(Saved(L"001.bmp"));
  const RECT outer = pattern_.Outer();
  ASSERT_TRUE(bmp.ok);
  EXPECT_EQ(bmp.width, outer.right - outer.left);
  EXPECT_EQ(bmp.height, outer.bottom - outer.top);
  EXPECT_EQ(PatternMismatches(bmp, pattern_, outer.left, outer.top), 0);
}

// The picture is the frozen one: a window that comes up above the overlay over part of the box
// before it is accepted (a notification, say) is not in it.
TEST_F(CaptureTest, TheRegionKeyWritesTheAcceptedRegionOfTheFrozenPictureWithItsFrame) {
  StartWith(L"AutoSave=1\r\nDefaultImage=0\r\n");
  Press(kRegionKeys);
  HWND overlay = nullptr;
  ASSERT_TRUE(WaitFor([&] { return (overlay = FindProcessWindow(corvix_.Pid(), L"TCustomSnapForm", L"", true)); }))
      << "no overlay";
  const RECT client = pattern_.Client();
  std::unique_ptr<PatternWindow> notification;
  const RECT boxRect = corvix_.MarkRegion(overlay, {client.left + 20, client.top + 20}, 182, 132, [&](const RECT& box) {
    notification = std::make_unique<PatternWindow>(box.right - 60, box.top - 20, 100, 70, false);
    EXPECT_TRUE(notification->OnScreen()) << "the window did not come up above the overlay";
  });
  ASSERT_FALSE(IsRectEmpty(&boxRect)) << "the box did not take the dragged size";
  ASSERT_TRUE(WaitForFile(Saved(L"001.bmp")));
  EXPECT_FALSE(IsWindowVisible(overlay));

  const ReadBmp bmp(Saved(L"001.bmp"));
  ASSERT_TRUE(bmp.ok);
  EXPECT_EQ(bmp.width, boxRect.right - boxRect.left - 10);
  EXPECT_EQ(bmp.height, boxRect.bottom - boxRect.top - 10);
  const uint8_t* corner = bmp.At(0, 0);
  EXPECT_TRUE(corner[0] == 255 && corner[1] == 0 && corner[2] == 0) << "no blue frame";
  int wrong = 0;
  for (int y = 1; y < bmp.height - 1; ++y)
    for (int x = 1; x < bmp.width - 1; ++x) {
      const int px = boxRect.left + 5 + x - client.left, py = boxRect.top + 5 + y - client.top;
      const uint8_t* got = bmp.At(x, y);
      const uint8_t* want = pattern_.At(px, py);
      wrong += got[0] != want[0] || got[1] != want[1] || got[2] != want[2];
    }
  EXPECT_EQ(wrong, 0) << "the inside is not the frozen screen";
}

TEST_F(CaptureTest, EscOnTheOverlayWritesNothingAndPressesMeanwhileAreDropped) {
  StartWith(L"AutoSave=1\r\n");
  Press(kRegionKeys);
  HWND overlay = nullptr;
  ASSERT_TRUE(WaitFor([&] { return (overlay = FindProcessWindow(corvix_.Pid(), L"TCustomSnapForm", L"", true)); }));
  Sleep(300);
  Press(kCtrlF1);  // dropped: a capture is running
  Sleep(300);
  PressKeys(0, VK_ESCAPE);
  ASSERT_TRUE(WaitFor([&] { return !IsWindowVisible(overlay); }));
  Sleep(1000);
  EXPECT_FALSE(std::filesystem::exists(corvix_.Folder() / L"Save")) << "something was written";
  Press(kCtrlF1);  // and the next press works again
  EXPECT_TRUE(WaitForFile(Saved(L"001.jpg")));
}

class PatternNameTest : public testing::TestWithParam<std::pair<const wchar_t*, const wchar_t*>> {};

TEST_P(PatternNameTest, NamesTheFileByTheNumberPattern) {
  CorvixRun corvix;
  corvix.WriteOptionIni(std::wstring(L"[Default]\r\nAutoSave=1\r\nDefaultFormat=") + GetParam().first + L"\r\n");
  ASSERT_TRUE(corvix.Start());
  Press(kCtrlF1);
  EXPECT_TRUE(WaitForFile(corvix.Folder() / L"Save" / GetParam().second));
}

INSTANTIATE_TEST_SUITE_P(Patterns, PatternNameTest,
                         testing::Values(std::pair{L"'IMG'000", L"IMG001.jpg"}, std::pair{L"Shot-000", L"Shot-001.jpg"}),
                         [](const auto& param) { return param.index == 0 ? "Quoted" : "Plain"; });

TEST(CaptureErrors, AnUnwritableFolderShowsTheErrorAndTheProgramGoesOn) {
  CorvixRun corvix;
  std::ofstream(corvix.Folder() / L"blocker") << "a file where a folder should be";
  corvix.WriteOptionIni(L"[Default]\r\nAutoSave=1\r\nDefaultDir=" + (corvix.Folder() / L"blocker" / L"sub").wstring() +
                        L"\r\n");
  ASSERT_TRUE(corvix.Start());
  for (int press = 0; press < 2; ++press) {
    Press(kCtrlF1);
    const MessageBoxView box = WaitForMessageBox(corvix.Pid());
    ASSERT_NE(box.Handle, nullptr) << "no error box on press " << press;
    EXPECT_EQ(box.Caption, L"Corvix截屏助手");
    EXPECT_EQ(box.Text.rfind(L"Cannot create file \"", 0), 0u) << testing::PrintToString(box.Text);
    EXPECT_TRUE(box.Ok);
    Answer(box, IDOK);
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(box.Handle); }));
    EXPECT_TRUE(corvix.IsRunning());
  }
}

TEST(CaptureErrors, AnUnknownFormatWritesNothingAndSaysNothing) {
  CorvixRun corvix;
  corvix.WriteOptionIni(L"[Default]\r\nAutoSave=1\r\nDefaultImage=7\r\n");
  ASSERT_TRUE(corvix.Start());
  Press(kCtrlF1);
  EXPECT_EQ(WaitForMessageBox(corvix.Pid(), 1500ms).Handle, nullptr);
  const std::filesystem::path save = corvix.Folder() / L"Save";
  EXPECT_TRUE(!std::filesystem::exists(save) || std::filesystem::is_empty(save));
  EXPECT_TRUE(corvix.IsRunning());
}

}  // namespace
}  // namespace e2e
