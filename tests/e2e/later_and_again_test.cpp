// A capture later and again, from the tray menu: 延时截屏 counts down beside the cursor and freezes
// the screen as it is then; the last regions come back with , and . across a restart and through
// 截取上次区域; 最近截图 pins what was saved.
#include <gtest/gtest.h>

#include <initializer_list>

#include "corvix_run.h"
#include "pattern_window.h"
#include "support/read_bmp.h"

namespace e2e {
namespace {

// The tray menu opened as the shell reports a right press, then these keys.
bool ChooseInTrayMenu(const CorvixRun& corvix, std::initializer_list<WORD> keys) {
  PostMessageW(corvix.NotifyWindow(), 0x0800, 1, WM_RBUTTONDOWN);
  if (!WaitFor([&] { return FindProcessWindow(corvix.Pid(), L"#32768", L"", true) != nullptr; })) return false;
  for (const WORD key : keys) PressKeys(0, key);
  return true;
}

constexpr WORD kDown = VK_DOWN, kRight = VK_RIGHT, kEnter = VK_RETURN;

class LaterAndAgain : public testing::Test {
 protected:
  void SetUp() override {
    corvix_.WriteOptionIni(L"[Default]\r\nAutoSave=1\r\nDefaultImage=0\r\nExitHint=0\r\n");
    ASSERT_TRUE(corvix_.Start());
  }
  std::filesystem::path Saved(int number) const {
    wchar_t name[16];
    swprintf(name, 16, L"%03d.bmp", number);
    return corvix_.Folder() / L"Save" / name;
  }
  bool WaitForSaved(int number) const { return WaitFor([&] { return std::filesystem::is_regular_file(Saved(number)); }); }
  HWND Countdown() const { return FindProcessWindow(corvix_.Pid(), L"TCountdownForm", L"延时截屏", true); }

