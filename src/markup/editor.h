// The drawing tools: presses, drags, keys and typed text turned into shapes, and the shape chosen
// for moving, resizing and restyling. Every finished change is one step of the history. Window-free;
// coordinates are the overlay's pixels.
#pragma once

#include <array>
#include <optional>

#include "markup/history.h"
#include "markup/markup_style.h"

class TMarkupEditor {
 public:
  // `scale` is the monitor's DPI over 96: widths, text sizes, mosaic blocks and reach grow with it.
  explicit TMarkupEditor(double scale = 1, MarkupStyle style = {});

  // The tool drawing with a press, or none (the box moves). Text being typed is finished first.
  std::optional<ShapeKind> Tool() const { return tool_; }
  void ChooseTool(std::optional<ShapeKind> tool);
  const MarkupStyle& Style() const { return style_; }
  // The kind of shape a change of style applies to: the tool's, or else the chosen shape's.
  std::optional<ShapeKind> StyledKind() const;
  // A new style for what is drawn next, and for the chosen shape (one step).
  void SetStyle(const MarkupStyle& style);

  // A press at `p`; `inside` says whether it lies inside the picture's frame. True when the editor
  // took it: a grip of the chosen shape, a shape, or a tool drawing inside. Otherwise nothing is
  // chosen any more and the press is the box's.
  bool Press(PointF p, bool inside);
  // `shift` holds squares, circles and lines at 45 degrees.
  void Drag(PointF p, bool shift);
  void Release();
  bool Dragging() const { return drag_ != DragKind::None; }
  // A double-click on a text edits it again; true when it did.
  bool DoubleClick(PointF p);

  // Text being typed: the characters as the keyboard or input method gives them; '\r' starts a line,
  // a backspace takes the last character.
  bool Typing() const { return typing_; }
  void Type(wchar_t c);
  // Ends the text; an empty one is not kept.
  void EndTyping();
  // The caret's place: after the last character typed, its line's height.
  RectF Caret() const;

  bool DeleteChosen();
  bool Undo();
  bool Redo();

  // Everything to draw, bottom first: the shapes with the one in hand as it stands now.
  ShapeList Shapes() const;
  // The chosen shape's bounds and grips (none for text and steps, which only move).
  std::optional<RectF> ChosenBounds() const;
  std::vector<PointF> ChosenGrips() const;
  int32_t BlockSize() const;
  // The monitor's DPI over 96, as made with.
  double Scale() const { return scale_; }
  const TMarkupHistory& History() const { return history_; }

 private:
  enum class DragKind : uint8_t { None, Draw, Move, Resize };
  Shape NewShape(ShapeKind kind, PointF at) const;
  Shape Styled(Shape shape) const;
  void DropInHand();
  double Reach() const { return 4 * scale_; }

  double scale_;
  MarkupStyle style_;
  std::optional<ShapeKind> tool_;
  TMarkupHistory history_;
  int32_t chosen_ = -1;      // the chosen shape's index, or -1
  // The shape in hand: drawn, moved, resized or typed; it replaces the chosen one, or is new.
  std::optional<Shape> hand_;
  DragKind drag_ = DragKind::None;
  PointF pressAt_;
  int32_t grip_ = -1;
  bool typing_ = false;
};

// The points a shape's grips stand on: corners for boxes and strokes, ends for lines and arrows,
// none for text and steps.
std::vector<PointF> ShapeGrips(const Shape& shape);
// The shape with grip `grip` dragged to `to`: a box's corner moves with the opposite one fixed; a
// stroke is scaled into the new bounds; a line's end moves.
Shape ResizedShape(const Shape& shape, int32_t grip, PointF to);
