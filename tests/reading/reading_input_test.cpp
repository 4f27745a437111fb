#include "reading/reading_input.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

std::vector<uint8_t> Filled(int32_t width, int32_t height, uint8_t grey) { return std::vector<uint8_t>(width * height * 4, grey); }

TEST(ReadingInput, DarkGroundsTurnLightAndThePictureIsEnlargedWithAMargin) {
  for (const uint8_t ground : {uint8_t{240}, uint8_t{20}}) {
    std::vector<uint8_t> pixels = Filled(40, 10, ground);
    for (int y = 5; y < 7; ++y)  // a stroke of the other shade, two rows high
      for (int x = 10; x < 20; ++x)
        for (int c = 0; c < 3; ++c) pixels[(y * 40 + x) * 4 + c] = static_cast<uint8_t>(255 - ground);
    const ReadingSource source = PrepareForReading(pixels.data(), 40, 10, 40 * 4);
    ASSERT_EQ(source.Grey.Width, 40);
    EXPECT_GE(source.Grey.Pixels[0], 235) << "ground " << int{ground};
    EXPECT_LE(source.Grey.Pixels[5 * 40 + 15], 20) << "ground " << int{ground};
    const ReadingStrip strip = MakeStrip(source, 0, 10);
    EXPECT_EQ(strip.Picture.Width, 60 + 2 * kReadingMargin);
    EXPECT_EQ(strip.Picture.Height, 15 + 2 * kReadingMargin);
    EXPECT_LE(strip.Picture.Pixels[(kReadingMargin + 9) * strip.Picture.Width + kReadingMargin + 22], 40);
  }
  // As much dark as light: the light is the ground, and stays.
  std::vector<uint8_t> halves = Filled(40, 10, 240);
  std::fill(halves.begin(), halves.begin() + halves.size() / 2, uint8_t{20});
  EXPECT_GE(PrepareForReading(halves.data(), 40, 10, 40 * 4).Grey.Pixels.back(), 235);
  EXPECT_TRUE(PrepareForReading(Filled(3, 100, 0).data(), 3, 100, 12).Grey.Pixels.empty());
  EXPECT_EQ(PrepareForReading(Filled(20000, 4, 255).data(), 20000, 4, 80000).Scale * 20000, kReadingMaxSide - 2 * kReadingMargin);
}

TEST(ReadingInput, BlankColumnsAreTheRunsWithNoInkInTheRows) {
  GreyPicture picture{std::vector<uint8_t>(10 * 4, 255), 10, 4};
  picture.Pixels[1 * 10 + 2] = picture.Pixels[2 * 10 + 3] = picture.Pixels[0 * 10 + 7] = 0;  // ink at x 2, 3 and 7 (row 0 only)
  using Runs = std::vector<std::pair<int32_t, int32_t>>;
  EXPECT_EQ(BlankColumns(picture, {0, 1, 10, 4}), (Runs{{0, 2}, {4, 10}}));
  EXPECT_EQ(BlankColumns(picture, {-5, 0, 20, 9}), (Runs{{0, 2}, {4, 7}, {8, 10}}));
  EXPECT_TRUE(BlankColumns(picture, {3, 0, 3, 4}).empty());
}

TEST(ReadingInput, ATallPictureIsCutBetweenLinesOfText) {
  // Lines of text 10 rows high every 16 rows, on a picture taller than one strip holds.
  const int32_t width = 8, height = 9000;
  std::vector<uint8_t> pixels = Filled(width, height, 255);
  for (int32_t y = 0; y < height; ++y)
    if (y % 16 < 10) pixels[y * width * 4] = pixels[y * width * 4 + 1] = pixels[y * width * 4 + 2] = 0;
  const ReadingSource source = PrepareForReading(pixels.data(), width, height, width * 4);
  const auto strips = StripRows(source);
  ASSERT_GE(strips.size(), 3u);
  int32_t next = 0;
  for (const auto& [first, end] : strips) {
    EXPECT_EQ(first, next);
    EXPECT_LE((end - first) * 1.5, kReadingStripRows);
    if (end != height) {
      EXPECT_GE((end - 1) % 16, 10) << "cut through a line at " << end;
    }
    next = end;
  }
  EXPECT_EQ(next, height);
}

}  // namespace
