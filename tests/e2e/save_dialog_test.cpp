// The Save dialog path of a capture: AutoSave off.
#include <gtest/gtest.h>

#include <fstream>

#include "corvix_run.h"

namespace e2e {
namespace {

TEST(SaveDialog, AsksForTheNameAndWritesTheConfiguredFormatWhateverTheName) {
  CorvixRun corvix;
  corvix.WriteOptionIni(L"[Default]\r\nAutoSave=0\r\nDefaultImage=1\r\n");
  const std::filesystem::path save = corvix.Folder() / L"Save";
  std::filesystem::create_directory(save);
  ASSERT_TRUE(corvix.Start());

  PressKeys(MOD_CONTROL, VK_F1);
  HWND dialog = corvix.WaitForSaveDialog();
  ASSERT_NE(dialog, nullptr) << "no Save dialog";
  EXPECT_EQ(WindowText(GetDlgItem(dialog, kFileTypeCombo)), L"JPEG Image File (*.jpg,*.jpeg)");
  EXPECT_NE(WindowText(GetDlgItem(dialog, kFolderCombo)).find(L"Save"), std::wstring::npos) << "not in DefaultDir";
  SetWindowTextW(FileNameField(dialog), L"x.bmp");
  PostMessageW(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
  ASSERT_TRUE(WaitFor([&] { return std::filesystem::is_regular_file(save / L"x.bmp"); }));
  std::ifstream file(save / L"x.bmp", std::ios::binary);
  EXPECT_EQ(file.get(), 0xFF) << "x.bmp does not hold JPEG data";
  EXPECT_EQ(file.get(), 0xD8);

  // A bare name takes the default extension; the last name is offered again.
  PressKeys(MOD_CONTROL, VK_F1);
  dialog = corvix.WaitForSaveDialog();
  ASSERT_NE(dialog, nullptr);
  EXPECT_NE(WindowText(FileNameField(dialog)).find(L"x.bmp"), std::wstring::npos);
  SetWindowTextW(FileNameField(dialog), L"y");
  PostMessageW(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
  EXPECT_TRUE(WaitFor([&] { return std::filesystem::is_regular_file(save / L"y.jpg"); }));

  // Cancel writes nothing.
  PressKeys(MOD_CONTROL, VK_F1);
  dialog = corvix.WaitForSaveDialog();
  ASSERT_NE(dialog, nullptr);
  PostMessageW(GetDlgItem(dialog, IDCANCEL), BM_CLICK, 0, 0);
  ASSERT_TRUE(WaitFor([&] { return !IsWindow(dialog); }));
  Sleep(500);
  EXPECT_EQ(FilesIn(save), 2u);
  EXPECT_TRUE(corvix.IsRunning());
}

// PNG is the fourth file type; a bare name becomes a .png holding PNG data.
TEST(SaveDialog, OpensOnPngWhenPngIsTheFormat) {
  CorvixRun corvix;
  corvix.WriteOptionIni(L"[Default]\r\nAutoSave=0\r\nDefaultImage=2\r\n");
  const std::filesystem::path save = corvix.Folder() / L"Save";
  ASSERT_TRUE(corvix.Start());
  PressKeys(MOD_CONTROL, VK_F1);
  HWND dialog = corvix.WaitForSaveDialog();
  ASSERT_NE(dialog, nullptr) << "no Save dialog";
  EXPECT_EQ(WindowText(GetDlgItem(dialog, kFileTypeCombo)), L"PNG Image File (*.png)");
  SetWindowTextW(FileNameField(dialog), L"shot");
  PostMessageW(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
  ASSERT_TRUE(WaitFor([&] { return std::filesystem::is_regular_file(save / L"shot.png"); }));
  std::ifstream file(save / L"shot.png", std::ios::binary);
  char signature[8] = {};
  file.read(signature, 8);
  EXPECT_EQ(std::string(signature, 8), std::string("\x89PNG\r\n\x1a\n", 8));
}

}  // namespace
}  // namespace e2e
