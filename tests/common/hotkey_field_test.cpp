// The Windows side of the hot-key fields, against Wine's real user32.
#include "common/hotkey_field.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

#include "support/windows.h"

namespace {

using testsupport::WindowText;

// Holds keys down in this thread's keyboard state, as GetKeyState will see them, until destroyed.
class THeldKeys {
 public:
  explicit THeldKeys(std::initializer_list<int> keys) {
    GetKeyboardState(saved_);
    BYTE state[256] = {};
    for (int key : keys) state[key] = 0x80;
    SetKeyboardState(state);
  }
  ~THeldKeys() { SetKeyboardState(saved_); }

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
    THeldKeys held{VK_SHIFT, VK_CONTROL, VK_F5};
    EXPECT_EQ(PressedKeysText(), L"CTRL+SHIFT+F5");
  }
  {
    THeldKeys held{'A', 'B'};
    EXPECT_EQ(PressedKeysText(), L"A+B");
  }
  THeldKeys none{};
  EXPECT_EQ(PressedKeysText(), L"");
}

TEST_F(HotKeyFieldTest, ShowPressedKeysReplacesTheFieldWithTheHeldCombination) {
  {
    THeldKeys held{VK_CONTROL, VK_SHIFT, VK_F5};
    ShowPressedKeys(edit_, VK_F5);
    EXPECT_EQ(WindowText(edit_), L"CTRL+SHIFT+F5");
  }
  {
    THeldKeys held{VK_MENU, 'A', 'Q'};
    ShowPressedKeys(edit_, 'Q');
    EXPECT_EQ(WindowText(edit_), L"ALT+Q");
  }
  {
    THeldKeys held{VK_SHIFT};
    ShowPressedKeys(edit_, VK_SHIFT);
    EXPECT_EQ(WindowText(edit_), L"SHIFT");
  }
  for (int key : {VK_SPACE, VK_BACK, VK_DELETE}) {
    SetWindowTextW(edit_, L"CTRL+F1");
    THeldKeys held{key};
    ShowPressedKeys(edit_, key);
    EXPECT_EQ(WindowText(edit_), L"") << "key " << key;
  }
}

}  // namespace
