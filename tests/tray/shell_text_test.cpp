#include "tray/shell_text.h"

#include <gtest/gtest.h>

namespace {

TEST(FitText, CutsToTheFieldButNeverInsideACharacter) {
  EXPECT_EQ(FitText(L"Corvix截屏助手", 127), L"Corvix截屏助手");
  EXPECT_EQ(FitText(std::wstring(200, L'截'), kTipChars), std::wstring(127, L'截'));
  EXPECT_EQ(FitText(L"abc", 2), L"ab");
  EXPECT_EQ(FitText(L"", 5), L"");
  // A surrogate pair (one character outside the basic plane) straddling the cut goes whole.
  const std::wstring pair = {static_cast<wchar_t>(0xD83D), static_cast<wchar_t>(0xDCF7)};
  EXPECT_EQ(FitText(L"ab" + pair, 3), L"ab");
  EXPECT_EQ(FitText(L"ab" + pair, 4), L"ab" + pair);
  EXPECT_EQ(FitText(pair + L"x", 1), L"");
}

}  // namespace
