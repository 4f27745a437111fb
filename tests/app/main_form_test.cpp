// The main form's tray menu as the system shows it, read inside the process (menus cannot be read
// from another process under Wine).
#include "app/main_form.h"

#include <gtest/gtest.h>

#include "config/option_store.h"
#include "support/temp_folder.h"
#include "support/windows.h"

namespace {

std::wstring EntryText(HMENU menu, UINT position) {
  wchar_t text[64] = {};
  GetMenuStringW(menu, position, text, 64, MF_BYPOSITION);
  return text;
}

// 关闭全部贴图 stands below 贴图（剪贴板） exactly while a pin is open.
TEST(MainForm, TheTrayMenuHoldsPinOptionsSeparatorAboutExitWithNoDefault) {
  TempFolder folder;
  AppPath = folder.WithBackslash();
  OptionStore = std::make_unique<TOptionStore>();
  if (!Application.Handle()) Application.Initialize(GetModuleHandleW(nullptr));
  auto form = std::make_unique<TMainForm>();
  form->Create();

  const UniqueMenu menu = form->TrayMenu.Build();
  ASSERT_EQ(GetMenuItemCount(menu.get()), 5);
  EXPECT_EQ(EntryText(menu.get(), 0), L"贴图（剪贴板）");
  EXPECT_EQ(EntryText(menu.get(), 1), L"选项设置(&O)");
  EXPECT_TRUE(GetMenuState(menu.get(), 2, MF_BYPOSITION) & MF_SEPARATOR);
  EXPECT_EQ(EntryText(menu.get(), 3), L"关于");
  EXPECT_EQ(EntryText(menu.get(), 4), L"退出");
  EXPECT_EQ(GetMenuDefaultItem(menu.get(), TRUE, 0), static_cast<UINT>(-1)) << "a double-click would run an entry";
  EXPECT_EQ(form->TrayIcon->PopupMenu, &form->TrayMenu);
  EXPECT_STREQ(form->TrayIcon->NotifyData().szTip, L"Corvix截屏助手");
  EXPECT_EQ(form->TrayIcon->NotifyData().uTimeout, 60000u);

  {  // a bitmap on the clipboard, pinned from the menu
    HDC screen = GetDC(nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 40, 30);
    ReleaseDC(nullptr, screen);
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    SetClipboardData(CF_BITMAP, bitmap);
    CloseClipboard();
  }
  form->PinClipboardAction.OnExecute();
  const auto entries = [&] { return GetMenuItemCount(form->TrayMenu.Build().get()); };
  ASSERT_EQ(entries(), 6) << "no 关闭全部贴图 while a pin is open";
  EXPECT_EQ(EntryText(form->TrayMenu.Build().get(), 1), L"关闭全部贴图");
  form->ClosePinsAction.OnExecute();
  const bool gone = testsupport::WaitFor([&] {
    Application.ProcessMessages();
    return entries() == 5;
  });
  EXPECT_TRUE(gone) << "关闭全部贴图 stayed once the pins were closed";

  form->Destroy();
  OptionStore.reset();
  AppPath.clear();
}

}  // namespace
