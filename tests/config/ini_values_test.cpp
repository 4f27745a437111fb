#include "config/ini_values.h"
#include "config/ini_section.h"

#include <gtest/gtest.h>

#include <optional>

namespace {

struct IntCase {
  const wchar_t* text;
  std::optional<int32_t> expected;
};

class IniToIntTest : public testing::TestWithParam<IntCase> {};

TEST_P(IniToIntTest, Reads) {
  const IntCase& c = GetParam();
  EXPECT_EQ(IniToInt(c.text), c.expected) << "text: " << testing::PrintToString(std::wstring(c.text));
}

INSTANTIATE_TEST_SUITE_P(
    Values, IniToIntTest,
    testing::Values(
        // Decimal with an optional sign.
        IntCase{L"0", 0}, IntCase{L"1", 1}, IntCase{L"257", 257}, IntCase{L"-1", -1}, IntCase{L"+7", 7},
        IntCase{L"007", 7}, IntCase{L"2147483647", 2147483647}, IntCase{L"-2147483648", INT32_MIN},
        IntCase{L"2147483648", std::nullopt}, IntCase{L"99999999999999999999", std::nullopt},
        // Hexadecimal after "$", or "0x"/"0X" when the text is longer than two characters.
        IntCase{L"$A", 10}, IntCase{L"$a", 10}, IntCase{L"$10", 16}, IntCase{L"0x10", 16},
        IntCase{L"0X1f", 31}, IntCase{L"$FFFFFFFF", -1}, IntCase{L"$100000000", std::nullopt},
        IntCase{L"-$A", -10}, IntCase{L"0x", std::nullopt}, IntCase{L"$", std::nullopt},
        IntCase{L"0xG", std::nullopt}, IntCase{L"x10", std::nullopt},
        // Anything else is not an integer.
        IntCase{L"", std::nullopt}, IntCase{L"yes", std::nullopt}, IntCase{L"1.5", std::nullopt},
        IntCase{L"-", std::nullopt}, IntCase{L"12a", std::nullopt}, IntCase{L" 1", std::nullopt},
        IntCase{L"1 ", std::nullopt}, IntCase{L"\u0661", std::nullopt}));

TEST(IniToBool, AnyNonZeroIntegerIsTrueAndTheRestTakesTheFallback) {
  EXPECT_FALSE(IniToBool(L"yes", false));
  EXPECT_TRUE(IniToBool(L"yes", true));
  EXPECT_TRUE(IniToBool(L"0x10", false));
  EXPECT_TRUE(IniToBool(L"$A", false));
  EXPECT_TRUE(IniToBool(L"-1", false));
  EXPECT_FALSE(IniToBool(L"0", true));
  EXPECT_TRUE(IniToBool(L"", true));
  EXPECT_FALSE(IniToBool(L"", false));
}

TEST(IniToIntDef, FallsBackOnlyWhenTheTextIsNoInteger) {
  EXPECT_EQ(IniToIntDef(L"", 1), 1);
  EXPECT_EQ(IniToIntDef(L"0", 1), 0);
  EXPECT_EQ(IniToIntDef(L"one", 1), 1);
}

}  // namespace

namespace {

// One section rewritten at once: its keys in place, new ones after its last key, everything else
// as it was.
TEST(IniSection, TheSectionsKeysAreSetInPlaceAndEverythingElseStays) {
  const IniKeys keys{{L"Region1", L"1,2,3,4"}, {L"Region2", L"5,6,7,8"}};
  const struct {
    const wchar_t *text, *expected;
  } cases[] = {
      {L"", L"[LastRegions]\r\nRegion1=1,2,3,4\r\nRegion2=5,6,7,8\r\n"},
      {L"[Default]\nAutoSave=1", L"[Default]\nAutoSave=1\n\n[LastRegions]\nRegion1=1,2,3,4\nRegion2=5,6,7,8\n"},
      {L"; mine\r\n[ lastregions ]\r\n; kept\r\n region1 = 9,9,9,9\r\nOther=x\r\n\r\n[Default]\r\nRegion2=0\r\n",
       L"; mine\r\n[ lastregions ]\r\n; kept\r\nregion1=1,2,3,4\r\nOther=x\r\nRegion2=5,6,7,8\r\n\r\n[Default]\r\nRegion2=0\r\n"},
      {L"[LastRegions]\r\nRegion2=0\r\nRegion2=1\r\n[LastRegions]\r\nRegion1=0\r\n",
       L"[LastRegions]\r\nRegion2=5,6,7,8\r\n[LastRegions]\r\nRegion1=1,2,3,4\r\n"},
  };
  for (const auto& c : cases) EXPECT_EQ(WithSection(c.text, L"LastRegions", keys), c.expected) << c.text;
}

}  // namespace
