#include "common/image_encoding.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <cstdlib>

#include <jpeglib.h>
#include <jerror.h>

#include "support/decode_jpeg.h"
#include "support/test_picture.h"

namespace {

uint32_t Le32(const uint8_t* at) { return at[0] | at[1] << 8 | at[2] << 16 | static_cast<uint32_t>(at[3]) << 24; }
uint16_t Le16(const uint8_t* at) { return static_cast<uint16_t>(at[0] | at[1] << 8); }

struct HeaderCase {
  int width, height, bits;
  size_t headerBytes, rowBytes;
};

class BmpHeaderTest : public testing::TestWithParam<HeaderCase> {};

TEST_P(BmpHeaderTest, DescribesTheRowsThatFollow) {
  const HeaderCase c = GetParam();
  ASSERT_EQ(BmpHeaderBytes(c.bits), c.headerBytes);
  ASSERT_EQ(BmpRowBytes(c.width, c.bits), c.rowBytes);
  std::vector<uint8_t> header(c.headerBytes, 0xEE);
  const uint32_t masks[] = {0xF800, 0x07E0, 0x001F};
  std::vector<uint32_t> palette(256);
  for (uint32_t i = 0; i < 256; ++i) palette[i] = i * 0x010101;
  WriteBmpHeaders(header.data(), c.width, c.height, c.bits, masks, palette);

  EXPECT_EQ(header[0], 'B');
  EXPECT_EQ(header[1], 'M');
  EXPECT_EQ(Le32(&header[2]), c.headerBytes + c.rowBytes * c.height);  // file size
  EXPECT_EQ(Le32(&header[10]), c.headerBytes);                          // pixels start
  EXPECT_EQ(Le32(&header[14]), 40u);
  EXPECT_EQ(static_cast<int32_t>(Le32(&header[18])), c.width);
  EXPECT_EQ(static_cast<int32_t>(Le32(&header[22])), c.height);  // bottom-up
  EXPECT_EQ(Le16(&header[26]), 1);
  EXPECT_EQ(Le16(&header[28]), c.bits);
  EXPECT_EQ(Le32(&header[30]), c.bits == 16 ? 3u : 0u);
  EXPECT_EQ(Le32(&header[34]), c.rowBytes * c.height);
  if (c.bits == 16) {
    EXPECT_EQ(Le32(&header[54 + 4]), 0x07E0u);
  }
  if (c.bits <= 8) {
    EXPECT_EQ(Le32(&header[46]), 1u << c.bits);
    EXPECT_EQ(Le32(&header[54 + 4]), 0x010101u);
  }
}

INSTANTIATE_TEST_SUITE_P(Depths, BmpHeaderTest,
                         testing::Values(HeaderCase{1, 1, 32, 54, 4}, HeaderCase{3, 2, 24, 54, 12},
                                         HeaderCase{1, 1, 24, 54, 4}, HeaderCase{5, 1, 16, 66, 12},
                                         HeaderCase{3, 3, 8, 54 + 1024, 4}, HeaderCase{9, 2, 1, 54 + 8, 4},
                                         HeaderCase{1920, 1080, 32, 54, 7680}));

struct JpegCase {
  int width, height, bits;
  bool topDown;
};

class JpegEncodeTest : public testing::TestWithParam<JpegCase> {};

TEST_P(JpegEncodeTest, DecodesBackToThePictureWithinJpegTolerance) {
  const JpegCase c = GetParam();
  const TestPicture picture(c.width, c.height, c.bits);
  PixelView view{c.width, c.height, c.bits, picture.Pixels(), picture.Stride(), c.topDown};
  std::vector<uint8_t> jpeg;
  ASSERT_EQ(EncodeJpeg(view, jpeg), 0);
  ASSERT_GT(jpeg.size(), 4u);
  EXPECT_EQ(jpeg[0], 0xFF);
  EXPECT_EQ(jpeg[1], 0xD8);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&jpeg[6]), 4), "JFIF");

  const DecodedJpeg decoded = DecodeJpeg(jpeg);
  const int width = decoded.width;
  const std::vector<uint8_t>& rgb = decoded.rgb;
  EXPECT_EQ(decoded.width, c.width);
  EXPECT_EQ(decoded.height, c.height);
  EXPECT_EQ(decoded.components, 3);
  EXPECT_FALSE(decoded.progressive);
  // Each pixel near its source (the picture is smooth, so quality 90 keeps it close).
  double total = 0;
  int worst = 0;
  for (int y = 0; y < c.height; ++y)
    for (int x = 0; x < c.width; ++x) {
      const int sourceRow = c.topDown ? y : c.height - 1 - y;
      const uint8_t* bgr = picture.Pixels() + sourceRow * picture.Stride() + x * (c.bits / 8);
      const uint8_t* out = &rgb[(static_cast<size_t>(y) * width + x) * 3];
      for (int k = 0; k < 3; ++k) {
        const int difference = std::abs(out[k] - bgr[2 - k]);
        total += difference;
        worst = std::max(worst, difference);
      }
    }
  EXPECT_LT(total / (3.0 * c.width * c.height), 3.0);
  EXPECT_LT(worst, 40);
}

