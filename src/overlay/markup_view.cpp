#include "overlay/markup_view.h"

#include <algorithm>
#include <cmath>

#include "markup/render.h"
#include "overlay/overlay_look.h"

namespace {

Rect Outside(const RectF& r) {
  return {static_cast<int32_t>(std::floor(r.Left)), static_cast<int32_t>(std::floor(r.Top)), static_cast<int32_t>(std::ceil(r.Right)),
          static_cast<int32_t>(std::ceil(r.Bottom))};
}

}  // namespace

TMarkupView::TMarkupView(const TFrozenPicture& frozen, const TMarkupEditor& editor, int32_t desktopWidth, int32_t desktopHeight)
    : frozen_(frozen), editor_(editor), desktopWidth_(desktopWidth), desktopHeight_(desktopHeight) {}

const TPixelCanvas& TMarkupView::Composed(const Rect& picture) {
  Compose(picture);
  return composite_;
}

void TMarkupView::Compose(const Rect& picture) {
  if (picture == composed_ || picture.Width() <= 0 || picture.Height() <= 0) return;
  composite_.Resize(picture.Width(), picture.Height());
  composed_ = picture;
  shown_ = editor_.Shapes();
  frozen_.CopyTo(composite_.Dc(), 0, 0, picture);
  DrawShapes(composite_.Pixels(), picture.Width(), picture.Height(), composite_.Stride(), shown_, editor_.BlockSize(),
             {static_cast<double>(picture.Left), static_cast<double>(picture.Top)});
}

// The frozen picture and the shapes drawn again where `damage` covers the composed rectangle, as
// drawing it whole would give them.
void TMarkupView::ComposePart(const RectF& damage) {
  const Rect picture = composed_;
  composed_ = {};  // stale, should the drawing fail
  RedrawDamage(composite_.Pixels(), picture.Width(), picture.Height(), composite_.Stride(), shown_, editor_.BlockSize(),
               {static_cast<double>(picture.Left), static_cast<double>(picture.Top)}, damage,
               [&](const Rect& area, int32_t& stride) {
                 // It only grows: a drag asks for about the same area at every move.
                 if (area.Width() > scratch_.Width() || area.Height() > scratch_.Height())
                   scratch_.Resize(std::max(area.Width(), scratch_.Width()), std::max(area.Height(), scratch_.Height()));
                 frozen_.CopyTo(scratch_.Dc(), 0, 0,
                                {area.Left + picture.Left, area.Top + picture.Top, area.Right + picture.Left,
                                 area.Bottom + picture.Top});
                 stride = scratch_.Stride();
                 return scratch_.Pixels();
               });
  composed_ = picture;
}

// Half a grip's side: at the DPI of the box's monitor, where the editor reaches for grips.
int TMarkupView::GripHalf() const { return static_cast<int>(std::lround(3 * editor_.Scale())); }

// The chosen shape's grips and frame and the caret: drawn over the picture, never in it.
RectF TMarkupView::MarksBounds() const {
  RectF marks;
  const double reach = GripHalf() + 3;
  if (const auto bounds = editor_.ChosenBounds()) marks = Inflated(*bounds, reach);
  for (const PointF g : editor_.ChosenGrips()) marks = Enclosing(marks, Inflated({g.X, g.Y, g.X, g.Y}, reach));
  if (editor_.Typing()) marks = Enclosing(marks, Inflated(editor_.Caret(), 2));
  return marks;
}

