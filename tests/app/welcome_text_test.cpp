#include "app/welcome_text.h"

#include <gtest/gtest.h>

namespace {

TEST(WelcomeText, NamesTheThreeHotKeysAsStored) {
  const std::wstring expected =
      L"欢迎使用Corvix截屏助手                 "
      L"\r\n      按CTRL+F1截全屏"
      L"\r\n      按CTRL+F2截活动窗口"
      L"\r\n      按CTRL+F3自定义截屏";
  EXPECT_EQ(WelcomeText(L"CTRL+F1", L"CTRL+F2", L"CTRL+F3"), expected);
  EXPECT_EQ(WelcomeText(L"ctrl+x", L"", L"F9").substr(expected.find(L'\r')),
            L"\r\n      按ctrl+x截全屏\r\n      按截活动窗口\r\n      按F9自定义截屏");
}

TEST(WelcomeText, AKeyAnotherProgramHoldsEndsItsLineWithTheMark) {
  const std::wstring text = WelcomeText(L"CTRL+F1", L"CTRL+F2", L"CTRL+F3", {true, false, true});
  EXPECT_EQ(text.substr(text.find(L'\r')),
            L"\r\n      按CTRL+F1截全屏（被其他程序占用）\r\n      按CTRL+F2截活动窗口"
            L"\r\n      按CTRL+F3自定义截屏（被其他程序占用）");
}

}  // namespace
