// A tall document seen through a region, for the long picture's tests and fuzz target: a fixed
// header and footer, the middle showing the document from a scroll offset. The document is lines of
// text-like random pixels with blank rows between them; a spot can be made to blink in it.
#pragma once

#include <cstdint>
#include <random>
#include <vector>

#include "scrolling/long_picture.h"

struct ScrolledDocument {
  int32_t Width = 0, Header = 0, Footer = 0, View = 0;
  std::vector<uint32_t> Document, HeaderPixels, FooterPixels;
  // A spot in the document (rows [SpotTop, SpotTop + SpotRows), columns [SpotLeft, +SpotWidth))
  // that reads show inverted while SpotOn.
  int32_t SpotTop = -1, SpotRows = 0, SpotLeft = 0, SpotWidth = 0;
  bool SpotOn = false;

  int32_t Rows() const { return static_cast<int32_t>(Document.size() / Width); }
  int32_t Height() const { return Header + View + Footer; }
  int32_t LastOffset() const { return Rows() - View; }

  // What the region shows scrolled to `offset`.
  std::vector<uint32_t> Read(int32_t offset) const {
    std::vector<uint32_t> read(HeaderPixels);
    read.insert(read.end(), Document.begin() + int64_t{offset} * Width, Document.begin() + int64_t{offset + View} * Width);
    read.insert(read.end(), FooterPixels.begin(), FooterPixels.end());
    if (SpotOn)
      for (int32_t y = SpotTop; y < SpotTop + SpotRows; ++y)
        if (y >= offset && y < offset + View)
          for (int32_t x = SpotLeft; x < SpotLeft + SpotWidth; ++x) read[size_t(Header + y - offset) * Width + x] ^= 0xFFFFFF;
    return read;
  }
  // The header, the document's rows [0, rows) and the footer.
  std::vector<uint32_t> Expected(int32_t rows) const {
    std::vector<uint32_t> expected(HeaderPixels);
    expected.insert(expected.end(), Document.begin(), Document.begin() + int64_t{rows} * Width);
    expected.insert(expected.end(), FooterPixels.begin(), FooterPixels.end());
    return expected;
  }
};

// Lines of `lineRows` rows of random pixels over a random part of the width, `gapRows` blank rows
// after each; header and footer of their own random rows.
inline ScrolledDocument MakeDocument(int32_t width, int32_t rows, int32_t header, int32_t footer, int32_t view,
                                     uint32_t seed, int32_t lineRows = 12, int32_t gapRows = 4) {
  std::mt19937 random(seed);
  ScrolledDocument document;
  document.Width = width;
  document.Header = header;
  document.Footer = footer;
  document.View = view;
  const auto fill = [&](std::vector<uint32_t>& pixels, int32_t count, bool lines) {
    pixels.assign(size_t(count) * width, 0xFFFFFF);
    for (int32_t y = 0; y < count; ++y) {
      if (lines && y % (lineRows + gapRows) >= lineRows) continue;
      const int32_t left = static_cast<int32_t>(random() % (width / 2));
      for (int32_t x = left; x < width - static_cast<int32_t>(random() % (width / 4 + 1)); ++x)
        pixels[size_t(y) * width + x] = random() & 0xFFFFFF;
    }
  };
  fill(document.Document, rows, true);
  fill(document.HeaderPixels, header, false);
  fill(document.FooterPixels, footer, false);
  return document;
}

inline ReadResult AddRead(TLongPicture& picture, const std::vector<uint32_t>& read) {
  return picture.Add(read.data(), picture.Width());
}

inline std::vector<uint32_t> PixelsOf(const TLongPicture& picture) {
  std::vector<uint32_t> pixels;
  for (int32_t y = 0; y < picture.Height(); ++y)
    pixels.insert(pixels.end(), picture.Row(y), picture.Row(y) + picture.Width());
  return pixels;
}
