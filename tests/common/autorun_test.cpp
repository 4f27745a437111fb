// The Run entry in Wine's real registry.
#include "common/autorun.h"

#include <gtest/gtest.h>

#include <string>

#include "common/app_title.h"

namespace {

constexpr wchar_t kRun[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";

// The value under a root, or "(none)".
std::wstring RunValue(HKEY root) {
  wchar_t data[1024] = {};
  DWORD size = sizeof data, type = 0;
  if (RegGetValueW(root, kRun, kAppTitle, RRF_RT_ANY, &type, data, &size) != ERROR_SUCCESS) return L"(none)";
  return type == REG_SZ ? std::wstring(data) : L"(not REG_SZ)";
}

void SetRunValue(HKEY root, const std::wstring& value) {
  RegSetKeyValueW(root, kRun, kAppTitle, REG_SZ, value.c_str(), static_cast<DWORD>((value.size() + 1) * 2));
}

// The Run key is one for every test program running at once: its tests take turns.
class AutoRunTest : public testing::Test {
 protected:
  void SetUp() override {
    turn_ = CreateMutexW(nullptr, FALSE, L"CorvixTests.RunKey");
    ASSERT_EQ(WaitForSingleObject(turn_, 30000), WAIT_OBJECT_0) << "another test held the Run key";
    RemoveAutoRun();
  }
  void TearDown() override {
    RemoveAutoRun();
    ReleaseMutex(turn_);
    CloseHandle(turn_);
  }
  HANDLE turn_ = nullptr;
};

TEST_F(AutoRunTest, AddWritesTheQuotedPathUnderBothRootsOnceAndRemoveTakesItAway) {
  const std::wstring command = AutoRunCommand();
  ASSERT_GE(command.size(), 3u);
  EXPECT_EQ(command.front(), L'"');
  EXPECT_EQ(command.back(), L'"');

  AddAutoRun();
  EXPECT_EQ(RunValue(HKEY_CURRENT_USER), command);
  EXPECT_EQ(RunValue(HKEY_LOCAL_MACHINE), command);
  AddAutoRun();  // a second time changes nothing
  EXPECT_EQ(RunValue(HKEY_CURRENT_USER), command);

  RemoveAutoRun();
  EXPECT_EQ(RunValue(HKEY_CURRENT_USER), L"(none)");
  EXPECT_EQ(RunValue(HKEY_LOCAL_MACHINE), L"(none)");
  RemoveAutoRun();
  EXPECT_EQ(RunValue(HKEY_CURRENT_USER), L"(none)");
}

TEST_F(AutoRunTest, AValueWithAnotherPathIsLeftByAddAndTakenByRemove) {
  SetRunValue(HKEY_CURRENT_USER, L"D:\\old place\\Corvix.exe");
  AddAutoRun();
  EXPECT_EQ(RunValue(HKEY_CURRENT_USER), L"D:\\old place\\Corvix.exe");
  EXPECT_EQ(RunValue(HKEY_LOCAL_MACHINE), AutoRunCommand());
  RemoveAutoRun();
  EXPECT_EQ(RunValue(HKEY_CURRENT_USER), L"(none)");
}

TEST_F(AutoRunTest, ARootWhoseRunKeyCannotBeOpenedIsSkippedSilently) {
  const HKEY unusable = reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x80000099));
  EXPECT_NO_THROW(AddAutoRunUnder({unusable, HKEY_CURRENT_USER}));
  EXPECT_EQ(RunValue(HKEY_CURRENT_USER), AutoRunCommand());
  EXPECT_NO_THROW(RemoveAutoRunUnder({unusable, HKEY_CURRENT_USER}));
  EXPECT_EQ(RunValue(HKEY_CURRENT_USER), L"(none)");
}

}  // namespace
