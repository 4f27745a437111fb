// JPEG files read back: what the program's own writer wrote comes back close to its pixels, whole
// or shrunk, bottom row first; anything broken or too large is refused.
#include "common/jpeg_decoding.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "common/image_encoding.h"

#include <jpeglib.h>

namespace {

constexpr uint8_t kSof2[] = {0xFF, 0xC2};  // a progressive frame's header

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

// A 16 x 16 grey progressive JPEG, as a camera or a web page saves one.
std::vector<uint8_t> Progressive() {
  jpeg_compress_struct info{};
  jpeg_error_mgr errors{};
  info.err = jpeg_std_error(&errors);
  jpeg_create_compress(&info);
  unsigned char* out = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&info, &out, &size);
  info.image_width = info.image_height = 16, info.input_components = 3, info.in_color_space = JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_simple_progression(&info);
  jpeg_start_compress(&info, TRUE);
  std::vector<uint8_t> row(16 * 3, 128);
  for (JSAMPROW at = row.data(); info.next_scanline < 16;) jpeg_write_scanlines(&info, &at, 1);
  jpeg_finish_compress(&info);
  std::vector<uint8_t> file(out, out + size);
  jpeg_destroy_compress(&info);
  free(out);
  return file;
}

TEST(JpegDecoding, BrokenForeignOrTooLargeFilesAreRefused) {
  const std::vector<uint8_t> file = TwoBands(64, 48);
  EXPECT_FALSE(Decode({}).ok);
  EXPECT_FALSE(Decode({'B', 'M', 0, 0}).ok) << "a BMP";
  EXPECT_FALSE(Decode(std::vector<uint8_t>(file.begin(), file.begin() + 40)).ok) << "cut inside its header";
  EXPECT_FALSE(Decode(file, 1, 64 * 48 - 1).ok) << "more pixels than allowed";
  EXPECT_FALSE(DecodeJpegBgrx(file.data(), file.size(), 1, 1 << 20, [](int32_t, int32_t, int32_t) { return nullptr; }));
  // Tiny files that would cost gigabytes or minutes: a progressive header of 4096 x 4096, which
  // shrunk by 8 gives fewer pixels than allowed but takes the whole picture's buffers; and one scan
  // repeated a thousand times.
  const std::vector<uint8_t> small = Progressive();
  ASSERT_TRUE(Decode(small, 8, 1 << 20).ok);
  std::vector<uint8_t> large = small;
  const auto frame = std::search(large.begin(), large.end(), std::begin(kSof2), std::end(kSof2));
  ASSERT_NE(frame, large.end());
  frame[5] = frame[7] = 0x10, frame[6] = frame[8] = 0;  // 4096 rows of 4096
  EXPECT_FALSE(Decode(large, 8, 1 << 20).ok);
  const uint8_t sos[] = {0xFF, 0xDA};  // the last scan's start
  const auto last = std::find_end(small.begin(), small.end(), std::begin(sos), std::end(sos));
  std::vector<uint8_t> scans(small.begin(), small.end() - 2);
  for (int copy = 0; copy < 1000; ++copy) scans.insert(scans.end(), last, small.end() - 2);
  scans.insert(scans.end(), {0xFF, 0xD9});
  EXPECT_FALSE(Decode(scans, 1, 1 << 20).ok);
}

}  // namespace
