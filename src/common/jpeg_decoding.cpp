#include "common/jpeg_decoding.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>

namespace {

// How a decode gives up: the error handler's way out, and the scans counted on the way.
struct ErrorManager {
  jpeg_error_mgr base;
  std::jmp_buf escape;
  jpeg_progress_mgr progress;
};

void OnError(j_common_ptr info) { std::longjmp(reinterpret_cast<ErrorManager*>(info->err)->escape, 1); }
void Silence(j_common_ptr) {}

// A progressive file may repeat a scan without end, each one a pass over the whole picture; real
// files have about ten.
constexpr int kMaxScans = 200;

void CountScans(j_common_ptr info) {
  if (info->is_decompressor && reinterpret_cast<j_decompress_ptr>(info)->input_scan_number > kMaxScans) OnError(info);
}

// Kept apart from objects with destructors, which a longjmp would skip. The rows come through
// `rowsFor`, called once the size is known.
bool Decompress(jpeg_decompress_struct& info, ErrorManager& errors, const uint8_t* file, size_t size, int shrink,
                int64_t maxPixels, const std::function<uint8_t*(int32_t, int32_t, int32_t)>& rowsFor) {
  if (setjmp(errors.escape)) {
    jpeg_destroy_decompress(&info);
    return false;
  }
  jpeg_create_decompress(&info);
  info.progress = &errors.progress;
  // The library's memory is bounded too: a progressive file's coefficients take 6 bytes a pixel
  // (three components, none subsampled), whatever the shrink.
  info.mem->max_memory_to_use = static_cast<long>(std::min<int64_t>(maxPixels * 8 + (int64_t{16} << 20), int64_t{1} << 30));
  jpeg_mem_src(&info, file, static_cast<unsigned long>(size));
  jpeg_read_header(&info, TRUE);
  // A baseline file is decoded a few rows at a time: shrunk, it may hold more pixels than the rows
  // given. A progressive file's buffers are of the whole picture, whatever the shrink.
  const int64_t allowed = info.progressive_mode ? maxPixels : maxPixels * shrink * shrink;
  if (int64_t{info.image_width} * info.image_height > allowed) {
    jpeg_destroy_decompress(&info);
    return false;
  }
  info.out_color_space = JCS_EXT_BGRX;
  info.scale_num = 1;
  info.scale_denom = static_cast<unsigned>(shrink);
  jpeg_calc_output_dimensions(&info);
  const auto width = static_cast<int32_t>(info.output_width), height = static_cast<int32_t>(info.output_height);
  if (width <= 0 || height <= 0 || int64_t{width} * height > maxPixels) {
    jpeg_destroy_decompress(&info);
    return false;
  }
  uint8_t* rows = rowsFor(width, height, width * 4);
  if (!rows) {
    jpeg_destroy_decompress(&info);
    return false;
  }
  jpeg_start_decompress(&info);
  while (info.output_scanline < info.output_height) {
    JSAMPROW row = rows + static_cast<size_t>(height - 1 - static_cast<int32_t>(info.output_scanline)) * width * 4;
    jpeg_read_scanlines(&info, &row, 1);
  }
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
  return true;
}

}  // namespace

bool DecodeJpegBgrx(const uint8_t* file, size_t size, int shrink, int64_t maxPixels,
                    const std::function<uint8_t*(int32_t, int32_t, int32_t)>& rowsFor) {
  if (size < 3 || file[0] != 0xFF || file[1] != 0xD8 || file[2] != 0xFF) return false;
  if (shrink != 1 && shrink != 2 && shrink != 4 && shrink != 8) shrink = 1;
  jpeg_decompress_struct info{};
  ErrorManager errors{};
  errors.progress.progress_monitor = CountScans;
  info.err = jpeg_std_error(&errors.base);
  errors.base.error_exit = OnError;
  errors.base.output_message = Silence;
  return Decompress(info, errors, file, size, shrink, maxPixels, rowsFor);
}
