// Shapes drawn onto a picture in memory, anti-aliased, by cairo. Window-free: the same pixels come
// out natively and on Windows (text aside, which each system's fonts render).
#pragma once

#include <cstdint>

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

// Drawing again only a part of a picture drawn whole, byte for byte as drawing it whole again
// would. A shape is never clipped (the drawing library rasterises a clipped shape differently): every
// shape that reaches the part is drawn whole on a scratch picture of the area RedrawArea gives, and
// the part is copied back. `part` and `area` are pixels of the picture (`width` x `height`, its
// top-left at `origin` among the shapes); a mosaic that reaches the part lies wholly inside it (see
// Damage).
Rect RedrawArea(const ShapeList& shapes, PointF origin, int32_t width, int32_t height, const Rect& part);
// The part of the picture a damage (see Damage) covers.
Rect DamagedPart(const RectF& damage, PointF origin, int32_t width, int32_t height);
// `scratch` holds the picture as it is under the shapes in `area`; it is drawn on.
void RedrawPart(uint8_t* pixels, int32_t stride, const ShapeList& shapes, int32_t blockSize, PointF origin,
                const Rect& part, uint8_t* scratch, int32_t scratchStride, const Rect& area);

// The rectangle a text's lines or a step's circle and number cover, as they are drawn.
RectF MeasuredBounds(const Shape& shape);

// Where the caret stands after a text's last character, as tall as its line.
RectF TextCaret(const Shape& text);

// The face text is drawn in: one with Chinese (cairo's Windows fonts do not fall back).
inline constexpr char kTextFace[] = "Microsoft YaHei";
