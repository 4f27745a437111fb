// Comparing the rows of reads and the blocks of a read that change by themselves: the long
// picture's window-free measures of "the same", "alike but for a spot" and "but for a block".
#pragma once

#include <cstdint>
#include <vector>

#include "common/rect.h"

// A spot that changes in place: at most this many rows in one run (a caret, an animated icon).
inline constexpr int32_t kSpotRows = 48;
// A read agrees with the picture in at least this many rows to be placed.
inline constexpr int32_t kMinOverlap = 8;

// The row's hash: equal rows have equal hashes.
uint64_t RowHash(const uint32_t* row, int32_t width);
// Whether two rows of `width` pixels differ at most in one spot (a caret, an icon) or not at all.
bool RowsAlike(const uint32_t* a, const uint32_t* b, int32_t width);
// How wide a spot may be: a quarter of the row, at least 3 columns, at most 96.
int32_t SpotWidth(int32_t width);
// The columns [first, last] where two rows differ; first == width when they do not.
void DifferingColumns(const uint32_t* a, const uint32_t* b, int32_t width, int32_t& first, int32_t& last);
bool Uniform(const uint32_t* row, int32_t width);

// Blocks of moving content this close are one; each is widened by as much.
inline constexpr int32_t kBlockMargin = 4;
// Adds a block to a list, as one with any it meets or nearly meets.
void AddBlock(std::vector<Rect>& blocks, Rect block);
// Whether two blocks meet or nearly meet.
bool Near(const Rect& a, const Rect& b);
struct Columns {
  int32_t From, To;
};
// The columns of the blocks that cross row `y`.
void ColumnsAt(const std::vector<Rect>& blocks, int32_t y, std::vector<Columns>& columns);
// Whether two rows are equal outside the columns given.
bool SameOutside(const uint32_t* a, const uint32_t* b, int32_t width, std::vector<Columns>& columns);
