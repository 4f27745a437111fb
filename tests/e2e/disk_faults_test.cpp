// Faults of the disk under the real program: a drive that fills up during a capture, and an
// Option.ini that cannot be written. Nothing may be lost and the program goes on.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "corvix_run.h"
#include "dialogs/options_controls.h"

namespace e2e {
namespace {

std::wstring SystemMessage(DWORD code) {
  wchar_t text[512] = {};
  FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, text, 512, nullptr);
  std::wstring message = text;
  while (!message.empty() && (message.back() <= L' ' || message.back() == L'.')) message.pop_back();
  return message;
}

// The test runner maps a small size-limited drive (a 2 MB tmpfs) to a drive letter when the machine
// allows the mount, and says why not otherwise.
class DiskFullTest : public testing::Test {
 protected:
  void SetUp() override {
    const char* drive = std::getenv("CORVIX_SMALL_DRIVE");
    if (!drive || !*drive) {
      const char* why = std::getenv("CORVIX_SMALL_DRIVE_SKIPPED");
      GTEST_SKIP() << "no small drive: " << (why ? why : "the test runner made none");
    }
    folder_ = std::filesystem::path(std::string(drive) + "\\") /
              testing::UnitTest::GetInstance()->current_test_info()->name();
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);  // what an earlier run may have left
    std::filesystem::create_directories(folder_);
  }
  void StartWith(const std::wstring& options) {
    corvix_.WriteOptionIni(L"[Default]\r\nDefaultImage=0\r\nDefaultDir=" + folder_.wstring() + L"\r\n" + options);
    ASSERT_TRUE(corvix_.Start());
  }
  // The error box a capture that cannot be written shows, answered.
  void ExpectDiskFullError(const std::filesystem::path& file) {
    const MessageBoxView box = WaitForMessageBox(corvix_.Pid());
    ASSERT_NE(box.Handle, nullptr) << "no error box";
    EXPECT_EQ(box.Caption, L"Corvix截屏助手");
    EXPECT_EQ(box.Text, L"Cannot create file \"" + file.wstring() + L"\". " + SystemMessage(ERROR_DISK_FULL));
    Answer(box, IDOK);
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(box.Handle); }));
  }
  uint64_t FreeBytes() const { return std::filesystem::space(folder_).available; }

  std::filesystem::path folder_;
  CorvixRun corvix_;
};

TEST_F(DiskFullTest, ACaptureThatDoesNotFitShowsTheErrorAndLeavesNoPartialFile) {
  StartWith(L"AutoSave=1\r\n");  // a 32-bit BMP of the screen: more than the drive holds
  const uint64_t freeBefore = FreeBytes();
  for (int press = 0; press < 2; ++press) {
    Press(kCtrlF1);
    ExpectDiskFullError(folder_ / L"001.bmp");
    EXPECT_TRUE(std::filesystem::is_empty(folder_)) << "a partial or temporary file was left";
    EXPECT_EQ(FreeBytes(), freeBefore) << "the space of the failed write was not given back";
  }
  EXPECT_TRUE(corvix_.Answers());
}

TEST_F(DiskFullTest, AnExistingPictureChosenInTheSaveDialogSurvivesAWriteThatDoesNotFit) {
  const std::string picture(1 << 20, 'k');  // half the drive
  std::ofstream(folder_ / L"keep.bmp", std::ios::binary) << picture;
  StartWith(L"AutoSave=0\r\n");
  Press(kCtrlF1);
  HWND dialog = corvix_.WaitForSaveDialog();
  ASSERT_NE(dialog, nullptr) << "no Save dialog";
  SetWindowTextW(FileNameField(dialog), L"keep.bmp");
  PostMessageW(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
  ASSERT_TRUE(WaitFor([&] { return !IsWindow(dialog); }));
  ExpectDiskFullError(folder_ / L"keep.bmp");
  EXPECT_EQ(FileBytes(folder_ / L"keep.bmp"), picture) << "the existing picture was damaged";
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder_), {}), 1) << "a temporary file was left";
  EXPECT_TRUE(corvix_.Answers());
}

// Option.ini that cannot be written: OK in the options dialog says so, and nothing changes. The
// file is held open without sharing by another program (an editor, a backup), or the user marked
// it read-only (which Wine does not enforce for root, the tests' user: Corvix itself keeps off).
// The program goes on with the settings as they were confirmed: the hot keys it registers are the
// new ones, so none is dead.
class UnwritableOptions : public testing::TestWithParam<bool> {};  // read-only, or held open

TEST_P(UnwritableOptions, OkSaysTheFileCannotBeWrittenAndTheNewHotKeysWork) {
  CorvixRun corvix;
  corvix.WriteOptionIni(L"[Default]\r\nKeyScreen=CTRL+F1\r\nAutoSave=1\r\n");
  const std::filesystem::path ini = corvix.Folder() / L"Option.ini";
  const std::string before = FileBytes(ini);
  ASSERT_TRUE(corvix.Start());
  const bool readOnly = GetParam();
  HANDLE lock = INVALID_HANDLE_VALUE;
  if (readOnly)
    ASSERT_TRUE(SetFileAttributesW(ini.c_str(), FILE_ATTRIBUTE_READONLY));
  else
    ASSERT_NE(lock = CreateFileW(ini.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr), INVALID_HANDLE_VALUE);

  HWND dialog = corvix.OpenOptions();
  ASSERT_NE(dialog, nullptr) << "no options dialog";
  SetWindowTextW(FindControl(dialog, ID_SCREEN_KEY), L"CTRL+SHIFT+F9");
  PostMessageW(FindControl(dialog, IDOK), BM_CLICK, 0, 0);
  const MessageBoxView box = WaitForMessageBox(corvix.Pid());
  ASSERT_NE(box.Handle, nullptr) << "no error box";
  EXPECT_EQ(box.Text, L"Unable to write to " + ini.wstring());
  Answer(box, IDOK);
  EXPECT_TRUE(WaitFor([&] { return !IsWindow(box.Handle); }));

  EXPECT_TRUE(corvix.Answers());
  if (lock != INVALID_HANDLE_VALUE) CloseHandle(lock);
  EXPECT_EQ(FileBytes(ini), before) << "Option.ini changed";
  EXPECT_EQ(GetFileAttributesW(ini.c_str()) & FILE_ATTRIBUTE_READONLY, readOnly ? FILE_ATTRIBUTE_READONLY : 0u);
  EXPECT_FALSE(IsHotKeyTaken(MOD_CONTROL, VK_F1)) << "the old screen hot key is still held";
  PressKeys(MOD_CONTROL | MOD_SHIFT, VK_F9);
  EXPECT_TRUE(WaitFor([&] { return std::filesystem::exists(corvix.Folder() / L"Save" / L"001.jpg"); }))
      << "the new screen hot key captures nothing";
}

INSTANTIATE_TEST_SUITE_P(Kinds, UnwritableOptions, testing::Bool(),
                         [](const testing::TestParamInfo<bool>& kind) { return kind.param ? "ReadOnly" : "HeldOpen"; });

}  // namespace
}  // namespace e2e
