// A rectangle of whole pixels, Right and Bottom exclusive; each use says whose coordinates it holds.
// Window-free.
#pragma once

#include <cstdint>

struct Rect {
  int32_t Left = 0, Top = 0, Right = 0, Bottom = 0;
  int32_t Width() const { return Right - Left; }
  int32_t Height() const { return Bottom - Top; }
  bool Contains(int32_t x, int32_t y) const { return Left <= x && x < Right && Top <= y && y < Bottom; }
  bool operator==(const Rect&) const = default;
};

// The part two rectangles share; empty (not necessarily all zero) when they do not meet.
inline Rect Intersection(const Rect& a, const Rect& b) {
  return {a.Left > b.Left ? a.Left : b.Left, a.Top > b.Top ? a.Top : b.Top, a.Right < b.Right ? a.Right : b.Right,
          a.Bottom < b.Bottom ? a.Bottom : b.Bottom};
}
