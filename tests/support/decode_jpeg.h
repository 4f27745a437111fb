// Reads a JPEG back with libjpeg, for tests that check what was written.
#pragma once

#include <cstdint>
#include <cstdio>
#include <vector>

#include <jpeglib.h>

struct DecodedJpeg {
  int width = 0, height = 0, components = 0;
  bool progressive = false;
  std::vector<uint8_t> rgb;  // rows from the top, red green blue
};

inline DecodedJpeg DecodeJpeg(const std::vector<uint8_t>& data) {
  DecodedJpeg result;
  jpeg_decompress_struct info{};
  jpeg_error_mgr errors{};
  info.err = jpeg_std_error(&errors);
  jpeg_create_decompress(&info);
  jpeg_mem_src(&info, data.data(), static_cast<unsigned long>(data.size()));
  jpeg_read_header(&info, TRUE);
  result.components = info.num_components;
  result.progressive = info.progressive_mode;
  info.out_color_space = JCS_RGB;
  jpeg_start_decompress(&info);
  result.width = static_cast<int>(info.output_width);
  result.height = static_cast<int>(info.output_height);
  result.rgb.resize(static_cast<size_t>(result.width) * result.height * 3);
  while (info.output_scanline < info.output_height) {
    JSAMPROW row = result.rgb.data() + static_cast<size_t>(info.output_scanline) * result.width * 3;
    jpeg_read_scanlines(&info, &row, 1);
  }
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
  return result;
}
