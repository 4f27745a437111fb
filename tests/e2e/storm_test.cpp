// Hot-key storms: hundreds of presses while a capture waits for the user. None may be queued, and
// the program must answer the next press at once.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <fstream>

#include "corvix_run.h"

namespace e2e {
namespace {

constexpr int kStormPresses = 200;
const Combination kAllKeys[] = {kCtrlF1, kCtrlF2, kCtrlF3};

void Storm() {
  for (int i = 0; i < kStormPresses; ++i) Press(kAllKeys[i % 3]);
}

double MillisecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

TEST(Storms, PressesWhileTheOverlayIsOpenAreDroppedAndTheNextPressCapturesAtOnce) {
  CorvixRun corvix;
  corvix.WriteOptionIni(L"[Default]\r\nAutoSave=1\r\n");
  ASSERT_TRUE(corvix.Start());
  const std::filesystem::path save = corvix.Folder() / L"Save";
  Press(kCtrlF3);
  HWND overlay = corvix.WaitForOverlay();
  ASSERT_NE(overlay, nullptr);
  ASSERT_TRUE(WaitFor([&] { return GetForegroundWindow() == overlay; }, 3s));
  Storm();
  Sleep(500);
  EXPECT_EQ(corvix.WaitForOverlay(), overlay) << "a press opened a second overlay";
  PressKeys(0, VK_ESCAPE);
  if (!WaitFor([&] { return !IsWindowVisible(overlay); }, 3s)) PostMessageW(overlay, WM_CLOSE, 0, 0);
  ASSERT_TRUE(WaitFor([&] { return !IsWindowVisible(overlay); }));

  // Nothing queued comes out afterwards: no file, no new overlay.
  Sleep(1500);
  EXPECT_EQ(FilesIn(save), 0u) << "a press of the storm was queued";
  EXPECT_EQ(FindProcessWindow(corvix.Pid(), L"TCustomSnapForm", L"", true), nullptr);

  const auto start = std::chrono::steady_clock::now();
  Press(kCtrlF1);
  ASSERT_TRUE(WaitFor([&] { return std::filesystem::exists(save / L"001.jpg"); }));
  std::printf("next press to file after the storm: %.1f ms\n", MillisecondsSince(start));
  Sleep(1000);
  EXPECT_EQ(FilesIn(save), 1u);
}

TEST(Storms, PressesWhileTheSaveDialogIsOpenAreDroppedAndTheNextPressAsksAtOnce) {
  CorvixRun corvix;
  corvix.WriteOptionIni(L"[Default]\r\nAutoSave=0\r\n");
  const std::filesystem::path save = corvix.Folder() / L"Save";
  std::filesystem::create_directories(save);
  ASSERT_TRUE(corvix.Start());
  Press(kCtrlF1);
  HWND dialog = corvix.WaitForSaveDialog();
  ASSERT_NE(dialog, nullptr);
  Storm();
  Sleep(500);
  EXPECT_EQ(FindProcessWindow(corvix.Pid(), L"TCustomSnapForm", L"", true), nullptr) << "a press opened the overlay";
  PostMessageW(GetDlgItem(dialog, IDCANCEL), BM_CLICK, 0, 0);
  ASSERT_TRUE(WaitFor([&] { return !IsWindow(dialog); }));

  Sleep(1500);
  EXPECT_EQ(FindProcessWindow(corvix.Pid(), L"#32770", L"", true), nullptr) << "a press of the storm was queued";
  EXPECT_EQ(FilesIn(save), 0u);

  const auto start = std::chrono::steady_clock::now();
  Press(kCtrlF1);
  dialog = corvix.WaitForSaveDialog();
  ASSERT_NE(dialog, nullptr) << "the next press did not ask";
  std::printf("next press to Save dialog after the storm: %.1f ms\n", MillisecondsSince(start));
  PostMessageW(GetDlgItem(dialog, IDCANCEL), BM_CLICK, 0, 0);
  EXPECT_TRUE(WaitFor([&] { return !IsWindow(dialog); }));
  EXPECT_TRUE(corvix.Answers());
}

TEST(Storms, PressesWhileAnErrorIsShownAreDroppedAndOneBoxStays) {
  CorvixRun corvix;
  std::ofstream(corvix.Folder() / L"blocker") << "a file where the folder should be";
  corvix.WriteOptionIni(L"[Default]\r\nAutoSave=1\r\nDefaultDir=" + (corvix.Folder() / L"blocker").wstring() + L"\r\n");
  ASSERT_TRUE(corvix.Start());
  Press(kCtrlF1);
  const MessageBoxView box = WaitForMessageBox(corvix.Pid());
  ASSERT_NE(box.Handle, nullptr) << "no error box";
  Storm();
  Sleep(1000);
  EXPECT_EQ(CountVisibleWindows(L"#32770", corvix.Pid()), 1) << "presses during the error box opened more boxes";
  Answer(box, IDOK);
  ASSERT_TRUE(WaitFor([&] { return !IsWindow(box.Handle); }));
  Sleep(1000);
  EXPECT_EQ(WaitForMessageBox(corvix.Pid(), 500ms).Handle, nullptr) << "a press of the storm was queued";
  EXPECT_TRUE(corvix.Answers());
}

}  // namespace
}  // namespace e2e
