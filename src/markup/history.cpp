#include "markup/history.h"

#include <algorithm>

void TMarkupHistory::Change(ShapeList shapes) {
  states_.resize(current_ + 1);
  states_.push_back(std::move(shapes));
  ++current_;
}

void TMarkupHistory::Add(Shape shape) {
  ShapeList next = Shapes();
  next.push_back(std::make_shared<const Shape>(std::move(shape)));
  Change(std::move(next));
}

void TMarkupHistory::Replace(size_t index, Shape shape) {
  if (index >= Shapes().size() || *Shapes()[index] == shape) return;
  ShapeList next = Shapes();
  next[index] = std::make_shared<const Shape>(std::move(shape));
  Change(std::move(next));
}

void TMarkupHistory::Remove(size_t index) {
  if (index >= Shapes().size()) return;
  ShapeList next = Shapes();
  next.erase(next.begin() + static_cast<std::ptrdiff_t>(index));
  Change(std::move(next));
}

bool TMarkupHistory::Undo() {
  if (!CanUndo()) return false;
  --current_;
  return true;
}

bool TMarkupHistory::Redo() {
  if (!CanRedo()) return false;
  ++current_;
  return true;
}

int32_t TMarkupHistory::ShapeAt(PointF point, double tolerance) const {
  const ShapeList& shapes = Shapes();
  for (size_t i = shapes.size(); i-- > 0;)
    if (HitsShape(*shapes[i], point, tolerance)) return static_cast<int32_t>(i);
  return -1;
}

int32_t TMarkupHistory::NextStepNumber() const {
  int32_t highest = 0;
  for (const auto& shape : Shapes())
    if (shape->Kind == ShapeKind::Step) highest = std::max(highest, shape->Number);
  return highest + 1;
}
