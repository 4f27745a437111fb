#include "common/number_picture.h"

#include <gtest/gtest.h>

#include <set>

namespace {

struct PictureCase {
  const wchar_t* picture;
  uint64_t number;
  const wchar_t* expected;
  NumberSeparators separators = {};
};

class NumberPictureTest : public testing::TestWithParam<PictureCase> {};

TEST_P(NumberPictureTest, Formats) {
  const PictureCase& c = GetParam();
  EXPECT_EQ(FormatNumberPicture(c.number, c.picture, c.separators), c.expected)
      << "picture " << testing::PrintToString(std::wstring(c.picture)) << ", number " << c.number;
}

constexpr NumberSeparators kGerman{L',', L'.'};

INSTANTIATE_TEST_SUITE_P(
    Pictures, NumberPictureTest,
    testing::Values(
        // Zero placeholders pad, and a number is never cut.
        PictureCase{L"000", 1, L"001"}, PictureCase{L"000", 7, L"007"}, PictureCase{L"000", 999, L"999"},
        PictureCase{L"000", 1000, L"1000"}, PictureCase{L"000", 1234, L"1234"}, PictureCase{L"00", 12345, L"12345"},
        PictureCase{L"#", 7, L"7"}, PictureCase{L"#", 1234, L"1234"}, PictureCase{L"##", 5, L"5"},
        // Text around the number, quoted or not.
        PictureCase{L"Shot-000", 7, L"Shot-007"}, PictureCase{L"'IMG'000", 1, L"IMG001"},
        PictureCase{L"\"IMG\"000", 1, L"IMG001"}, PictureCase{L"'#0'000", 3, L"#0003"},
        PictureCase{L"0 pics", 3, L"3 pics"}, PictureCase{L"截图000", 12, L"截图012"},
        PictureCase{L"Shot-0-0", 123, L"Shot-12-3"}, PictureCase{L"E0", 5, L"E5"},
        PictureCase{L"'unclosed000", 5, L"unclosed000"},
        // Only the first section counts for a positive number; quotes protect a ";".
        PictureCase{L"0000;neg;zero", 5, L"0005"}, PictureCase{L"'a;b'0;x", 5, L"a;b5"},
        PictureCase{L";00", 5, L"5"}, PictureCase{L"", 42, L"42"},
        // "#" to the right of the first "0" acts as "0".
        PictureCase{L"0#0", 5, L"005"}, PictureCase{L"#0#", 5, L"05"},
        // Thousands separators, the system's.
        PictureCase{L"#,##0", 1234567, L"1,234,567"}, PictureCase{L"#,##0", 12, L"12"},
        PictureCase{L"0,000", 5, L"0,005"}, PictureCase{L"#,###", 1000, L"1,000"},
        PictureCase{L"#,0", 1234567, L"1,234,567"}, PictureCase{L"#,##0", 1234567, L"1.234.567", kGerman},
        // The decimal point, the system's, shown only when a "0" follows it.
        PictureCase{L"000.00", 7, L"007.00"}, PictureCase{L"000.00", 7, L"007,00", kGerman},
        PictureCase{L"0.##", 7, L"7"}, PictureCase{L"#.#", 7, L"7"}, PictureCase{L".00", 5, L"5.00"},
        PictureCase{L"0.0#", 5, L"5.0"},
        // Scientific notation.
        PictureCase{L"0.00E+00", 1234, L"1.23E+03"}, PictureCase{L"0.00E+00", 1, L"1.00E+00"},
        PictureCase{L"0.00E+00", 9995, L"1.00E+04"}, PictureCase{L"0E-0", 1234, L"1E3"},
        PictureCase{L"000E+0", 1234, L"123E+1"}, PictureCase{L"000E+0", 12, L"120E-1"},
        PictureCase{L"0.##e+0", 1500, L"1.5e+3"}, PictureCase{L"#E+000", 7, L"7E+000"},
        PictureCase{L"0E+0' shots'", 25, L"3E+1 shots"}));

TEST(NumberPicture, TellsWhetherThePictureShowsTheNumberAtAll) {
  EXPECT_TRUE(PictureShowsNumber(L"000"));
  EXPECT_TRUE(PictureShowsNumber(L""));
  EXPECT_TRUE(PictureShowsNumber(L".0"));
  EXPECT_TRUE(PictureShowsNumber(L"0E+0"));
  EXPECT_FALSE(PictureShowsNumber(L"shot"));
  EXPECT_FALSE(PictureShowsNumber(L"'000'"));
  EXPECT_FALSE(PictureShowsNumber(L"x;000"));
  EXPECT_EQ(FormatNumberPicture(7, L"shot", {}), L"shot");
  EXPECT_EQ(FormatNumberPicture(8, L"shot", {}), L"shot");
}

}  // namespace

