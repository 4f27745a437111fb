// JPEG files read back: any bytes (a file changed or cut since it was saved) decode to a picture of
// the size the header gave, or are refused; nothing is read or written outside the rows given, and
// no file takes more memory or time than the fuzzer's limits (a progressive file of more pixels
// than allowed, scans repeated).
#include "common/jpeg_decoding.h"
#include "fuzz_support.h"

#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
  if (size < 1) return 0;
  // The first byte: the shrink, and the pixels allowed (256 to 2^20), so that a shrunk decode can
  // take a file of more pixels than allowed.
  const int shrink = 1 << (bytes[0] % 4);
  const int64_t maxPixels = int64_t{1} << (8 + (bytes[0] >> 2) % 13);
  std::vector<uint8_t> rows;
  int32_t shownWidth = 0, shownHeight = 0;
  const auto rowsFor = [&](int32_t width, int32_t height, int32_t stride) {
    // Rows only for a size within the limit.
    FUZZ_CHECK(width > 0 && height > 0 && int64_t{width} * height <= maxPixels);
    FUZZ_CHECK(stride == width * 4);  // rows of another stride
    shownWidth = width, shownHeight = height;
    rows.assign(static_cast<size_t>(stride) * height, 0);
    return rows.data();
  };
  const bool read = DecodeJpegBgrx(bytes + 1, size - 1, shrink, maxPixels, rowsFor);
  // A picture read has its rows.
  FUZZ_CHECK(!read || (shownWidth > 0 && rows.size() == static_cast<size_t>(shownWidth) * shownHeight * 4));
  return 0;
}