INSTANTIATE_TEST_SUITE_P(Sizes, JpegEncodeTest,
                         testing::Values(JpegCase{1, 1, 32, true}, JpegCase{1, 1, 24, true}, JpegCase{3, 5, 24, true},
                                         JpegCase{17, 9, 32, false}, JpegCase{64, 48, 32, true},
                                         JpegCase{33, 31, 24, false}));

TEST(JpegEncode, ReusesTheOutputBufferAndReportsLibraryErrors) {
  const TestPicture picture(40, 30, 32);
  const PixelView view{40, 30, 32, picture.Pixels(), picture.Stride(), true};
  std::vector<uint8_t> out(10, 0xAB);  // stale bytes from an earlier picture
  ASSERT_EQ(EncodeJpeg(view, out), 0);
  const std::vector<uint8_t> first = out;
  ASSERT_EQ(EncodeJpeg(view, out), 0);
  EXPECT_EQ(out, first);
  EXPECT_EQ(out[0], 0xFF);

  const PixelView empty{0, 0, 32, picture.Pixels(), picture.Stride(), true};
  EXPECT_EQ(EncodeJpeg(empty, out), JERR_EMPTY_IMAGE);
}

}  // namespace

namespace {

// The clipboard's DIB: a 40-byte header of a bottom-up 24-bit picture, then its rows padded to 4.
TEST(PackedDib24, HoldsThePixelsBottomUpIn24BitsWhateverTheSource) {
  for (const auto& [bits, topDown] : {std::pair{24, true}, std::pair{32, true}, std::pair{32, false}}) {
    const int width = 5, height = 3;
    const TestPicture picture(width, height, bits);
    const PixelView view{width, height, bits, picture.Pixels(), picture.Stride(), topDown};
    const std::vector<uint8_t> dib = PackedDib24(view);
    const size_t rowBytes = 16;  // 5 x 3 bytes, padded
    ASSERT_EQ(dib.size(), 40 + rowBytes * height);
    EXPECT_EQ(Le32(&dib[0]), 40u);
    EXPECT_EQ(static_cast<int32_t>(Le32(&dib[8])), height) << "bottom-up";
    EXPECT_EQ(Le16(&dib[14]), 24);
    int wrong = 0;
    for (int y = 0; y < height; ++y)  // from the top
      for (int x = 0; x < width; ++x) {
        const uint8_t* want = picture.Pixels() + (topDown ? y : height - 1 - y) * picture.Stride() + x * (bits / 8);
        wrong += std::memcmp(&dib[40 + (height - 1 - y) * rowBytes + x * 3], want, 3) != 0;
      }
    EXPECT_EQ(wrong, 0) << bits << " bits";
  }
  EXPECT_TRUE(PackedDib24(PixelView{2, 2, 16, nullptr, 4, true}).empty());
}

}  // namespace
