#include "common/png_encoding.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "support/decode_png.h"
#include "support/test_picture.h"

namespace {

struct PngCase {
  const char* name;
  int width, height, bits;
  bool topDown, noise;
  int strips = 0;  // as many as the machine has processors
};

class PngTest : public testing::TestWithParam<PngCase> {};

// What libpng reads back is every pixel as it was, in a plain 8-bit RGB file without extra chunks.
TEST_P(PngTest, DecodesToExactlyThePixels) {
  const PngCase c = GetParam();
  TestPicture picture(c.width, c.height, c.bits);
  if (c.noise) {
    std::mt19937 random(7);
    for (size_t i = 0; i < picture.Stride() * c.height; ++i) picture.Pixels()[i] = static_cast<uint8_t>(random());
  }
  const PixelView view{c.width, c.height, c.bits, picture.Pixels(), picture.Stride(), c.topDown};
  std::vector<uint8_t> png{1, 2, 3};  // cleared first
  ASSERT_EQ(EncodePng(view, png, c.strips), 0);

  const DecodedPng decoded = DecodePng(png);
  ASSERT_TRUE(decoded.ok);
  ASSERT_EQ(decoded.width, c.width);
  ASSERT_EQ(decoded.height, c.height);
  EXPECT_EQ(decoded.bitDepth, 8);
  EXPECT_EQ(decoded.colorType, 2);  // RGB, no alpha
  EXPECT_EQ(decoded.interlace, 0);
  ASSERT_GE(decoded.chunks.size(), 3u);
  EXPECT_EQ(decoded.chunks.front(), "IHDR");
  EXPECT_EQ(decoded.chunks.back(), "IEND");
  for (size_t i = 1; i + 1 < decoded.chunks.size(); ++i) EXPECT_EQ(decoded.chunks[i], "IDAT");
  int wrong = 0;
  for (int y = 0; y < c.height; ++y) {
    const uint8_t* row = picture.Pixels() + (c.topDown ? y : c.height - 1 - y) * picture.Stride();
    for (int x = 0; x < c.width; ++x) {
      const uint8_t* want = row + x * (c.bits / 8);
      const uint8_t* got = &decoded.rgb[(static_cast<size_t>(y) * c.width + x) * 3];
      wrong += got[0] != want[2] || got[1] != want[1] || got[2] != want[0];
    }
  }
  EXPECT_EQ(wrong, 0);
}

// Odd widths leave padding at the end of each 24-bit row; tall pictures are cut into strips.
INSTANTIATE_TEST_SUITE_P(Shapes, PngTest,
                         testing::Values(PngCase{"OnePixel24", 1, 1, 24, true, false},
                                         PngCase{"OnePixel32", 1, 1, 32, false, false},
                                         PngCase{"OddWidth24", 3, 2, 24, true, false},
                                         PngCase{"OddWidthBottomUp24", 333, 97, 24, false, false},
                                         PngCase{"Strips32", 1280, 700, 32, true, false},
                                         PngCase{"StripsBottomUp24", 641, 509, 24, false, false},
                                         PngCase{"Noise32", 300, 260, 32, true, true},
                                         PngCase{"ThreeStrips", 97, 61, 24, false, false, 3},
                                         PngCase{"FiveNoisyStrips", 130, 50, 32, true, true, 5},
                                         PngCase{"AStripPerRow", 9, 4, 24, true, false, 8}),
                         [](const testing::TestParamInfo<PngCase>& param) { return std::string(param.param.name); });

TEST(PngEncoding, RefusesWhatItCannotTake) {
  TestPicture picture(4, 4, 32);
  std::vector<uint8_t> png{9};
  for (const PixelView view : {PixelView{4, 4, 16, picture.Pixels(), picture.Stride(), true},
                               PixelView{0, 4, 32, picture.Pixels(), picture.Stride(), true},
                               PixelView{4, 0, 32, picture.Pixels(), picture.Stride(), true},
                               PixelView{4, 4, 32, nullptr, picture.Stride(), true}}) {
    EXPECT_EQ(EncodePng(view, png), -1);
    EXPECT_TRUE(png.empty());
  }
}

}  // namespace
