#include "scrolling/row_compare.h"

#include <algorithm>
#include <cstring>

// At least 3 columns however narrow the read (a caret is that wide; less only in a read narrower
// than that).
int32_t SpotWidth(int32_t width) { return std::clamp(width / 4, std::min(3, std::max(width - 1, 1)), 96); }

bool Uniform(const uint32_t* row, int32_t width) {
  return std::all_of(row + 1, row + width, [&](uint32_t pixel) { return pixel == row[0]; });
}

bool Near(const Rect& a, const Rect& b) {
  const Rect both = Intersection({a.Left - kBlockMargin, a.Top - kBlockMargin, a.Right + kBlockMargin, a.Bottom + kBlockMargin}, b);
  return both.Width() > 0 && both.Height() > 0;
}

void AddBlock(std::vector<Rect>& blocks, Rect block) {
  for (size_t i = 0; i < blocks.size();) {
    const Rect& other = blocks[i];
    if (Near(other, block)) {
      block = {std::min(block.Left, other.Left), std::min(block.Top, other.Top), std::max(block.Right, other.Right),
               std::max(block.Bottom, other.Bottom)};
      blocks.erase(blocks.begin() + static_cast<std::ptrdiff_t>(i));
      i = 0;
    } else {
      ++i;
    }
  }
  blocks.push_back(block);
}

void ColumnsAt(const std::vector<Rect>& blocks, int32_t y, std::vector<Columns>& columns) {
  for (const Rect& block : blocks)
    if (block.Top <= y && y < block.Bottom) columns.push_back({block.Left, block.Right});
}

bool SameOutside(const uint32_t* a, const uint32_t* b, int32_t width, std::vector<Columns>& columns) {
  std::sort(columns.begin(), columns.end(), [](const Columns& l, const Columns& r) { return l.From < r.From; });
  int32_t x = 0;
  for (const Columns& skip : columns) {
    const int32_t to = std::clamp(skip.From, x, width);
    if (std::memcmp(a + x, b + x, static_cast<size_t>(to - x) * 4) != 0) return false;
    x = std::clamp(skip.To, x, width);
  }
  return std::memcmp(a + x, b + x, static_cast<size_t>(width - x) * 4) == 0;
}

uint64_t RowHash(const uint32_t* row, int32_t width) {
  // Two lanes of two pixels each, so the multiplications overlap.
  constexpr uint64_t kMix = 0x9FB21C651E98DF25ULL;
  uint64_t a = 0x9E3779B97F4A7C15ULL ^ static_cast<uint64_t>(width), b = 0xC2B2AE3D27D4EB4FULL;
  int32_t x = 0;
  for (; x + 4 <= width; x += 4) {
    uint64_t u, v;
    std::memcpy(&u, row + x, 8);
    std::memcpy(&v, row + x + 2, 8);
    a = (a ^ u) * kMix;
    a ^= a >> 29;
    b = (b ^ v) * kMix;
    b ^= b >> 29;
  }
  for (; x < width; ++x) a = ((a ^ row[x]) * kMix) ^ (a >> 31);
  uint64_t h = (a ^ (b * 0xD6E8FEB86659FD93ULL)) * kMix;
  return h ^ (h >> 32);
}

void DifferingColumns(const uint32_t* a, const uint32_t* b, int32_t width, int32_t& first, int32_t& last) {
  first = 0;
  while (first < width && a[first] == b[first]) ++first;
  last = width - 1;
  while (last > first && a[last] == b[last]) --last;
}

bool RowsAlike(const uint32_t* a, const uint32_t* b, int32_t width) {
  int32_t first, last;
  DifferingColumns(a, b, width, first, last);
  return first == width || last - first < SpotWidth(width);
}
