// The notification area: the icon's welcome balloon and its menu, on the real program.
#include <gtest/gtest.h>

#include "corvix_run.h"

#include <shellapi.h>

namespace e2e {
namespace {

// The welcome text as it should read, put together here from its description.
std::wstring Welcome(const std::wstring& screen, const std::wstring& window, const std::wstring& region) {
  return L"欢迎使用Corvix截屏助手" + std::wstring(17, L' ') + L"\r\n" + std::wstring(6, L' ') + L"按" + screen +
         L"截全屏\r\n" + std::wstring(6, L' ') + L"按" + window + L"截活动窗口\r\n" + std::wstring(6, L' ') + L"按" +
         region + L"自定义截屏";
}

// What the shell sends when the user acts on the icon.
void ShellSends(const CorvixRun& corvix, UINT mouseMessage) {
  PostMessageW(corvix.NotifyWindow(), 0x0800, 1, mouseMessage);
}

bool MenuOpen(const CorvixRun& corvix) { return FindProcessWindow(corvix.Pid(), L"#32768", L"", true) != nullptr; }

// Opens the menu with a right press and chooses its last entry at the keyboard.
void ChooseLastMenuEntry(const CorvixRun& corvix) {
  ShellSends(corvix, WM_RBUTTONDOWN);
  ASSERT_TRUE(WaitFor([&] { return MenuOpen(corvix); })) << "no menu";
  Sleep(200);
  PressKeys(0, VK_UP);
  PressKeys(0, VK_RETURN);
  ShellSends(corvix, WM_RBUTTONUP);
}

TEST(Tray, TheWelcomeBalloonNamesTheThreeHotKeys) {
  CorvixRun corvix;
  ASSERT_TRUE(corvix.Start());
  ASSERT_NE(corvix.NotifyWindow(), nullptr);
  const std::wstring expected = Welcome(L"CTRL+F1", L"CTRL+F2", L"CTRL+F3");
  const BalloonView balloon = WaitForBalloon([&](const BalloonView& view) { return view.Text == expected; });
  EXPECT_NE(balloon.Handle, nullptr) << "no balloon with the welcome text";
}

TEST(Tray, HandWrittenHotKeyTextsAppearAsWritten) {
  CorvixRun corvix;
  corvix.WriteOptionIni(L"[Default]\r\nKeyScreen=ctrl+f1\r\nKeyActiveWnd=ALT+SHIFT+Z\r\nKeyCustom=随便\r\n");
  ASSERT_TRUE(corvix.Start({MOD_ALT | MOD_SHIFT, 'Z'}));
  const std::wstring expected = Welcome(L"ctrl+f1", L"ALT+SHIFT+Z", L"随便");
  EXPECT_NE(WaitForBalloon([&](const BalloonView& view) { return view.Text == expected; }).Handle, nullptr);
}

TEST(Tray, TheMenusExitEntryAsksThenEndsTheProgram) {
  CorvixRun corvix;
  ASSERT_TRUE(corvix.Start());
  ChooseLastMenuEntry(corvix);
  MessageBoxView box = WaitForMessageBox(corvix.Pid());
  ASSERT_NE(box.Handle, nullptr) << "退出 did not ask";
  EXPECT_EQ(box.Text, L"要退出Corvix截屏助手吗？");
  Answer(box, IDNO);
  EXPECT_FALSE(corvix.WaitForExit(1000));

  ChooseLastMenuEntry(corvix);
  box = WaitForMessageBox(corvix.Pid());
  ASSERT_NE(box.Handle, nullptr);
  Answer(box, IDYES);
  EXPECT_TRUE(corvix.WaitForExit());
}

TEST(Tray, WithoutExitHintTheExitEntryEndsAtOnceAndADoubleClickRunsNothing) {
  CorvixRun corvix;
  corvix.WriteOptionIni(L"[Default]\r\nExitHint=0\r\n");
  ASSERT_TRUE(corvix.Start());
  for (UINT message : {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP}) ShellSends(corvix, message);
  EXPECT_FALSE(corvix.WaitForExit(1000));
  EXPECT_FALSE(MenuOpen(corvix));
  EXPECT_EQ(WaitForMessageBox(corvix.Pid(), 300ms).Handle, nullptr);
  ChooseLastMenuEntry(corvix);
  EXPECT_TRUE(corvix.WaitForExit());
}

TEST(Tray, WhenTheShellRestartsTheIconComesBackWithItsTip) {
  CorvixRun corvix;
  ASSERT_TRUE(corvix.Start());
  HWND notify = corvix.NotifyWindow();
  ASSERT_TRUE(WaitFor([&] { return ShellHasIcon(notify); })) << "no icon in the notification area";
  // The tip follows the icon at start-up; the shell may still hold tips of icons of ended runs.
  int tips = 0;
  ASSERT_TRUE(WaitFor([&] { return (tips = CountTooltipsWithText(L"Corvix截屏助手")) >= 1; })) << "no tip";

  // A restarted shell knows no icons: take ours away, then announce the new shell to everyone.
  NOTIFYICONDATAW icon{};
  icon.cbSize = NOTIFYICONDATAW_V2_SIZE;
  icon.hWnd = notify;
  icon.uID = 1;
  ASSERT_TRUE(Shell_NotifyIconW(NIM_DELETE, &icon));
  ASSERT_FALSE(ShellHasIcon(notify));
  ASSERT_TRUE(WaitFor([&] { return CountTooltipsWithText(L"Corvix截屏助手") == tips - 1; }, 3s));
  DWORD_PTR ignored = 0;
  SendMessageTimeoutW(HWND_BROADCAST, RegisterWindowMessageW(L"TaskbarCreated"), 0, 0, SMTO_ABORTIFHUNG, 2000,
                      &ignored);

  EXPECT_TRUE(WaitFor([&] { return ShellHasIcon(notify); })) << "the icon did not come back";
  EXPECT_TRUE(WaitFor([&] { return CountTooltipsWithText(L"Corvix截屏助手") == tips; }, 3s)) << "without its tip";
  EXPECT_TRUE(corvix.Answers());
}

}  // namespace
}  // namespace e2e
