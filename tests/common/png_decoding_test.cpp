#include "common/png_decoding.h"

#include <gtest/gtest.h>

#include <png.h>
#include <zlib.h>

#include <vector>

namespace {

struct Decoded {
  PngRead read;
  int32_t stride = 0;
  std::vector<uint8_t> rows;
};

Decoded Decode(const std::vector<uint8_t>& file) {
  Decoded d;
  d.read = DecodePngBgrx(file.data(), file.size(), [&](int32_t, int32_t height, int32_t stride) {
    d.stride = stride;
    d.rows.assign(static_cast<size_t>(stride) * height, 0xCD);
    return d.rows.data();
  });
  return d;
}

// A PNG of these pixels, by libpng, in its format.
std::vector<uint8_t> Written(int32_t width, int32_t height, uint32_t format, const std::vector<uint8_t>& pixels) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = width, image.height = height, image.format = format;
  png_alloc_size_t size = 0;
  EXPECT_TRUE(png_image_write_get_memory_size(image, size, 0, pixels.data(), 0, nullptr));
  std::vector<uint8_t> file(size);
  EXPECT_TRUE(png_image_write_to_memory(&image, file.data(), &size, 0, pixels.data(), 0, nullptr));
  file.resize(size);
  return file;
}

// Colour and see-through pictures come out as blue-green-red-255, the see-through parts laid on
// white: opaque red, a wholly see-through pixel, half see-through black.
TEST(PngDecoding, PicturesComeOutAsBgrxOnWhite) {
  const Decoded colour = Decode(Written(2, 1, PNG_FORMAT_RGB, {10, 20, 30, 40, 50, 60}));
  ASSERT_EQ(colour.read, PngRead::Ok);
  EXPECT_EQ(colour.stride, 8);
  EXPECT_EQ(colour.rows, (std::vector<uint8_t>{30, 20, 10, 255, 60, 50, 40, 255}));
  const Decoded alpha = Decode(Written(3, 1, PNG_FORMAT_RGBA, {255, 0, 0, 255, 9, 9, 9, 0, 0, 0, 0, 128}));
  EXPECT_EQ(alpha.rows, (std::vector<uint8_t>{0, 0, 255, 255, 255, 255, 255, 255, 127, 127, 127, 255}));
}

TEST(PngDecoding, NotAPngATruncatedOneAndAHugeOneAreSaidAndWriteNothing) {
  std::vector<uint8_t> file = Written(64, 64, PNG_FORMAT_RGB, std::vector<uint8_t>(64 * 64 * 3, 200));
  EXPECT_EQ(Decode({'B', 'M', 1, 2, 3}).read, PngRead::NotPng);
  EXPECT_EQ(Decode(std::vector<uint8_t>(file.begin(), file.begin() + file.size() / 2)).read, PngRead::Broken);
  // The header says 20,000 x 20,000, with its checksum made again.
  std::vector<uint8_t> huge = file;
  for (const size_t at : {16u, 20u}) huge[at] = 0, huge[at + 1] = 0, huge[at + 2] = 0x4E, huge[at + 3] = 0x20;
  const uLong crc = crc32(0, &huge[12], 17);
  for (int i = 0; i < 4; ++i) huge[29 + i] = static_cast<uint8_t>(crc >> (24 - 8 * i));
  const Decoded refused = Decode(huge);
  EXPECT_EQ(refused.read, PngRead::TooLarge);
  EXPECT_TRUE(refused.rows.empty()) << "memory asked for a picture refused";
  // No memory for the rows.
  EXPECT_EQ(DecodePngBgrx(file.data(), file.size(), [](int32_t, int32_t, int32_t) { return nullptr; }), PngRead::Broken);
}

}  // namespace
