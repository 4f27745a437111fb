#include "markup/editor.h"

#include <algorithm>
#include <cmath>

#include "markup/render.h"

namespace {

bool IsBox(ShapeKind kind) { return kind == ShapeKind::Rectangle || kind == ShapeKind::Ellipse || kind == ShapeKind::Mosaic; }
bool IsStroke(ShapeKind kind) { return kind == ShapeKind::Pen || kind == ShapeKind::Marker; }

// The corners of the rectangle round the points, clockwise from the top-left.
std::array<PointF, 4> CornersOf(const std::vector<PointF>& points) {
  const RectF r = Enclosing(points);
  return {{{r.Left, r.Top}, {r.Right, r.Top}, {r.Right, r.Bottom}, {r.Left, r.Bottom}}};
}

// A shape too small to see when the press ends is not kept: a click with a drawing tool draws
// nothing.
bool WorthKeeping(const Shape& shape) {
  if (IsStroke(shape.Kind)) return true;  // a dot
  const PointF a = shape.Points.front(), b = shape.Points.back();
  if (IsBox(shape.Kind)) return std::fabs(b.X - a.X) >= 2 && std::fabs(b.Y - a.Y) >= 2;
  return std::hypot(b.X - a.X, b.Y - a.Y) >= 2;
}

}  // namespace

std::vector<PointF> ShapeGrips(const Shape& shape) {
  if (shape.Points.empty()) return {};
  if (shape.Kind == ShapeKind::Line || shape.Kind == ShapeKind::Arrow) return {shape.Points.front(), shape.Points.back()};
  if (IsBox(shape.Kind) || IsStroke(shape.Kind)) {
    const auto corners = CornersOf(shape.Points);
    return {corners.begin(), corners.end()};
  }
  return {};
}

Shape ResizedShape(const Shape& shape, int32_t grip, PointF to) {
  Shape resized = shape;
  const auto grips = ShapeGrips(shape);
  if (grip < 0 || static_cast<size_t>(grip) >= grips.size()) return resized;
  if (shape.Kind == ShapeKind::Line || shape.Kind == ShapeKind::Arrow) {
    (grip == 0 ? resized.Points.front() : resized.Points.back()) = to;
  } else if (IsBox(shape.Kind)) {
    resized.Points = {grips[static_cast<size_t>((grip + 2) % 4)], to};
  } else {
    // A stroke scaled into the rectangle from the opposite corner, which stays, to the new one.
    const PointF fixed = grips[static_cast<size_t>((grip + 2) % 4)], from = grips[static_cast<size_t>(grip)];
    const auto factor = [](double moved, double was) { return std::fabs(was) > 1e-9 ? moved / was : 1.0; };
    const double sx = factor(to.X - fixed.X, from.X - fixed.X), sy = factor(to.Y - fixed.Y, from.Y - fixed.Y);
    for (PointF& p : resized.Points) p = {fixed.X + (p.X - fixed.X) * sx, fixed.Y + (p.Y - fixed.Y) * sy};
  }
  return resized;
}

TMarkupEditor::TMarkupEditor(double scale, MarkupStyle style) : scale_(scale), style_(style) {
  style_.Width = std::clamp(style_.Width, 0, static_cast<int32_t>(kLineWidths.size()) - 1);
  style_.Ink = std::clamp(style_.Ink, 0, static_cast<int32_t>(kPalette.size()) - 1);
  style_.TextSize = std::clamp(style_.TextSize, 0, static_cast<int32_t>(kTextSizes.size()) - 1);
}

std::optional<ShapeKind> TMarkupEditor::StyledKind() const {
  if (tool_) return tool_;
  if (hand_ && typing_) return ShapeKind::Text;
  if (chosen_ >= 0) return history_.Shapes()[static_cast<size_t>(chosen_)]->Kind;
  return std::nullopt;
}

void TMarkupEditor::ChooseTool(std::optional<ShapeKind> tool) {
  EndTyping();
  tool_ = tool;
}

