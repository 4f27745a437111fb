#include "reading/reading_input.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace {

constexpr int32_t kSmallest = 4;

// A pixel lighter than this is ground.
constexpr uint8_t kInk = 200;

// How far a row strays from the ground: the pixels that differ from it by more than a faint shade.
int32_t RowInk(const GreyPicture& grey, int32_t y) {
  const uint8_t* row = grey.Pixels.data() + static_cast<size_t>(y) * grey.Width;
  int32_t ink = 0;
  for (int32_t x = 0; x < grey.Width; ++x) ink += row[x] < kInk;
  return ink;
}

}  // namespace

ReadingSource PrepareForReading(const uint8_t* pixels, int32_t width, int32_t height, int32_t stride) {
  ReadingSource source;
  if (!pixels || width < kSmallest || height < kSmallest || static_cast<int64_t>(stride) < static_cast<int64_t>(width) * 4)
    return source;
  GreyPicture& grey = source.Grey;
  grey.Width = width;
  grey.Height = height;
  grey.Pixels.resize(static_cast<size_t>(width) * height);
  std::array<uint32_t, 256> histogram{};
  for (int32_t y = 0; y < height; ++y) {
    const uint8_t* in = pixels + static_cast<size_t>(y) * stride;
    uint8_t* out = grey.Pixels.data() + static_cast<size_t>(y) * width;
    for (int32_t x = 0; x < width; ++x, in += 4) {
      // Luma, in 1/1024ths: 0.114 B + 0.587 G + 0.299 R.
      out[x] = static_cast<uint8_t>((117 * in[0] + 601 * in[1] + 306 * in[2] + 512) >> 10);
      ++histogram[out[x]];
    }
  }
  // The commonest shade is the ground, the lightest where several are as common; a dark ground is
  // turned light.
  const auto ground = histogram.rend() - 1 - std::max_element(histogram.rbegin(), histogram.rend());
  if (ground < 128)
    for (uint8_t& p : grey.Pixels) p = static_cast<uint8_t>(255 - p);
  source.Scale = std::min(1.5, static_cast<double>(kReadingMaxSide - 2 * kReadingMargin) / width);
  return source;
}

std::vector<std::pair<int32_t, int32_t>> StripRows(const ReadingSource& source) {
  std::vector<std::pair<int32_t, int32_t>> strips;
  const int32_t height = source.Grey.Height;
  const int32_t most = std::max(kSmallest, static_cast<int32_t>((kReadingStripRows - 2 * kReadingMargin) / source.Scale));
  for (int32_t first = 0; first < height;) {
    int32_t end = height;
    if (height - first > most) {
      // The quietest row of the strip's last quarter ends it.
      end = first + most;
      int32_t quietest = RowInk(source.Grey, end - 1);
      for (int32_t y = end - 1; y >= first + most * 3 / 4 && quietest > 0; --y) {
        const int32_t ink = RowInk(source.Grey, y);
        if (ink < quietest) {
          quietest = ink;
          end = y + 1;
        }
      }
    }
    strips.emplace_back(first, end);
    first = end;
  }
  return strips;
}

ReadingStrip MakeStrip(const ReadingSource& source, int32_t first, int32_t end) {
  const GreyPicture& in = source.Grey;
  const double scale = source.Scale;
  ReadingStrip strip;
  strip.Margin = kReadingMargin;
  strip.Top = static_cast<int32_t>(std::lround(first * scale));
  const int32_t width = std::max(1, static_cast<int32_t>(std::lround(in.Width * scale)));
  const int32_t rows = std::max(1, static_cast<int32_t>(std::lround(end * scale)) - strip.Top);
  GreyPicture& out = strip.Picture;
  out.Width = width + 2 * kReadingMargin;
  out.Height = rows + 2 * kReadingMargin;
  out.Pixels.assign(static_cast<size_t>(out.Width) * out.Height, 255);
  // Bilinear, each output pixel's centre mapped back into the source, within the strip's rows.
  std::vector<int32_t> x0(width), xWeight(width);
  for (int32_t x = 0; x < width; ++x) {
    const double at = std::clamp((x + 0.5) / scale - 0.5, 0.0, static_cast<double>(in.Width - 1));
    x0[x] = std::min(static_cast<int32_t>(at), in.Width - 2);  // a source is at least 4 wide
    xWeight[x] = static_cast<int32_t>(std::lround((at - x0[x]) * 256));
  }
  for (int32_t y = 0; y < rows; ++y) {
    const double at = std::clamp((strip.Top + y + 0.5) / scale - 0.5, static_cast<double>(first), static_cast<double>(end - 1));
    const int32_t y0 = static_cast<int32_t>(at), y1 = std::min(y0 + 1, end - 1);
    const int32_t yWeight = static_cast<int32_t>(std::lround((at - y0) * 256));
    const uint8_t* a = in.Pixels.data() + static_cast<size_t>(y0) * in.Width;
    const uint8_t* b = in.Pixels.data() + static_cast<size_t>(y1) * in.Width;
    uint8_t* o = out.Pixels.data() + static_cast<size_t>(y + kReadingMargin) * out.Width + kReadingMargin;
    for (int32_t x = 0; x < width; ++x) {
      const int32_t i = x0[x], w = xWeight[x];
      const int32_t top = a[i] * (256 - w) + a[i + 1] * w, bottom = b[i] * (256 - w) + b[i + 1] * w;
      o[x] = static_cast<uint8_t>((top * (256 - yWeight) + bottom * yWeight + (1 << 15)) >> 16);
    }
  }
  return strip;
}

std::vector<std::pair<int32_t, int32_t>> BlankColumns(const GreyPicture& picture, const Rect& area) {
  const Rect inside = Intersection(area, {0, 0, picture.Width, picture.Height});
  std::vector<std::pair<int32_t, int32_t>> runs;
  if (inside.Width() <= 0 || inside.Height() <= 0) return runs;
  std::vector<bool> inked(static_cast<size_t>(inside.Width()), false);
  for (int32_t y = inside.Top; y < inside.Bottom; ++y) {
    const uint8_t* row = picture.Pixels.data() + static_cast<size_t>(y) * picture.Width;
    for (int32_t x = inside.Left; x < inside.Right; ++x)
      if (row[x] < kInk) inked[x - inside.Left] = true;
  }
  for (int32_t x = inside.Left; x < inside.Right;) {
    if (inked[x - inside.Left]) {
      ++x;
      continue;
    }
    const int32_t from = x;
    while (x < inside.Right && !inked[x - inside.Left]) ++x;
    runs.emplace_back(from, x);
  }
  return runs;
}
