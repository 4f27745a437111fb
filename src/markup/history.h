// The shapes on a picture and every change made to them, for undo and redo without limit while the
// overlay is open. Each change (draw, move, resize, restyle, delete) is one step. Window-free.
#pragma once

#include <memory>
#include <vector>

#include "markup/shapes.h"

// Shapes bottom first. States share the shapes they have in common: a change copies pointers, and
// a shape once made never changes.
using ShapeList = std::vector<std::shared_ptr<const Shape>>;

class TMarkupHistory {
 public:
  const ShapeList& Shapes() const { return states_[current_]; }

  void Add(Shape shape);
  // Replaces shape `index` (moved, resized, restyled, or its text edited); nothing for an index out
  // of range or a shape left as it was.
  void Replace(size_t index, Shape shape);
  void Remove(size_t index);

  bool CanUndo() const { return current_ > 0; }
  bool CanRedo() const { return current_ + 1 < states_.size(); }
  bool Undo();
  bool Redo();

  // The topmost shape `point` touches, or -1.
  int32_t ShapeAt(PointF point, double tolerance) const;
  // The number of the next step: the highest present plus one.
  int32_t NextStepNumber() const;

 private:
  // One change: the shapes as they are after it. Whatever was undone before it is gone.
  void Change(ShapeList shapes);

  std::vector<ShapeList> states_{ShapeList{}};  // from the blank picture on
  size_t current_ = 0;
};
