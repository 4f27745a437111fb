// A dialog told that its monitor's DPI changed, inside the process (Wine never sends it).
#include <gtest/gtest.h>

#include "config/option_store.h"
#include "dialogs/options_dialog.h"
#include "support/temp_folder.h"
#include "support/windows.h"

namespace {

using testsupport::PlaceIn;
using testsupport::WindowText;

LONG FontHeight(HWND window) {
  LOGFONTW font{};
  GetObjectW(reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0)), sizeof font, &font);
  return font.lfHeight;
}

// Laid out again at each new DPI from its 96-DPI places, fonts included; what was entered stays,
// and the dialog takes the suggested rectangle. Not covered: WM_DPICHANGED is sent by the test, not
// by a system moving the dialog to another monitor.
TEST(DpiChange, TheOptionsDialogLaysItselfOutAgainAndKeepsWhatWasEntered) {
  TempFolder folder;
  AppPath = folder.WithBackslash();
  OptionStore = std::make_unique<TOptionStore>();
  if (!Application.Handle()) Application.Initialize(GetModuleHandleW(nullptr));
  const int start = SystemDpi();
  auto dialog = std::make_unique<TOptionsDialog>();
  dialog->Create();
  SetWindowTextW(dialog->NamePatternField, L"shot-000");
  SetWindowTextW(dialog->SaveFolderField, L"D:\\pictures\\");
  SendMessageW(dialog->ClipboardBox, BM_SETCHECK, BST_CHECKED, 0);
  SetWindowTextW(dialog->ScreenKeyField, L"ALT+F9");

  for (const int dpi : {144, 120, start}) {
    const auto at = [dpi](int pixels) { return static_cast<LONG>(MulDiv(pixels, dpi, 96)); };
    RECT suggested{40, 30, 40 + at(640), 30 + at(470)};
    SendMessageW(dialog->Handle(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
    RECT window;
    GetWindowRect(dialog->Handle(), &window);
    EXPECT_TRUE(EqualRect(&window, &suggested)) << "at " << dpi;
    HWND d = dialog->Handle();
    EXPECT_EQ(PlaceIn(d, dialog->OkButton), (std::vector<LONG>{at(440), at(395), at(75), at(22)})) << "at " << dpi;
    EXPECT_EQ(PlaceIn(d, dialog->SaveFolderField)[2], at(369)) << "at " << dpi;
    EXPECT_EQ(FontHeight(d), -at(12)) << "at " << dpi;
    EXPECT_EQ(FontHeight(dialog->OkButton), -at(12)) << "at " << dpi;
    EXPECT_EQ(FontHeight(dialog->BrowseFolderButton), -at(7)) << "at " << dpi;
    EXPECT_EQ(WindowText(dialog->NamePatternField), L"shot-000");
    EXPECT_EQ(WindowText(dialog->SaveFolderField), L"D:\\pictures\\");
    EXPECT_EQ(SendMessageW(dialog->ClipboardBox, BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(WindowText(dialog->ScreenKeyField), L"ALT+F9");
  }
  dialog->Destroy();
  OptionStore.reset();
  AppPath.clear();
}

}  // namespace
