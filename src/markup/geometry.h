// Points and rectangles of the drawing: picture pixels as doubles, so strokes keep the mouse's path.
// Window-free.
#pragma once

#include <algorithm>
#include <span>

inline constexpr double kPi = 3.14159265358979323846;

struct PointF {
  double X = 0, Y = 0;
  bool operator==(const PointF&) const = default;
};

struct RectF {
  double Left = 0, Top = 0, Right = 0, Bottom = 0;
  bool Empty() const { return Right <= Left || Bottom <= Top; }
  bool Contains(PointF p) const { return Left <= p.X && p.X <= Right && Top <= p.Y && p.Y <= Bottom; }
  bool operator==(const RectF&) const = default;
};

// The smallest rectangle holding every point; empty (all zero) for none.
inline RectF Enclosing(std::span<const PointF> points) {
  if (points.empty()) return {};
  RectF r{points[0].X, points[0].Y, points[0].X, points[0].Y};
  for (const PointF p : points) r = {std::min(r.Left, p.X), std::min(r.Top, p.Y), std::max(r.Right, p.X), std::max(r.Bottom, p.Y)};
  return r;
}

// The smallest rectangle holding both; an empty one adds nothing.
inline RectF Enclosing(const RectF& a, const RectF& b) {
  if (a.Empty()) return b;
  if (b.Empty()) return a;
  return {std::min(a.Left, b.Left), std::min(a.Top, b.Top), std::max(a.Right, b.Right), std::max(a.Bottom, b.Bottom)};
}

// The rectangle grown by `by` on every side (shrunk for a negative `by`).
inline RectF Inflated(const RectF& r, double by) { return {r.Left - by, r.Top - by, r.Right + by, r.Bottom + by}; }
