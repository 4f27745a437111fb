// What the box shows while shapes are drawn in it: the frozen picture with the shapes, composed in
// memory and drawn again only round what changed, and the marks drawn over it but never in it (the
// chosen shape's grips or frame, the text's caret, and the system caret the input method follows).
// Rectangles are overlay client coordinates unless they say otherwise.
#pragma once

#include <windows.h>

#include "markup/editor.h"
#include "overlay/box_geometry.h"
#include "overlay/frozen_picture.h"
#include "toolkit/pixel_canvas.h"

class TMarkupView {
 public:
  // Shows `editor`'s shapes on `frozen`, over a desktop of this size.
  TMarkupView(const TFrozenPicture& frozen, const TMarkupEditor& editor, int32_t desktopWidth, int32_t desktopHeight);

  // The rectangle the picture of a box at `place` is taken from.
  Rect PictureRect(const Rect& place) const { return ::PictureRect(place, desktopWidth_, desktopHeight_); }
  // Paints the inside of the box at `place` within `area` (box coordinates).
  void Paint(HDC dc, const Rect& place, const Rect& area);
  // After the editor changed: the picture made up to date round what changed; what the box at
  // `place` must paint again (box coordinates; empty for nothing).
  Rect Changed(const Rect& place);
  // The picture of this rectangle with the shapes drawn on it, exactly as the box shows it.
  const TPixelCanvas& Composed(const Rect& picture);
  // Puts the input method's window at the caret while a text is typed.
  void PlaceComposition(HWND overlay, HWND box);

 private:
  void Compose(const Rect& picture);
  void ComposePart(const RectF& damage);
  int GripHalf() const;
  RectF MarksBounds() const;
  void PaintMarks(HDC dc, const Rect& place) const;

  const TFrozenPicture& frozen_;
  const TMarkupEditor& editor_;
  int32_t desktopWidth_, desktopHeight_;
  TPixelCanvas composite_;
  TPixelCanvas scratch_;   // a part drawn again, and the shapes that reach it
  Rect composed_;          // what composite_ holds, or empty when it is stale
  ShapeList shown_;        // the shapes drawn in it
  RectF marks_;            // where the grips and the caret were drawn over it
  bool caretMade_ = false; // the system caret the input method follows
};
