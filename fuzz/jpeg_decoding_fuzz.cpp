// JPEG files read back: any bytes (a file changed or cut since it was saved) decode to a picture of
// the size the header gave, or are refused; nothing is read or written outside the rows given.
#include "common/jpeg_decoding.h"
#include "fuzz_support.h"

#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
  if (size < 1) return 0;
  const int shrink = 1 << (bytes[0] % 4);
  std::vector<uint8_t> rows;
  int32_t shownWidth = 0, shownHeight = 0;
  const auto rowsFor = [&](int32_t width, int32_t height, int32_t stride) {
    // Rows only for a size within the limit.
    FUZZ_CHECK(width > 0 && height > 0 && int64_t{width} * height <= (int64_t{1} << 20));
    FUZZ_CHECK(stride == width * 4);  // rows of another stride
    shownWidth = width, shownHeight = height;
    rows.assign(static_cast<size_t>(stride) * height, 0);
    return rows.data();
  };
  const bool read = DecodeJpegBgrx(bytes + 1, size - 1, shrink, int64_t{1} << 20, rowsFor);
  // A picture read has its rows.
  FUZZ_CHECK(!read || (shownWidth > 0 && rows.size() == static_cast<size_t>(shownWidth) * shownHeight * 4));
  return 0;
}