void TMarkupView::Paint(HDC dc, const Rect& place, const Rect& area) {
  frozen_.CopyTo(dc, area.Left, area.Top,
                 {place.Left + area.Left, place.Top + area.Top, place.Left + area.Right, place.Top + area.Bottom});
  if (editor_.Shapes().empty()) return;  // the frozen picture is all there is
  const Rect picture = PictureRect(place);
  if (picture.Width() <= 0 || picture.Height() <= 0 || !frozen_.Dc()) return;
  Compose(picture);
  // The part of the picture in the area being painted (box coordinates).
  const Rect shown = Intersection({picture.Left - place.Left, picture.Top - place.Top, picture.Right - place.Left,
                                   picture.Bottom - place.Top},
                                  area);
  if (shown.Width() > 0 && shown.Height() > 0)
    BitBlt(dc, shown.Left, shown.Top, shown.Width(), shown.Height(), composite_.Dc(), shown.Left + place.Left - picture.Left,
           shown.Top + place.Top - picture.Top, SRCCOPY);
  PaintMarks(dc, place);
}

void TMarkupView::PaintMarks(HDC dc, const Rect& place) const {
  const auto local = [&](double x, double y) {
    return POINT{static_cast<LONG>(std::lround(x)) - place.Left, static_cast<LONG>(std::lround(y)) - place.Top};
  };
  ScopedSelect pen(dc, GetStockObject(DC_PEN));
  ScopedSelect brush(dc, GetStockObject(DC_BRUSH));
  SetDCPenColor(dc, kOverlayAccent);
  SetDCBrushColor(dc, RGB(255, 255, 255));
  const std::vector<PointF> grips = editor_.ChosenGrips();
  if (grips.empty()) {
    if (const auto bounds = editor_.ChosenBounds()) {
      // Text and steps only move: a frame round them says which is chosen.
      ScopedSelect hollow(dc, GetStockObject(NULL_BRUSH));
      const POINT a = local(bounds->Left - 2, bounds->Top - 2), b = local(bounds->Right + 2, bounds->Bottom + 2);
      Rectangle(dc, a.x, a.y, b.x, b.y);
    }
  }
  const int half = GripHalf();
  for (const PointF g : grips) {
    const POINT at = local(g.X, g.Y);
    Rectangle(dc, at.x - half, at.y - half, at.x + half + 1, at.y + half + 1);
  }
  if (editor_.Typing()) {
    const RectF caret = editor_.Caret();
    const POINT a = local(caret.Left, caret.Top), b = local(caret.Right, caret.Bottom);
    const RECT r{a.x, a.y, std::max(b.x, a.x + 1), b.y};
    SetDCBrushColor(dc, RGB(0, 0, 0));
    FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
  }
}

// Only what changed is drawn again: the shapes that differ from those in the picture (and every
// mosaic they reach), and the marks over it.
Rect TMarkupView::Changed(const Rect& place) {
  const RectF marks = MarksBounds();
  RectF damage = Enclosing(marks_, marks);
  marks_ = marks;
  if (composed_ == PictureRect(place)) {
    const ShapeList now = editor_.Shapes();
    const RectF changed = Damage(shown_, now);
    shown_ = now;
    ComposePart(changed);
    damage = Enclosing(damage, changed);
  } else {
    composed_ = {};
    damage = {static_cast<double>(place.Left), static_cast<double>(place.Top), static_cast<double>(place.Right),
              static_cast<double>(place.Bottom)};
  }
  if (damage.Right <= damage.Left) return {};
  const Rect outside = Outside(damage);
  return {outside.Left - place.Left - 1, outside.Top - place.Top - 1, outside.Right - place.Left + 1, outside.Bottom - place.Top + 1};
}

// The input method shows what is being composed at the system caret: an invisible one stands where
// the text's caret is drawn.
void TMarkupView::PlaceComposition(HWND overlay, HWND box) {
  if (!editor_.Typing()) {
    if (caretMade_) DestroyCaret();
    caretMade_ = false;
    return;
  }
  const RectF caret = editor_.Caret();
  POINT at{static_cast<LONG>(std::lround(caret.Left)), static_cast<LONG>(std::lround(caret.Top))};
  MapWindowPoints(overlay, box, &at, 1);
  if (!caretMade_) caretMade_ = CreateCaret(box, nullptr, 1, static_cast<int>(std::lround(caret.Bottom - caret.Top))) != FALSE;
  SetCaretPos(at.x, at.y);
}
