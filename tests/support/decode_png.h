// Reads a PNG back with libpng, for tests that check what was written; and names its chunks.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <png.h>

struct DecodedPng {
  bool ok = false;
  int width = 0, height = 0;
  std::vector<uint8_t> rgb;         // rows from the top, red green blue
  std::vector<std::string> chunks;  // the chunk types in file order
  uint8_t bitDepth = 0, colorType = 0, interlace = 0;
};

inline uint32_t PngBe32(const uint8_t* at) {
  return static_cast<uint32_t>(at[0]) << 24 | at[1] << 16 | at[2] << 8 | at[3];
}

inline DecodedPng DecodePng(const std::vector<uint8_t>& data) {
  DecodedPng result;
  for (size_t at = 8; at + 12 <= data.size();) {
    const uint32_t length = PngBe32(&data[at]);
    result.chunks.emplace_back(reinterpret_cast<const char*>(&data[at + 4]), 4);
    if (result.chunks.size() == 1 && length >= 13) {
      result.bitDepth = data[at + 16];
      result.colorType = data[at + 17];
      result.interlace = data[at + 20];
    }
    at += 12 + static_cast<size_t>(length);
  }
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&image, data.data(), data.size())) return result;
  image.format = PNG_FORMAT_RGB;
  result.width = static_cast<int>(image.width);
  result.height = static_cast<int>(image.height);
  result.rgb.resize(PNG_IMAGE_SIZE(image));
  // A warning counts as a failure: libpng only warns about some faults at the stream's end.
  result.ok = png_image_finish_read(&image, nullptr, result.rgb.data(), 0, nullptr) != 0 && image.warning_or_error == 0;
  return result;
}
