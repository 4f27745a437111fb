// The Windows side of the hot-key fields and the Yes/No box, against Wine's real user32.
#include "common/image_files.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <thread>

#include "common/app_title.h"
#include "support/windows.h"

namespace {

using testsupport::WindowText;

// Holds keys down in this thread's keyboard state, as GetKeyState will see them, until destroyed.
class HeldKeys {
 public:
  explicit HeldKeys(std::initializer_list<int> keys) {
    GetKeyboardState(saved_);
    BYTE state[256] = {};
    for (int key : keys) state[key] = 0x80;
    SetKeyboardState(state);
  }
  ~HeldKeys() { SetKeyboardState(saved_); }

 private:
  BYTE saved_[256] = {};
};

class HotKeyFieldTest : public testing::Test {
 protected:
  void SetUp() override {
    edit_ = CreateWindowExW(0, L"EDIT", L"old text", WS_POPUP | ES_READONLY, 0, 0, 200, 24, nullptr,
                            nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(edit_, nullptr);
  }
  void TearDown() override { DestroyWindow(edit_); }
  HWND edit_ = nullptr;
};

TEST_F(HotKeyFieldTest, PressedKeysTextReadsTheThreadsKeyboardState) {
  {
    HeldKeys held{VK_SHIFT, VK_CONTROL, VK_F5};
    EXPECT_EQ(PressedKeysText(), L"CTRL+SHIFT+F5");
  }
  {
    HeldKeys held{'A', 'B'};
    EXPECT_EQ(PressedKeysText(), L"A+B");
  }
  HeldKeys none{};
  EXPECT_EQ(PressedKeysText(), L"");
}

TEST_F(HotKeyFieldTest, ShowPressedKeysReplacesTheFieldWithTheHeldCombination) {
  {
    HeldKeys held{VK_CONTROL, VK_SHIFT, VK_F5};
    ShowPressedKeys(edit_, VK_F5);
    EXPECT_EQ(WindowText(edit_), L"CTRL+SHIFT+F5");
  }
  {
    HeldKeys held{VK_MENU, 'A', 'Q'};
    ShowPressedKeys(edit_, 'Q');
    EXPECT_EQ(WindowText(edit_), L"ALT+Q");
  }
  {
    HeldKeys held{VK_SHIFT};
    ShowPressedKeys(edit_, VK_SHIFT);
    EXPECT_EQ(WindowText(edit_), L"SHIFT");
  }
  for (int key : {VK_SPACE, VK_BACK, VK_DELETE}) {
    SetWindowTextW(edit_, L"CTRL+F1");
    HeldKeys held{key};
    ShowPressedKeys(edit_, key);
    EXPECT_EQ(WindowText(edit_), L"") << "key " << key;
  }
}

class AskYesNoTest : public testing::TestWithParam<int> {};

TEST_P(AskYesNoTest, ShowsTheQuestionWithYesAndNoAndReturnsTheAnswer) {
  const int button = GetParam();
  testsupport::MessageBoxView seen;
  std::thread helper([&] {
    seen = testsupport::WaitForMessageBox(GetCurrentProcessId());
    if (seen.Handle) testsupport::Answer(seen, button);
  });
  const bool answer = AskYesNo(nullptr, L"要退出Corvix截屏助手吗？");
  helper.join();

  ASSERT_NE(seen.Handle, nullptr) << "no message box appeared";
  EXPECT_EQ(seen.Caption, kAppTitle);
  EXPECT_EQ(seen.Text, L"要退出Corvix截屏助手吗？");
  EXPECT_TRUE(seen.Yes);
  EXPECT_TRUE(seen.No);
  EXPECT_FALSE(seen.Cancel);
  EXPECT_FALSE(seen.Ok);
  EXPECT_TRUE(seen.Icon) << "the question icon is missing";
  EXPECT_EQ(answer, button == IDYES);
}

INSTANTIATE_TEST_SUITE_P(Answers, AskYesNoTest, testing::Values(IDYES, IDNO),
                         [](const testing::TestParamInfo<int>& param) {
                           return param.param == IDYES ? std::string("Yes") : std::string("No");
                         });

}  // namespace
