// The selection box: a child of the overlay with eight grips, moved and sized by the system's own
// loops, by the arrow keys, or drawn in. It paints its inside through its owner and tells it what
// happens in it.
#pragma once

#include <array>

#include "overlay/box_geometry.h"
#include "toolkit/forms.h"

// What the box tells the overlay it stands on, and asks of it. Points are overlay client
// coordinates.
class TBoxOwner {
 public:
  // While the system's loop moves or sizes the box: the box it proposes.
  virtual void BoxChanging(const Rect& proposed, bool sizing) = 0;
  // The box stands somewhere new or has a new size; the system's loop is over.
  virtual void BoxChanged() = 0;
  virtual void BoxLoopEnded() = 0;
  // A press inside the box: true when the drawing takes it, and with it the drags until the
  // button is released; otherwise the box moves.
  virtual bool BoxPressed(POINT at) = 0;
  virtual void BoxDragged(POINT at) = 0;
  virtual void BoxReleased() = 0;
  // A double-click: true when the drawing takes it as a press, as BoxPressed.
  virtual bool BoxDoubleClicked(POINT at) = 0;
  // The overlay sees every key the box has.
  virtual void BoxKeyDown(WPARAM key, LPARAM flags) = 0;
  virtual void BoxChar(wchar_t c) = 0;
  virtual void BoxComposing() = 0;
  // Paints the box's inside within `area` (box coordinates), the box standing at `place`.
  virtual void PaintBoxInside(HDC dc, const Rect& place, const Rect& area) = 0;
  // A drawing tool is chosen (the box shows a cross); a text is being typed.
  virtual bool ToolChosen() const = 0;
  virtual bool Typing() const = 0;

 protected:
  ~TBoxOwner() = default;
};

class TSelectionBox : public TWinControl {
 public:
  TSelectionBox(TBoxOwner& owner, HWND overlay, const Rect& place);
  // The box in overlay client coordinates.
  Rect BoundsInOwner() const;
  // Moves or sizes the box by an arrow key, within the overlay; other keys leave it.
  void MoveByKey(int32_t key, bool shift, bool control);
  // Stands at `place` (overlay client coordinates), as a drag draws it.
  void MoveTo(const Rect& place);
  // Paints `area` (box coordinates) again once the box is next painted.
  void Invalidate(const Rect& area);

 protected:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  LRESULT WMNCHitTest(LPARAM lParam);
  LRESULT WMSetCursor(WPARAM wParam, LPARAM lParam);
  void WMSize(int width, int height);
  POINT InOwner(LPARAM lParam) const;
  void WMLButtonDown(POINT at);
  void WMLButtonDblClk(POINT at);
  void WMMove();
  void WMMovingOrSizing(RECT* proposed, bool sizing);
  void Paint();

  TBoxOwner& owner_;
  HWND overlay_;
  std::array<Rect, 8> grips_{};
  bool moved_ = false;  // shows the four-way cursor from the first move on
};

// The box's one-pixel frame line along the rectangle's outermost pixels.
void DrawBoxFrame(HDC dc, const Rect& frame);