  CorvixRun corvix_;
};

// 5 秒: the count follows the cursor without taking the foreground; a window that comes up
// meanwhile is in the frozen picture, the count is not. Esc stops the next count, and a hot key then works at once
// (it would be dropped while a count runs).
TEST_F(LaterAndAgain, ADelayedCaptureFreezesTheScreenAfterTheWaitAndEscCancelsIt) {
  ASSERT_TRUE(ChooseInTrayMenu(corvix_, {kDown, kDown, kRight, kDown, kEnter}));  // 延时截屏 ▸ 5 秒
  HWND countdown = nullptr;
  ASSERT_TRUE(WaitFor([&] { return (countdown = Countdown()) != nullptr; })) << "no count";
  EXPECT_NE(GetForegroundWindow(), countdown);
  MouseMoveTo(400, 300);  // where the window comes up: the count stands on it
  RECT count{};
  ASSERT_TRUE(WaitFor([&] { return GetWindowRect(countdown, &count) && count.left > 400 && count.left < 440; }))
      << "the count does not follow the cursor";
  PatternWindow pattern(300, 200, 320, 240);
  ASSERT_TRUE(WaitFor([&] { return pattern.OnScreen(); }));
  ASSERT_TRUE(Countdown()) << "the wait was over before the window came up";
  SaveScreenshot(corvix_.Folder() / L"countdown.jpg");
  HWND overlay = corvix_.WaitForOverlay();
  ASSERT_TRUE(overlay) << "no overlay after the wait";
  EXPECT_FALSE(Countdown()) << "the count is still up";
  const RECT client = pattern.Client();
  const RECT marked = corvix_.MarkRegion(overlay, {client.left + 20, client.top + 20}, 200, 150);
  ASSERT_FALSE(IsRectEmpty(&marked));
  ASSERT_TRUE(WaitForSaved(1));
  const ReadBmp bmp(Saved(1));
  ASSERT_TRUE(bmp.ok);
  // Inside the frame line, which lies 5 pixels in from the box's edge: the window, not the count.
  for (int y = 1; y + 1 < bmp.height; ++y)
    for (int x = 1; x + 1 < bmp.width; ++x) {
      const uint8_t *got = bmp.At(x, y), *shown = pattern.At(x + 25, y + 25);
      ASSERT_TRUE(got[0] == shown[0] && got[1] == shown[1] && got[2] == shown[2]) << "at " << x << ", " << y;
    }
  EXPECT_NE(FileBytes(corvix_.Folder() / L"Option.ini").find("[DelayedCapture]\r\nSeconds=5"), std::string::npos);

  ASSERT_TRUE(ChooseInTrayMenu(corvix_, {kDown, kDown, kRight, kEnter}));  // 3 秒
  ASSERT_TRUE(WaitFor([&] { return Countdown() != nullptr; }));
  PressKeys(0, VK_ESCAPE);
  ASSERT_TRUE(WaitFor([&] { return Countdown() == nullptr; })) << "Esc left the count";
  // A count that went on unseen would open the overlay within this wait, before the hot key below.
  EXPECT_FALSE(corvix_.WaitForOverlay()) << "the cancelled count opened the overlay";
  Press(kCtrlF1);
  ASSERT_TRUE(WaitForSaved(2)) << "the hot key was dropped: the count went on";
  EXPECT_EQ(ReadBmp(Saved(2)).width, GetSystemMetrics(SM_CXVIRTUALSCREEN));
}

// Two regions, the first before a restart. After it , and . walk between them and Enter takes the
// first again, pixel for pixel, frame line included; 截取上次区域 then takes it without the overlay;
// 最近截图's first entry pins the newest file.
TEST_F(LaterAndAgain, TheLastRegionsComeBackAcrossARestartAndTheRecentPicturesArePinned) {
  PatternWindow pattern(200, 150, 400, 300);
  ASSERT_TRUE(WaitFor([&] { return pattern.OnScreen(); }));
  const RECT client = pattern.Client();
  const auto mark = [&](POINT corner, int width, int height) {
    Press(kCtrlF3);
    HWND overlay = corvix_.WaitForOverlay();
    return overlay ? corvix_.MarkRegion(overlay, corner, width, height) : RECT{};
  };
  const RECT first = mark({client.left + 10, client.top + 10}, 150, 100);
  ASSERT_FALSE(IsRectEmpty(&first));
  ASSERT_TRUE(WaitForSaved(1));
  ASSERT_TRUE(corvix_.Start()) << "no restart";  // the first run is ended, as a crash would end it
  const RECT second = mark({client.left + 100, client.top + 120}, 200, 90);
  ASSERT_FALSE(IsRectEmpty(&second));
  ASSERT_TRUE(WaitForSaved(2));

  Press(kCtrlF3);
  HWND overlay = corvix_.WaitForOverlay();
  ASSERT_TRUE(overlay && WaitFor([&] { return GetForegroundWindow() == overlay; }));
  const auto boxIs = [&](const RECT& expected) {
    RECT r{};
    HWND box = FindWindowExW(overlay, nullptr, L"TSizerControl", nullptr);
    return box && GetWindowRect(box, &r) && EqualRect(&r, &expected);
  };
  const std::pair<WORD, const RECT*> steps[] = {
      {VK_OEM_COMMA, &second}, {VK_OEM_COMMA, &first}, {VK_OEM_PERIOD, &second}, {VK_OEM_COMMA, &first}};
  for (const auto& [key, expected] : steps) {
    PressKeys(0, key);
    ASSERT_TRUE(WaitFor([&] { return boxIs(*expected); })) << "key " << key << " did not bring back the region";
  }
  PressKeys(0, VK_RETURN);
  ASSERT_TRUE(WaitForSaved(3));
  EXPECT_EQ(FileBytes(Saved(3)), FileBytes(Saved(1))) << "the region brought back is not the first";

  ASSERT_TRUE(ChooseInTrayMenu(corvix_, {kDown, kEnter}));  // 截取上次区域
  ASSERT_TRUE(WaitForSaved(4));
  EXPECT_EQ(FileBytes(Saved(4)), FileBytes(Saved(1))) << "截取上次区域 took other pixels";
  EXPECT_FALSE(FindProcessWindow(corvix_.Pid(), L"TCustomSnapForm", L"", true));

  ASSERT_TRUE(ChooseInTrayMenu(corvix_, {kDown, kDown, kDown, kRight, kEnter}));  // 最近截图 ▸ 004.bmp
  HWND pin = nullptr;
  ASSERT_TRUE(WaitFor([&] { return (pin = FindProcessWindow(corvix_.Pid(), L"TCorvixPin", L"", true)) != nullptr; }));
  RECT outer{};
  GetWindowRect(pin, &outer);
  const ReadBmp bmp(Saved(4));
  const RECT shown{outer.left + 1, outer.top + 1, outer.right - 1, outer.bottom - 1};
  ASSERT_EQ(shown.right - shown.left, bmp.width);
  std::vector<uint8_t> expected;
  for (int y = 0; y < bmp.height; ++y)
    for (int x = 0; x < bmp.width; ++x) expected.insert(expected.end(), bmp.At(x, y), bmp.At(x, y) + 3);
  EXPECT_TRUE(WaitFor([&] { return ScreenBgr(shown) == expected; })) << "the pin does not show 004.bmp";
}

}  // namespace
}  // namespace e2e
