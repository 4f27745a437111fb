// The Windows side of the hot-key fields and the Yes/No box, against Wine's real user32.
#include "common/uCommand.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <initializer_list>
#include <string>
#include <thread>
#include <vector>

#include "common/app_title.h"

namespace {

std::wstring WindowText(HWND window) {
  std::wstring text(GetWindowTextLengthW(window) + 1, L'\0');
  text.resize(GetWindowTextW(window, text.data(), static_cast<int>(text.size())));
  return text;
}

std::wstring ClassName(HWND window) {
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  return name;
}

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

// What the helper thread saw of the message box.
struct SeenBox {
  bool found = false;
  std::wstring caption, text;
  bool yes = false, no = false, cancel = false, ok = false, icon = false;
};

// Waits (bounded) for a dialog-class window of the given thread, records it and clicks a button.
void AnswerBox(DWORD thread, int button, SeenBox& seen) {
  using namespace std::chrono;
  const auto deadline = steady_clock::now() + seconds(10);
  HWND box = nullptr;
  while (!box && steady_clock::now() < deadline) {
    EnumThreadWindows(
        thread,
        [](HWND window, LPARAM found) -> BOOL {
          if (ClassName(window) != L"#32770" || !IsWindowVisible(window)) return TRUE;
          *reinterpret_cast<HWND*>(found) = window;
          return FALSE;
        },
        reinterpret_cast<LPARAM>(&box));
    if (!box) std::this_thread::sleep_for(milliseconds(20));
  }
  if (!box) return;
  seen.found = true;
  seen.caption = WindowText(box);
  const auto shown = [box](int id) {
    HWND item = GetDlgItem(box, id);
    return item && IsWindowVisible(item);
  };
  seen.yes = shown(IDYES);
  seen.no = shown(IDNO);
  seen.cancel = shown(IDCANCEL);
  seen.ok = shown(IDOK);
  for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    if (ClassName(child) != L"Static") continue;
    if ((GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON)
      seen.icon = SendMessageW(child, STM_GETICON, 0, 0) != 0;
    else if (!WindowText(child).empty())
      seen.text = WindowText(child);
  }
  PostMessageW(GetDlgItem(box, button), BM_CLICK, 0, 0);
}

class AskYesNoTest : public testing::TestWithParam<int> {};

TEST_P(AskYesNoTest, ShowsTheQuestionWithYesAndNoAndReturnsTheAnswer) {
  const int button = GetParam();
  SeenBox seen;
  std::thread helper(AnswerBox, GetCurrentThreadId(), button, std::ref(seen));
  const bool answer = AskYesNo(nullptr, L"要退出Corvix截屏助手吗？");
  helper.join();

  ASSERT_TRUE(seen.found) << "no message box appeared";
  EXPECT_EQ(seen.caption, kAppTitle);
  EXPECT_EQ(seen.text, L"要退出Corvix截屏助手吗？");
  EXPECT_TRUE(seen.yes);
  EXPECT_TRUE(seen.no);
  EXPECT_FALSE(seen.cancel);
  EXPECT_FALSE(seen.ok);
  EXPECT_TRUE(seen.icon) << "the question icon is missing";
  EXPECT_EQ(answer, button == IDYES);
}

INSTANTIATE_TEST_SUITE_P(Answers, AskYesNoTest, testing::Values(IDYES, IDNO),
                         [](const testing::TestParamInfo<int>& param) {
                           return param.param == IDYES ? std::string("Yes") : std::string("No");
                         });

}  // namespace
