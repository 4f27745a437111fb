#include "markup/shapes.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "markup/render.h"

namespace {

double DistanceToSegment(PointF p, PointF a, PointF b) {
  const double dx = b.X - a.X, dy = b.Y - a.Y, length2 = dx * dx + dy * dy;
  const double t = length2 > 0 ? std::clamp(((p.X - a.X) * dx + (p.Y - a.Y) * dy) / length2, 0.0, 1.0) : 0.0;
  return std::hypot(p.X - (a.X + t * dx), p.Y - (a.Y + t * dy));
}

// The rectangle between a box's two corners.
RectF Corners(const Shape& shape) { return Enclosing(std::array{shape.Points.front(), shape.Points.back()}); }

}  // namespace

RectF ShapeBounds(const Shape& shape) {
  if (shape.Points.empty()) return {};
  switch (shape.Kind) {
    case ShapeKind::Step:
    case ShapeKind::Text: return MeasuredBounds(shape);  // as the font draws them
    case ShapeKind::Mosaic: return Corners(shape);
    default: break;
  }
  const RectF r = Enclosing(shape.Points);
  // An arrow's head reaches beside the line by up to 0.45 of its length (at most three widths and
  // six pixels); a marker's square ends by up to half a width times the square root of two.
  const double reach = shape.Kind == ShapeKind::Arrow    ? std::max(shape.Width * 3, shape.Width * 1.35 + 2.7)
                       : shape.Kind == ShapeKind::Marker ? shape.Width * 0.75
                                                         : shape.Width / 2;
  return Inflated(r, reach);
}

bool HitsShape(const Shape& shape, PointF p, double tolerance) {
  if (shape.Points.empty()) return false;
  const double reach = tolerance + shape.Width / 2;
  switch (shape.Kind) {
    case ShapeKind::Rectangle: {
      const RectF r = Corners(shape);
      return Inflated(r, reach).Contains(p) &&
             !(r.Right - r.Left > 2 * reach && r.Bottom - r.Top > 2 * reach && Inflated(r, -reach).Contains(p));
    }
    case ShapeKind::Ellipse: {
      const RectF r = Corners(shape);
      const double rx = (r.Right - r.Left) / 2, ry = (r.Bottom - r.Top) / 2;
      const double cx = r.Left + rx, cy = r.Top + ry;
      // The distance from the outline, measured along the ray from the centre: exact for circles,
      // close enough for ellipses.
      const double angle = std::atan2((p.Y - cy) * std::max(rx, 1e-9), (p.X - cx) * std::max(ry, 1e-9));
      const PointF onOutline{cx + rx * std::cos(angle), cy + ry * std::sin(angle)};
      return std::hypot(p.X - onOutline.X, p.Y - onOutline.Y) <= reach;
    }
    case ShapeKind::Mosaic:
    case ShapeKind::Text:
    case ShapeKind::Step: return Inflated(ShapeBounds(shape), tolerance).Contains(p);
    default: break;
  }
  if (shape.Points.size() == 1) return std::hypot(p.X - shape.Points[0].X, p.Y - shape.Points[0].Y) <= reach;
  for (size_t i = 1; i < shape.Points.size(); ++i)
    if (DistanceToSegment(p, shape.Points[i - 1], shape.Points[i]) <= reach) return true;
  return false;
}

void MoveShape(Shape& shape, double dx, double dy) {
  for (PointF& p : shape.Points) p = {p.X + dx, p.Y + dy};
}

PointF ConstrainedEnd(ShapeKind kind, PointF start, PointF end) {
  const double dx = end.X - start.X, dy = end.Y - start.Y;
  if (kind == ShapeKind::Line || kind == ShapeKind::Arrow) {
    constexpr double kStep = kPi / 4;
    const double angle = std::round(std::atan2(dy, dx) / kStep) * kStep, length = std::hypot(dx, dy);
    return {start.X + length * std::cos(angle), start.Y + length * std::sin(angle)};
  }
  const double side = std::max(std::fabs(dx), std::fabs(dy));
  return {start.X + std::copysign(side, dx), start.Y + std::copysign(side, dy)};
}
