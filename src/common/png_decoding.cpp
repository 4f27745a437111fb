#include "common/png_decoding.h"

#include <png.h>

PngRead DecodePngBgrx(const uint8_t* file, size_t size,
                     const std::function<uint8_t*(int32_t width, int32_t height, int32_t stride)>& rowsFor) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&image, file, size)) return PngRead::NotPng;
  if (static_cast<int64_t>(image.width) * image.height > kPngMaxPixels) {
    png_image_free(&image);
    return PngRead::TooLarge;
  }
  image.format = PNG_FORMAT_BGRA;  // 8-bit sRGB, not premultiplied
  const auto width = static_cast<int32_t>(image.width), height = static_cast<int32_t>(image.height);
  const int32_t stride = width * 4;
  uint8_t* rows = rowsFor(width, height, stride);
  if (!rows) {
    png_image_free(&image);
    return PngRead::Broken;
  }
  // finish_read frees what begin_read took, whether it succeeds or not.
  if (!png_image_finish_read(&image, nullptr, rows, -stride, nullptr)) return PngRead::Broken;
  // Laid on white in sRGB, as paint programs and browsers mix (libpng's own mix is in linear light,
  // which makes half-transparent black a light grey).
  const size_t bytes = static_cast<size_t>(stride) * height;
  for (uint8_t* at = rows; at < rows + bytes; at += 4) {
    const unsigned alpha = at[3];
    for (int i = 0; i < 3; ++i) at[i] = static_cast<uint8_t>((at[i] * alpha + 255 * (255 - alpha) + 127) / 255);
    at[3] = 255;
  }
  return PngRead::Ok;
}