Shape TMarkupEditor::Styled(Shape shape) const {
  shape.Ink = kPalette[static_cast<size_t>(style_.Ink)];
  const double width = kLineWidths[static_cast<size_t>(style_.Width)];
  switch (shape.Kind) {
    case ShapeKind::Text: shape.Width = kTextSizes[static_cast<size_t>(style_.TextSize)] * scale_; break;
    case ShapeKind::Step: shape.Width = (9 + width) * scale_; break;         // the circle's radius
    case ShapeKind::Marker: shape.Width = (10 + 2 * width) * scale_; break;  // wide enough for a line of text
    case ShapeKind::Mosaic: shape.Width = 0; break;
    default: shape.Width = width * scale_; break;
  }
  return shape;
}

Shape TMarkupEditor::NewShape(ShapeKind kind, PointF at) const {
  Shape shape;
  shape.Kind = kind;
  shape.Points = {at};
  if (!IsStroke(kind) && kind != ShapeKind::Text && kind != ShapeKind::Step) shape.Points.push_back(at);
  if (kind == ShapeKind::Step) shape.Number = history_.NextStepNumber();
  return Styled(shape);
}

void TMarkupEditor::SetStyle(const MarkupStyle& style) {
  style_ = TMarkupEditor(scale_, style).style_;
  if (hand_ && typing_) {
    hand_ = Styled(*hand_);
  } else if (chosen_ >= 0 && !Dragging()) {
    history_.Replace(static_cast<size_t>(chosen_), Styled(*history_.Shapes()[static_cast<size_t>(chosen_)]));
  }
}

bool TMarkupEditor::Press(PointF p, bool inside) {
  EndTyping();
  if (Dragging()) Release();
  pressAt_ = p;
  const double gripReach = Reach() + 2 * scale_;
  if (chosen_ >= 0) {
    const auto grips = ShapeGrips(*history_.Shapes()[static_cast<size_t>(chosen_)]);
    for (size_t g = 0; g < grips.size(); ++g)
      if (std::hypot(p.X - grips[g].X, p.Y - grips[g].Y) <= gripReach) {
        drag_ = DragKind::Resize;
        grip_ = static_cast<int32_t>(g);
        hand_ = *history_.Shapes()[static_cast<size_t>(chosen_)];
        return true;
      }
  }
  if (const int32_t hit = history_.ShapeAt(p, Reach()); hit >= 0) {
    chosen_ = hit;
    drag_ = DragKind::Move;
    hand_ = *history_.Shapes()[static_cast<size_t>(hit)];
    return true;
  }
  chosen_ = -1;
  if (!tool_ || !inside) return false;
  if (*tool_ == ShapeKind::Step) {
    history_.Add(NewShape(ShapeKind::Step, p));
    chosen_ = static_cast<int32_t>(history_.Shapes().size()) - 1;
  } else if (*tool_ == ShapeKind::Text) {
    hand_ = NewShape(ShapeKind::Text, p);
    typing_ = true;
  } else {
    hand_ = NewShape(*tool_, p);
    drag_ = DragKind::Draw;
  }
  return true;
}

void TMarkupEditor::Drag(PointF p, bool shift) {
  if (!hand_) return;
  switch (drag_) {
    case DragKind::Draw:
      if (IsStroke(hand_->Kind)) {
        if (!(hand_->Points.back() == p)) hand_->Points.push_back(p);
      } else {
        hand_->Points.back() = shift ? ConstrainedEnd(hand_->Kind, hand_->Points.front(), p) : p;
      }
      break;
    case DragKind::Move:
      hand_ = *history_.Shapes()[static_cast<size_t>(chosen_)];
      MoveShape(*hand_, p.X - pressAt_.X, p.Y - pressAt_.Y);
      break;
    case DragKind::Resize: hand_ = ResizedShape(*history_.Shapes()[static_cast<size_t>(chosen_)], grip_, p); break;
    case DragKind::None: break;
  }
}