namespace {

TEST(AutoFileName, JoinsFolderNumberAndExtension) {
  EXPECT_EQ(AutoFileName(L"C:\\Save", L"000", L".jpg", 1, {}), L"C:\\Save\\001.jpg");
  EXPECT_EQ(AutoFileName(L"C:\\Save\\", L"000", L".bmp", 12, {}), L"C:\\Save\\\\012.bmp");
  EXPECT_EQ(AutoFileName(L"D:\\截图", L"'IMG'000", L"", 1, {}), L"D:\\截图\\IMG001");
}

TEST(AutoFileName, APictureWithoutPlaceholdersStillGivesADifferentNameForEachNumber) {
  EXPECT_EQ(AutoFileName(L"C:\\S", L"shot", L".jpg", 1, {}), L"C:\\S\\shot.jpg");
  EXPECT_EQ(AutoFileName(L"C:\\S", L"shot", L".jpg", 2, {}), L"C:\\S\\shot2.jpg");
  EXPECT_EQ(AutoFileName(L"C:\\S", L"shot", L".jpg", 3, {}), L"C:\\S\\shot3.jpg");
  EXPECT_EQ(AutoFileName(L"C:\\S", L"'0'", L".jpg", 2, {}), L"C:\\S\\02.jpg");
}

// The first free name from a set of taken names, with the number of tries it made.
std::optional<std::wstring> FirstFree(std::wstring_view picture, const std::set<std::wstring, std::less<>>& taken,
                                      size_t* tries = nullptr) {
  size_t count = 0;
  auto name = FirstFreeAutoName(L"C:\\S", picture, L".jpg", {}, taken.size(), [&](std::wstring_view title) {
    ++count;
    return taken.contains(title);
  });
  if (tries) *tries = count;
  return name;
}

TEST(FirstFreeAutoName, FillsTheFirstGap) {
  EXPECT_EQ(FirstFree(L"000", {}), L"C:\\S\\001.jpg");
  EXPECT_EQ(FirstFree(L"000", {L"001.jpg", L"002.jpg", L"004.jpg"}), L"C:\\S\\003.jpg");
  EXPECT_EQ(FirstFree(L"shot", {L"shot.jpg", L"shot2.jpg"}), L"C:\\S\\shot3.jpg");
}

TEST(FirstFreeAutoName, EndsWhenThePictureRepeatsItsNames) {
  // "0E+0" names 1 to 91 from 1E+0 to 9E+1; with 90 of its names taken the number is appended.
  std::set<std::wstring, std::less<>> taken;
  for (uint64_t n = 1; n < 10'000'000'000ull; n *= 10)
    for (uint64_t digit = 1; digit <= 9; ++digit) taken.insert(FormatNumberPicture(digit * n, L"0E+0", {}) + L".jpg");
  ASSERT_EQ(taken.size(), 90u);
  size_t tries = 0;
  EXPECT_EQ(FirstFree(L"0E+0", taken, &tries), L"C:\\S\\1E+01.jpg");
  EXPECT_LE(tries, 2 * (taken.size() + 1));
  // Every name taken (a predicate no folder could match): nothing, after a bounded search.
  size_t calls = 0;
  const auto all = [&](std::wstring_view) { return ++calls, true; };
  EXPECT_EQ(FirstFreeAutoName(L"C:\\S", L"0E+0", L".jpg", {}, 5, all), std::nullopt);
  EXPECT_LE(calls, 2 * (5u + 1));  // each search tries at most one name more than are taken
  EXPECT_EQ(FirstFreeAutoName(L"C:\\S", L"shot", L".jpg", {}, 5, all), std::nullopt);
}

}  // namespace
