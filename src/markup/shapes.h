// What is drawn on a picture in the region overlay: shapes as data. Each knows its bounds, whether a
// point touches it (by its geometry, not its pixels) and how to move. Window-free; coordinates are
// picture pixels, as doubles so strokes keep the mouse's path.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "markup/geometry.h"
#include "markup/markup_style.h"

enum class ShapeKind : uint8_t { Rectangle, Ellipse, Arrow, Line, Pen, Marker, Text, Step, Mosaic };

struct Shape {
  ShapeKind Kind = ShapeKind::Rectangle;
  // Rectangle, ellipse, mosaic: two opposite corners; line and arrow: start and end; pen and marker:
  // the stroke; text and step: the anchor (text's top-left, the step circle's centre).
  std::vector<PointF> Points;
  Colour Ink{255, 0, 0};
  double Width = 4;     // of the line; the text's height; the step circle's radius
  std::wstring Text;    // text only
  int32_t Number = 0;   // step only
  bool operator==(const Shape&) const = default;
};

// The rectangle a shape covers, its line's width included; empty (all zero) for a shape with no
// points.
RectF ShapeBounds(const Shape& shape);

// Whether `point` touches the shape: within `tolerance` of its line for outlines, strokes, lines and
// arrows; anywhere inside for a mosaic, a text or a step.
bool HitsShape(const Shape& shape, PointF point, double tolerance);

// The shape moved by (dx, dy).
void MoveShape(Shape& shape, double dx, double dy);

// A corner-to-corner shape held square (rectangle, ellipse, mosaic) or a line held to a multiple of
// 45 degrees, as Shift holds it: the end point moved to fit.
PointF ConstrainedEnd(ShapeKind kind, PointF start, PointF end);