void TMarkupEditor::Release() {
  if (drag_ == DragKind::Draw && hand_ && WorthKeeping(*hand_)) {
    history_.Add(std::move(*hand_));
    chosen_ = static_cast<int32_t>(history_.Shapes().size()) - 1;
  } else if ((drag_ == DragKind::Move || drag_ == DragKind::Resize) && hand_) {
    history_.Replace(static_cast<size_t>(chosen_), std::move(*hand_));
  }
  if (drag_ != DragKind::None) hand_.reset();
  drag_ = DragKind::None;
}

bool TMarkupEditor::DoubleClick(PointF p) {
  EndTyping();
  if (Dragging()) Release();
  const int32_t hit = history_.ShapeAt(p, Reach());
  if (hit < 0 || history_.Shapes()[static_cast<size_t>(hit)]->Kind != ShapeKind::Text) return false;
  chosen_ = hit;
  hand_ = *history_.Shapes()[static_cast<size_t>(hit)];
  typing_ = true;
  return true;
}

void TMarkupEditor::Type(wchar_t c) {
  if (!typing_) return;
  std::wstring& text = hand_->Text;
  if (c == L'\b') {
    if (!text.empty()) text.pop_back();
    if (!text.empty() && text.back() >= 0xD800 && text.back() < 0xDC00) text.pop_back();  // the pair's other half
  } else if (c == L'\r' || c == L'\n') {
    text += L'\n';
  } else if (c >= 0x20 && c != 0x7F) {
    text += c;
  }
}

void TMarkupEditor::EndTyping() {
  if (!typing_) return;
  typing_ = false;
  Shape text = std::move(*hand_);
  hand_.reset();
  if (chosen_ >= 0) {
    if (text.Text.empty()) {
      history_.Remove(static_cast<size_t>(chosen_));
      chosen_ = -1;
    } else {
      history_.Replace(static_cast<size_t>(chosen_), std::move(text));
    }
  } else if (!text.Text.empty()) {
    history_.Add(std::move(text));
    chosen_ = static_cast<int32_t>(history_.Shapes().size()) - 1;
  }
}

RectF TMarkupEditor::Caret() const { return typing_ ? TextCaret(*hand_) : RectF{}; }

bool TMarkupEditor::DeleteChosen() {
  if (chosen_ < 0 || Dragging() || typing_) return false;
  history_.Remove(static_cast<size_t>(chosen_));
  chosen_ = -1;
  return true;
}

// Before a step back or forth: the text typed is kept, what is in hand is dropped, nothing is chosen.
void TMarkupEditor::DropInHand() {
  EndTyping();
  drag_ = DragKind::None;
  hand_.reset();
  chosen_ = -1;
}

bool TMarkupEditor::Undo() {
  DropInHand();
  return history_.Undo();
}

bool TMarkupEditor::Redo() {
  DropInHand();
  return history_.Redo();
}

ShapeList TMarkupEditor::Shapes() const {
  ShapeList shapes = history_.Shapes();
  if (!hand_) return shapes;
  auto held = std::make_shared<const Shape>(*hand_);
  if (chosen_ >= 0 && drag_ != DragKind::Draw)
    shapes[static_cast<size_t>(chosen_)] = std::move(held);
  else
    shapes.push_back(std::move(held));
  return shapes;
}

std::optional<RectF> TMarkupEditor::ChosenBounds() const {
  if (hand_ && drag_ != DragKind::Draw) return ShapeBounds(*hand_);
  if (chosen_ >= 0) return ShapeBounds(*history_.Shapes()[static_cast<size_t>(chosen_)]);
  return std::nullopt;
}

std::vector<PointF> TMarkupEditor::ChosenGrips() const {
  if (typing_) return {};
  if (hand_ && drag_ != DragKind::Draw) return ShapeGrips(*hand_);
  if (chosen_ >= 0) return ShapeGrips(*history_.Shapes()[static_cast<size_t>(chosen_)]);
  return {};
}

int32_t TMarkupEditor::BlockSize() const { return std::max(kMosaicBlock, static_cast<int32_t>(std::lround(kMosaicBlock * scale_))); }
