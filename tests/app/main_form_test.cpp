// The main form's tray menu as the system shows it, read inside the process (menus cannot be read
// from another process under Wine).
#include "app/main_form.h"

#include <gtest/gtest.h>

#include <fstream>

#include "common/image_files.h"
#include "config/option_store.h"
#include "toolkit/controls.h"
#include "support/temp_folder.h"
#include "support/windows.h"

namespace {

std::wstring EntryText(HMENU menu, UINT position) {
  wchar_t text[64] = {};
  GetMenuStringW(menu, position, text, 64, MF_BYPOSITION);
  return text;
}

bool Greyed(HMENU menu, UINT position) { return GetMenuState(menu, position, MF_BYPOSITION) & MF_GRAYED; }

// The menu as it opens: 截取上次区域 greyed until a region on the screen was taken, the delays with
// the last one marked, the recent pictures still there with their small pictures, then pinning,
// options, about and exit; 关闭全部贴图 stands below 贴图（剪贴板） exactly while a pin is open.
TEST(MainForm, TheTrayMenuHoldsTheLastRegionDelaysRecentPicturesPinOptionsAboutExitWithNoDefault) {
  TempFolder folder;
  AppPath = folder.WithBackslash();
  OptionStore = std::make_unique<TOptionStore>();
  if (!Application.Handle()) Application.Initialize(GetModuleHandleW(nullptr));
  auto form = std::make_unique<TMainForm>();
  form->Create();

  UniqueMenu menu = form->TrayMenu.Build();
  ASSERT_EQ(GetMenuItemCount(menu.get()), 9);
  const wchar_t* const entries[] = {L"截取上次区域", L"延时截屏", L"最近截图", L"", L"贴图（剪贴板）",
                                    L"选项设置(&O)", L"", L"关于", L"退出"};
  for (UINT i = 0; i < 9; ++i) EXPECT_EQ(EntryText(menu.get(), i), entries[i]) << "entry " << i;
  EXPECT_TRUE(GetMenuState(menu.get(), 3, MF_BYPOSITION) & MF_SEPARATOR);
  EXPECT_TRUE(GetMenuState(menu.get(), 6, MF_BYPOSITION) & MF_SEPARATOR);
  EXPECT_TRUE(Greyed(menu.get(), 0)) << "no region was taken yet";
  HMENU delays = GetSubMenu(menu.get(), 1), recent = GetSubMenu(menu.get(), 2);
  ASSERT_EQ(GetMenuItemCount(delays), 3);
  const wchar_t* const seconds[] = {L"3 秒", L"5 秒", L"10 秒"};
  for (UINT i = 0; i < 3; ++i) {
    EXPECT_EQ(EntryText(delays, i), seconds[i]);
    EXPECT_EQ((GetMenuState(delays, i, MF_BYPOSITION) & MF_CHECKED) != 0, i == 0) << "the first run marks 3 秒";
  }
  ASSERT_EQ(GetMenuItemCount(recent), 1);
  EXPECT_EQ(EntryText(recent, 0), L"打开截图文件夹");
  EXPECT_EQ(GetMenuDefaultItem(menu.get(), TRUE, 0), static_cast<UINT>(-1)) << "a double-click would run an entry";
  EXPECT_EQ(form->TrayIcon->PopupMenu, &form->TrayMenu);
  EXPECT_STREQ(form->TrayIcon->NotifyData().szTip, L"Corvix截屏助手");
  EXPECT_EQ(form->TrayIcon->NotifyData().uTimeout, 60000u);

  // A region taken on the screen, one off it, a delay chosen, two pictures saved of which one is gone.
  OptionStore->History.AddRegion({10, 10, 110, 90});
  OptionStore->History.SetDelay(10);
  const std::wstring kept = folder.WithBackslash() + L"kept.bmp", deleted = folder.WithBackslash() + L"gone.bmp";
  {
    HDC screen = GetDC(nullptr);
    const UniqueBitmap picture(CreateCompatibleBitmap(screen, 200, 100));
    ReleaseDC(nullptr, screen);
    TImageFileWriter writer;
    writer.Save(picture.get(), ImageFormat::Bmp, kept);
    writer.Save(picture.get(), ImageFormat::Bmp, deleted);
  }
  OptionStore->History.AddRecentPicture(kept);
  OptionStore->History.AddRecentPicture(deleted);
  DeleteFileW(deleted.c_str());
  {  // an earlier run's picture in the save folder, older than this run's; and a file of another kind
    HDC screen = GetDC(nullptr);
    const UniqueBitmap picture(CreateCompatibleBitmap(screen, 40, 40));
    ReleaseDC(nullptr, screen);
    const std::wstring earlier = folder.WithBackslash() + L"Save\\earlier.bmp";
    TImageFileWriter().Save(picture.get(), ImageFormat::Bmp, earlier);
    UniqueFile file(CreateFileW(earlier.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    const FILETIME old{0, 0x01D00000};
    ASSERT_TRUE(SetFileTime(file.get(), nullptr, nullptr, &old));
    TImageFileWriter().Save(picture.get(), ImageFormat::Bmp, folder.WithBackslash() + L"Save\\notes.txt");
    const std::wstring broken = folder.WithBackslash() + L"Save\\broken.png";  // the oldest
    std::ofstream(std::filesystem::path(broken), std::ios::binary) << "not a picture";
    UniqueFile brokenFile(CreateFileW(broken.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    const FILETIME older{0, 0x01C00000};
    ASSERT_TRUE(SetFileTime(brokenFile.get(), nullptr, nullptr, &older));
  }
  form->TrayMenu.OnPopup();
  menu = form->TrayMenu.Build();
  EXPECT_FALSE(Greyed(menu.get(), 0)) << "the region on the screen is not offered";
  EXPECT_TRUE(GetMenuState(GetSubMenu(menu.get(), 1), 2, MF_BYPOSITION) & MF_CHECKED) << "10 秒 is not marked";
  recent = GetSubMenu(menu.get(), 2);
  ASSERT_EQ(GetMenuItemCount(recent), 5) << "the picture still there, the earlier one, a broken one, a separator, the folder";
  EXPECT_EQ(EntryText(recent, 0), L"kept.bmp");
  EXPECT_EQ(EntryText(recent, 1), L"earlier.bmp");
  // The small pictures are made off the window's thread: blank as the menu opens, then shown; a
  // file that cannot be read has none, and is not read again.
  const auto shape = [&](int entry, MENUITEMINFOW item = {sizeof(MENUITEMINFOW), MIIM_BITMAP}, BITMAP small = {}) {
    GetMenuItemInfoW(GetSubMenu(form->TrayMenu.Build().get(), 2), entry, TRUE, &item);
    GetObjectW(item.hbmpItem, sizeof small, &small);
    return std::pair<int, int>(small.bmWidth, small.bmHeight);
  };
  const int width = MulDiv(64, SystemDpi(), 96);
  EXPECT_EQ(shape(0), std::pair(width, MulDiv(40, SystemDpi(), 96))) << "made on the window's thread as the menu opened";
  ASSERT_TRUE(testsupport::WaitFor([&] {
    Application.ProcessMessages();
    return shape(0) == std::pair(width, width / 2) && shape(2).first == 0;
  })) << "the small pictures did not come: " << shape(0).first << " x " << shape(0).second;
  form->TrayMenu.OnPopup();
  EXPECT_EQ(shape(2).first, 0) << "the broken file was read again";
  OptionStore->History.AddRegion({-5000, 10, -4000, 90});
  form->TrayMenu.OnPopup();
  EXPECT_TRUE(Greyed(form->TrayMenu.Build().get(), 0)) << "a region off today's screens is offered";

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
  const auto count = [&] { return GetMenuItemCount(form->TrayMenu.Build().get()); };
  ASSERT_EQ(count(), 10) << "no 关闭全部贴图 while a pin is open";
  EXPECT_EQ(EntryText(form->TrayMenu.Build().get(), 5), L"关闭全部贴图");
  form->ClosePinsAction.OnExecute();
  const bool gone = testsupport::WaitFor([&] {
    Application.ProcessMessages();
    return count() == 9;
  });
  EXPECT_TRUE(gone) << "关闭全部贴图 stayed once the pins were closed";

  form->Destroy();
  OptionStore.reset();
  AppPath.clear();
}

}  // namespace
