#include "scrolling/preview.h"

#include <algorithm>

namespace {

uint32_t Mean4(uint32_t a, uint32_t b, uint32_t c, uint32_t d) {
  uint32_t mean = 0;
  for (int shift = 0; shift < 24; shift += 8) {
    const uint32_t sum = ((a >> shift) & 255) + ((b >> shift) & 255) + ((c >> shift) & 255) + ((d >> shift) & 255);
    mean |= ((sum + 2) / 4) << shift;
  }
  return mean;
}

}  // namespace

void DrawPreview(const TLongPicture& picture, int32_t width, int32_t height, uint32_t background, uint32_t* out) {
  std::fill(out, out + static_cast<int64_t>(width) * height, background);
  const int32_t sourceWidth = picture.Width(), sourceHeight = picture.Height();
  if (width <= 0 || height <= 0 || sourceWidth <= 0 || sourceHeight <= 0) return;
  const double scale = std::min(1.0, static_cast<double>(width) / sourceWidth);  // never enlarged
  const auto shownRows = std::min<int32_t>(height, static_cast<int32_t>(sourceHeight * scale));
  const auto shownColumns = std::max<int32_t>(1, static_cast<int32_t>(sourceWidth * scale));
  const double firstRow = sourceHeight - shownRows / scale;  // the newest rows are shown
  const auto sample = [&](double from, int32_t limit, double quarter) {
    return std::clamp(static_cast<int32_t>(from + quarter), 0, limit - 1);
  };
  for (int32_t y = 0; y < shownRows; ++y) {
    const double top = firstRow + y / scale;
    const uint32_t* rows[2] = {picture.Row(sample(top, sourceHeight, 0.25 / scale)),
                               picture.Row(sample(top, sourceHeight, 0.75 / scale))};
    uint32_t* line = out + static_cast<int64_t>(y) * width;
    for (int32_t x = 0; x < shownColumns && x < width; ++x) {
      const double left = x / scale;
      const int32_t a = sample(left, sourceWidth, 0.25 / scale), b = sample(left, sourceWidth, 0.75 / scale);
      line[x] = Mean4(rows[0][a], rows[0][b], rows[1][a], rows[1][b]);
    }
  }
}
