// JPEG files read back: what the program's own writer wrote comes back close to its pixels, whole
// or shrunk, bottom row first; anything broken or too large is refused.
#include "common/jpeg_decoding.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "common/image_encoding.h"

namespace {

struct Decoded {
  bool ok = false;
  int32_t width = 0, height = 0;
  std::vector<uint8_t> rows;
};

Decoded Decode(const std::vector<uint8_t>& file, int shrink = 1, int64_t maxPixels = int64_t{1} << 26) {
  Decoded d;
  d.ok = DecodeJpegBgrx(file.data(), file.size(), shrink, maxPixels, [&](int32_t width, int32_t height, int32_t stride) {
    d.width = width, d.height = height;
    d.rows.assign(static_cast<size_t>(stride) * height, 0xCD);
    return d.rows.data();
  });
  return d;
}

// Top half red, bottom half blue, in 32-bit top-down rows, as a JPEG by the program's writer.
std::vector<uint8_t> TwoBands(int width, int height) {
  std::vector<uint8_t> pixels(static_cast<size_t>(width) * height * 4);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      uint8_t* p = &pixels[(static_cast<size_t>(y) * width + x) * 4];
      p[0] = y < height / 2 ? 0 : 255, p[1] = 0, p[2] = y < height / 2 ? 255 : 0, p[3] = 0;
    }
  std::vector<uint8_t> file;
  EXPECT_EQ(EncodeJpeg({width, height, 32, pixels.data(), static_cast<size_t>(width) * 4, true}, file), 0);
  return file;
}

TEST(JpegDecoding, TheWritersPicturesComeBackBottomRowFirstWholeOrShrunk) {
  const std::vector<uint8_t> file = TwoBands(64, 48);
  for (const int shrink : {1, 2, 4, 8}) {
    const Decoded d = Decode(file, shrink);
    ASSERT_TRUE(d.ok) << "shrunk by " << shrink;
    EXPECT_EQ(d.width, 64 / shrink);
    EXPECT_EQ(d.height, 48 / shrink);
    const uint8_t* bottom = d.rows.data();  // a blue row
    const uint8_t* top = d.rows.data() + static_cast<size_t>(d.height - 1) * d.width * 4;
    EXPECT_GT(bottom[0], 200);
    EXPECT_LT(bottom[2], 60);
    EXPECT_GT(top[2], 200);
    EXPECT_LT(top[0], 60);
    EXPECT_EQ(top[3], 255);
  }
}

TEST(JpegDecoding, BrokenForeignOrTooLargeFilesAreRefused) {
  const std::vector<uint8_t> file = TwoBands(64, 48);
  EXPECT_FALSE(Decode({}).ok);
  EXPECT_FALSE(Decode({'B', 'M', 0, 0}).ok) << "a BMP";
  EXPECT_FALSE(Decode(std::vector<uint8_t>(file.begin(), file.begin() + 40)).ok) << "cut inside its header";
  EXPECT_FALSE(Decode(file, 1, 64 * 48 - 1).ok) << "more pixels than allowed";
  EXPECT_FALSE(DecodeJpegBgrx(file.data(), file.size(), 1, 1 << 20, [](int32_t, int32_t, int32_t) { return nullptr; }));
}

}  // namespace
