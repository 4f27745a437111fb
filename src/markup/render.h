// Shapes drawn onto a picture in memory, anti-aliased, by cairo. Window-free: the same pixels come
// out natively and on Windows (text aside, which each system's fonts render).
#pragma once

#include <cstdint>
#include <functional>

#include "common/rect.h"
#include "markup/history.h"

// The pixels: 32 bits each (blue, green, red, unused), rows top-down, `stride` bytes apart (a
// multiple of 4). Shapes are drawn bottom first; a mosaic takes the means of the pixels as they are
// when it is reached, in blocks of `blockSize` pixels square (at least 1) from its top-left, so no
// pixel inside it keeps its own colour. The pixels' top-left stands at `origin` among the shapes.
void DrawShapes(uint8_t* pixels, int32_t width, int32_t height, int32_t stride, const ShapeList& shapes,
                int32_t blockSize, PointF origin = {});

// What must be drawn again when the shapes change from `before` to `after`: the bounds of every
// shape that differs, widened for anti-aliasing and to the whole of every mosaic it reaches (a
// mosaic's blocks take the means of all their pixels). Empty (all zero) when nothing differs.
RectF Damage(const ShapeList& before, const ShapeList& after);

// Draws again where `damage` (see Damage) covers a picture drawn whole before, byte for byte as
// drawing it whole again would, whatever the order of editing. No shape is clipped (the drawing
// library rasterises a clipped shape differently): every shape that reaches the damaged part is
// drawn whole on a scratch picture of an area round it, and the part is copied back. `scratch`
// gives the scratch picture for an area of the picture (its pixels, and their stride in `stride`),
// holding the picture as it is under the shapes there. The picture's top-left stands at `origin`
// among the shapes, in whole pixels.
using ScratchFor = std::function<uint8_t*(const Rect& area, int32_t& stride)>;
void RedrawDamage(uint8_t* pixels, int32_t width, int32_t height, int32_t stride, const ShapeList& shapes,
                  int32_t blockSize, PointF origin, const RectF& damage, const ScratchFor& scratch);

// The rectangle a text's lines or a step's circle and number cover, as they are drawn.
RectF MeasuredBounds(const Shape& shape);

// Where the caret stands after a text's last character, as tall as its line.
RectF TextCaret(const Shape& text);

// The face text is drawn in: one with Chinese (cairo's Windows fonts do not fall back).
inline constexpr char kTextFace[] = "Microsoft YaHei";
