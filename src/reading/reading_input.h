// A picture made ready for the recogniser: grey, dark text on a light ground, enlarged 1.5 times
// (screen text is small; the recogniser reads it best a little larger), with a margin of ground
// round it, in strips the recogniser takes one at a time. Window-free.
#pragma once

#include <cstdint>
#include <vector>

#include "common/rect.h"

// 8-bit grey rows, Width bytes each.
struct GreyPicture {
  std::vector<uint8_t> Pixels;
  int32_t Width = 0, Height = 0;
};

// The picture in grey at its own size, turned so the ground is light.
struct ReadingSource {
  GreyPicture Grey;
  double Scale = 1.5;  // what a strip is enlarged by: less where the picture is very wide
};

// A picture the recogniser can take, and where its top left stands in the enlarged source.
struct ReadingStrip {
  GreyPicture Picture;
  int32_t Top = 0;   // the strip's first row, enlarged (without the margin)
  int32_t Margin = 0;
};

// The recogniser takes no side longer than this, and no strip taller.
inline constexpr int32_t kReadingMaxSide = 30000;
inline constexpr int32_t kReadingStripRows = 4000;
inline constexpr int32_t kReadingMargin = 12;

// 32-bit BGRX pixels, top-down rows `stride` bytes apart. A picture too small to hold a character
// (less than 4 pixels a side) gives an empty source.
ReadingSource PrepareForReading(const uint8_t* pixels, int32_t width, int32_t height, int32_t stride);

// The source's rows, cut where the rows are quietest near each strip's end so no line of text is cut
// through: [first, end) pairs that cover every row once, none taller than kReadingStripRows enlarged.
std::vector<std::pair<int32_t, int32_t>> StripRows(const ReadingSource& source);

// The rows [first, end) of the source, enlarged, with the margin round them.
ReadingStrip MakeStrip(const ReadingSource& source, int32_t first, int32_t end);

// The runs of columns [from, to) of `area` (clipped to the picture) where no pixel of its rows is
// darker than a faint shade: the gaps between letters and words of a line of text.
std::vector<std::pair<int32_t, int32_t>> BlankColumns(const GreyPicture& picture, const Rect& area);
