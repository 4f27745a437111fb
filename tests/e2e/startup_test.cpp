// Starting the real program: no window, no taskbar button, hot keys from Option.ini or defaults.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "corvix_run.h"

namespace e2e {
namespace {

TEST(Startup, AFirstStartShowsNothingTakesTheDefaultKeysAndWritesNothing) {
  CorvixRun corvix;
  ASSERT_TRUE(corvix.Start(kCtrlF1)) << "the main form or the Ctrl+F1 hot key did not appear";

  HWND application = corvix.ApplicationWindow();
  ASSERT_NE(application, nullptr) << "no application window titled Corvix截屏助手";
  EXPECT_TRUE(GetWindowLongW(application, GWL_EXSTYLE) & WS_EX_TOOLWINDOW) << "it would get a taskbar button";
  EXPECT_FALSE(IsWindowVisible(application));
  EXPECT_FALSE(IsWindowVisible(corvix.MainForm()));
  EXPECT_EQ(GetWindow(corvix.MainForm(), GW_OWNER), application);

  for (Combination keys : {kCtrlF1, kCtrlF2, kCtrlF3})
    EXPECT_TRUE(IsHotKeyTaken(keys.Modifiers, keys.Key)) << "key " << keys.Key << " is free";

  Sleep(500);
  EXPECT_TRUE(corvix.IsRunning());
  EXPECT_EQ(FindProcessWindow(corvix.Pid(), L"", L"", true), nullptr) << "a window is visible";
  EXPECT_TRUE(corvix.FolderEntries().empty()) << "start-up wrote into the program folder";
}

TEST(Startup, HotKeysComeFromAHandEditedOptionIniWhichStaysUntouched) {
  CorvixRun corvix;
  corvix.WriteOptionIni(
      L"; 我的设置\r\n"
      L"[Default]\r\n"
      L"KeyScreen=ALT+SHIFT+Z\r\n"
      L"KeyActiveWnd=CTRL+ALT+F7\r\n"
      L"KeyCustom=SHIFT+F11\r\n"
      L"Extra=保留\r\n"
      L"\r\n"
      L"[Mine]\r\n"
      L"Note=kept\r\n");
  const std::string before = FileBytes(corvix.Folder() / L"Option.ini");
  ASSERT_TRUE(corvix.Start({MOD_ALT | MOD_SHIFT, 'Z'}));

  EXPECT_TRUE(IsHotKeyTaken(MOD_CONTROL | MOD_ALT, VK_F7));
  EXPECT_TRUE(IsHotKeyTaken(MOD_SHIFT, VK_F11));
  for (Combination keys : {kCtrlF1, kCtrlF2, kCtrlF3})
    EXPECT_FALSE(IsHotKeyTaken(keys.Modifiers, keys.Key)) << "default key " << keys.Key << " was taken";

  EXPECT_EQ(FileBytes(corvix.Folder() / L"Option.ini"), before);
  EXPECT_EQ(corvix.FolderEntries(), std::vector<std::wstring>{L"Option.ini"});
}

}  // namespace
}  // namespace e2e
