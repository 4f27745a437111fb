#include "overlay/region_overlay.h"

#include <windowsx.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>

#include "capture/capture_sources.h"
#include "common/clipboard.h"
#include "markup/render.h"
#include "toolkit/controls.h"
#include "toolkit/error.h"
#include "toolkit/scope_exit.h"

TRegionOverlay* RegionOverlay = nullptr;
TSelectionBox* SelectionBox = nullptr;

namespace {

constexpr COLORREF kOutlineColour = RGB(0, 120, 215);
// While the windows are still being listed, what comes is outlined under a cursor that stands still.
constexpr UINT_PTR kListingTimer = 1, kChildrenTimer = 2;
constexpr UINT kListingTimerMs = 50;
constexpr int32_t kOutlineWidth = 2;
// A point this near a window's edge takes the whole window.
constexpr int32_t kWindowEdge = 2;

// The four strips of a rectangle's outline, along its inside.
std::array<RECT, 4> OutlineStrips(const Rect& r) {
  const int32_t w = kOutlineWidth;
  return {{{r.Left, r.Top, r.Right, r.Top + w},
           {r.Left, r.Bottom - w, r.Right, r.Bottom},
           {r.Left, r.Top, r.Left + w, r.Bottom},
           {r.Right - w, r.Top, r.Right, r.Bottom}}};
}

// The box's 1-pixel blue frame along the rectangle's outermost pixels.
void DrawBoxFrame(HDC dc, const Rect& frame) {
  ScopedSelect pen(dc, GetStockObject(DC_PEN));
  ScopedSelect hollow(dc, GetStockObject(NULL_BRUSH));
  SetDCPenColor(dc, RGB(0, 0, 255));
  Rectangle(dc, frame.Left, frame.Top, frame.Right, frame.Bottom);
}

}  // namespace

// ---- TRegionOverlay

TRegionOverlay::TRegionOverlay() : TRegionOverlay(VirtualDesktop()) {}

TRegionOverlay::TRegionOverlay(const Rect& desktop) : FDesktop(desktop) {}

TRegionOverlay::~TRegionOverlay() {
  if (FFrozenDc) SelectObject(FFrozenDc.get(), FFrozenDcOld);
}

FormBounds TRegionOverlay::Bounds() const {
  // The whole desktop: on several monitors every pixel stays where it was.
  return {FDesktop.Left, FDesktop.Top, FDesktop.Width(), FDesktop.Height()};
}

int TRegionOverlay::ShowFrozen(HBITMAP frozen) {
  FFrozen = frozen;
  FFrozenDc.reset(CreateCompatibleDC(nullptr));
  FFrozenDcOld = SelectObject(FFrozenDc.get(), FFrozen);
  try {
    FMagnifier = std::make_unique<TMagnifier>(Handle(), FFrozenDc.get(), POINT{FDesktop.Left, FDesktop.Top});
    POINT cursor;
    if (GetCursorPos(&cursor)) FMagnifier->Follow(cursor.x - FDesktop.Left, cursor.y - FDesktop.Top);
  } catch (const Error&) {
    FMagnifier.reset();  // only a readout: the region is marked without it
  }
  POINT cursor;
  if (GetCursorPos(&cursor)) Hover(cursor.x - FDesktop.Left, cursor.y - FDesktop.Top);
  if (FListing) SetTimer(Handle(), kListingTimer, kListingTimerMs, nullptr);
  const int result = ShowModal();
  FMagnifier.reset();  // it draws from the picture's DC, which goes now
  // Give the picture back to its owner, who reads it with GetDIBits.
  SelectObject(FFrozenDc.get(), FFrozenDcOld);
  FFrozenDc.reset();
  return result;
}

void TRegionOverlay::FormDestroy() {
  FBar.reset();
  FSelectedBitmap.reset();
  FSizeLabel.reset();
  FMagnifier.reset();
  if (FBox) DestroyWindow(FBox->Handle());
  FBox.reset();
  SelectionBox = nullptr;
  if (RegionOverlay == this) RegionOverlay = nullptr;
}

void TRegionOverlay::AcceptSelection() {
  if (!FBox) return;
  if (FEditor) {
    FEditor->EndTyping();
    if (FEditor->Dragging()) FEditor->Release();
  }
  const Rect framed = SelectionInside(FBox->BoundsInOwner());
  // A box round a window at the desktop's edge reaches past it: the picture ends at the edge, and
  // the frame line there lies outside it.
  const Rect inside = PictureRect(FBox->BoundsInOwner());
  if (inside.Width() <= 0 || inside.Height() <= 0) return;  // nothing inside the band yet
  FSelectedRect = inside;
  // The pixels the box shows: the frozen picture, never the screen (a window that came up above the
  // overlay since, a notification, stays out of it), with the shapes, from the same drawing. The
  // box's blue frame lies in its outermost pixels, as the overlay shows it.
  Compose(inside);  // as the box shows it, not drawn once more
  WindowDc overlay(Handle());
  FSelectedBitmap.reset(CreateCompatibleBitmap(overlay.get(), inside.Width(), inside.Height()));
  if (!FSelectedBitmap) throw Error(L"Cannot make a picture of the marked region");
  UniqueMemoryDc target(CreateCompatibleDC(overlay.get()));
  {
    ScopedSelect keep(target.get(), FSelectedBitmap.get());
    if (!BitBlt(target.get(), 0, 0, inside.Width(), inside.Height(), FComposite.Dc(), 0, 0, SRCCOPY))
      throw Error(L"Cannot copy the screen");
    DrawBoxFrame(target.get(), {framed.Left - inside.Left, framed.Top - inside.Top, framed.Right - inside.Left,
                                framed.Bottom - inside.Top});
  }
  ModalResult = mrOk;
}

void TRegionOverlay::End(RegionEnding ending) {
  FEnding = ending;
  AcceptSelection();
  if (ModalResult != mrOk) FEnding = RegionEnding::Done;
}

Rect TRegionOverlay::PictureRect(const Rect& box) const {
  const Rect framed = SelectionInside(box);
  return {std::max(framed.Left, 0), std::max(framed.Top, 0), std::min(framed.Right, FDesktop.Width()),
          std::min(framed.Bottom, FDesktop.Height())};
}

void TRegionOverlay::Compose(const Rect& picture) {
  if (picture == FComposed || picture.Width() <= 0 || picture.Height() <= 0) return;
  FComposite.Resize(picture.Width(), picture.Height());
  FComposed = picture;
  FShown = FEditor ? FEditor->Shapes() : ShapeList{};
  ComposePart(picture);
}

// The frozen picture and the shapes drawn again inside `part` of the composed rectangle.
void TRegionOverlay::ComposePart(const Rect& part) {
  const Rect& picture = FComposed;
  BitBlt(FComposite.Dc(), part.Left - picture.Left, part.Top - picture.Top, part.Width(), part.Height(), FFrozenDc.get(),
         part.Left, part.Top, SRCCOPY);
  if (FShown.empty()) return;
  const RectF clip{static_cast<double>(part.Left), static_cast<double>(part.Top), static_cast<double>(part.Right),
                   static_cast<double>(part.Bottom)};
  DrawShapes(FComposite.Pixels(), picture.Width(), picture.Height(), FComposite.Stride(), FShown, FEditor->BlockSize(),
             {static_cast<double>(picture.Left), static_cast<double>(picture.Top)}, &clip);
}

// The chosen shape's grips and frame and the caret: drawn over the picture, never in it.
RectF TRegionOverlay::MarksBounds() const {
  RectF marks;
  const double reach = Scale(3) + 3;
  if (const auto bounds = FEditor->ChosenBounds())
    marks = {bounds->Left - reach, bounds->Top - reach, bounds->Right + reach, bounds->Bottom + reach};
  for (const PointF g : FEditor->ChosenGrips()) marks = Enclosing(marks, {g.X - reach, g.Y - reach, g.X + reach, g.Y + reach});
  if (FEditor->Typing()) {
    const RectF caret = FEditor->Caret();
    marks = Enclosing(marks, {caret.Left - 2, caret.Top - 2, caret.Right + 2, caret.Bottom + 2});
  }
  return marks;
}

void TRegionOverlay::PaintInside(HDC dc, const Rect& place, const Rect& area) {
  if (!FEditor || FEditor->Shapes().empty()) return;  // the frozen picture the box shows is all there is
  const Rect picture = PictureRect(place);
  if (picture.Width() <= 0 || picture.Height() <= 0 || !FFrozenDc) return;
  Compose(picture);
  // The part of the picture in the area being painted (box coordinates).
  const Rect shown = Intersection({picture.Left - place.Left, picture.Top - place.Top, picture.Right - place.Left,
                                   picture.Bottom - place.Top},
                                  area);
  if (shown.Width() > 0 && shown.Height() > 0)
    BitBlt(dc, shown.Left, shown.Top, shown.Width(), shown.Height(), FComposite.Dc(), shown.Left + place.Left - picture.Left,
           shown.Top + place.Top - picture.Top, SRCCOPY);
  const auto local = [&](double x, double y) { return POINT{static_cast<LONG>(std::lround(x)) - place.Left, static_cast<LONG>(std::lround(y)) - place.Top}; };
  ScopedSelect pen(dc, GetStockObject(DC_PEN));
  ScopedSelect brush(dc, GetStockObject(DC_BRUSH));
  SetDCPenColor(dc, kOutlineColour);
  SetDCBrushColor(dc, RGB(255, 255, 255));
  const std::vector<PointF> grips = FEditor->ChosenGrips();
  if (grips.empty()) {
    if (const auto bounds = FEditor->ChosenBounds()) {
      // Text and steps only move: a frame round them says which is chosen.
      ScopedSelect hollow(dc, GetStockObject(NULL_BRUSH));
      const POINT a = local(bounds->Left - 2, bounds->Top - 2), b = local(bounds->Right + 2, bounds->Bottom + 2);
      Rectangle(dc, a.x, a.y, b.x, b.y);
    }
  }
  const int half = Scale(3);
  for (const PointF g : grips) {
    const POINT at = local(g.X, g.Y);
    Rectangle(dc, at.x - half, at.y - half, at.x + half + 1, at.y + half + 1);
  }
  if (FEditor->Typing()) {
    const RectF caret = FEditor->Caret();
    const POINT a = local(caret.Left, caret.Top), b = local(caret.Right, caret.Bottom);
    const RECT r{a.x, a.y, std::max(b.x, a.x + 1), b.y};
    SetDCBrushColor(dc, RGB(0, 0, 0));
    FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
  }
}

bool TRegionOverlay::MarkupPress(POINT at) {
  if (!FEditor || !FBox) return false;
  const PointF p{static_cast<double>(at.x), static_cast<double>(at.y)};
  const bool taken = FEditor->Press(p, PictureRect(FBox->BoundsInOwner()).Contains(at.x, at.y));
  MarkupChanged();
  return taken;
}

void TRegionOverlay::MarkupDrag(POINT at) {
  if (!FEditor || !FEditor->Dragging()) return;
  FEditor->Drag({static_cast<double>(at.x), static_cast<double>(at.y)}, GetKeyState(VK_SHIFT) < 0);
  MarkupChanged();
}

void TRegionOverlay::MarkupRelease() {
  if (!FEditor || !FEditor->Dragging()) return;
  FEditor->Release();
  MarkupChanged();
}

void TRegionOverlay::BoxDoubleClicked(POINT at) {
  if (FEditor && FEditor->DoubleClick({static_cast<double>(at.x), static_cast<double>(at.y)})) {
    MarkupChanged();
  } else if (Drawing()) {
    MarkupPress(at);
  } else {
    AcceptSelection();
  }
}

void TRegionOverlay::FormChar(wchar_t c) {
  if (!Typing()) return;
  FEditor->Type(c);
  MarkupChanged();
}

// The input method shows what is being composed at the system caret: an invisible one stands where
// the text's caret is drawn.
void TRegionOverlay::PlaceComposition(HWND box) {
  if (!Typing()) {
    if (FCaretMade) DestroyCaret();
    FCaretMade = false;
    return;
  }
  const RectF caret = FEditor->Caret();
  POINT at{static_cast<LONG>(std::lround(caret.Left)), static_cast<LONG>(std::lround(caret.Top))};
  MapWindowPoints(Handle(), box, &at, 1);
  if (!FCaretMade) FCaretMade = CreateCaret(box, nullptr, 1, static_cast<int>(std::lround(caret.Bottom - caret.Top))) != FALSE;
  SetCaretPos(at.x, at.y);
}

// Only what changed is drawn again: the shapes that differ from those in the picture (and every
// mosaic they reach), and the marks over it.
void TRegionOverlay::MarkupChanged() {
  if (!FBox || !FEditor) return;
  const Rect place = FBox->BoundsInOwner();
  const RectF marks = MarksBounds();
  RectF damage = Enclosing(FMarks, marks);
  FMarks = marks;
  if (FComposed == PictureRect(place)) {
    const ShapeList now = FEditor->Shapes();
    const RectF changed = Damage(FShown, now);
    FShown = now;
    const Rect part = Intersection(FComposed, {static_cast<int32_t>(std::floor(changed.Left)), static_cast<int32_t>(std::floor(changed.Top)),
                                               static_cast<int32_t>(std::ceil(changed.Right)), static_cast<int32_t>(std::ceil(changed.Bottom))});
    if (part.Width() > 0 && part.Height() > 0) ComposePart(part);
    damage = Enclosing(damage, changed);
  } else {
    FComposed = {};
    damage = {static_cast<double>(place.Left), static_cast<double>(place.Top), static_cast<double>(place.Right),
              static_cast<double>(place.Bottom)};
  }
  if (damage.Right > damage.Left) {
    const RECT inBox{static_cast<LONG>(std::floor(damage.Left)) - place.Left - 1, static_cast<LONG>(std::floor(damage.Top)) - place.Top - 1,
                     static_cast<LONG>(std::ceil(damage.Right)) - place.Left + 1, static_cast<LONG>(std::ceil(damage.Bottom)) - place.Top + 1};
    InvalidateRect(FBox->Handle(), &inBox, FALSE);
  }
  FollowBox(place);
  PlaceComposition(FBox->Handle());
  UpdateWindow(FBox->Handle());
}

void TRegionOverlay::FollowBox(const Rect& box) {
  if (FSizeLabel) FSizeLabel->Follow(box);
  if (FBar && FEditor)
    FBar->Follow(box, {FEditor->Tool(), FEditor->StyledKind(), FEditor->Style(), -1, FEditor->History().CanUndo(),
                       FEditor->History().CanRedo()});
}

void TRegionOverlay::ChooseTool(std::optional<ShapeKind> tool) {
  if (!FEditor) return;
  FEditor->ChooseTool(FEditor->Tool() == tool ? std::nullopt : tool);  // again: put it down
  MarkupChanged();
}

void TRegionOverlay::BarPressed(const BarButton& button) {
  if (!FEditor) return;
  if (const auto tool = ToolOf(button.Command)) {
    ChooseTool(tool);
    return;
  }
  MarkupStyle style = FEditor->Style();
  switch (button.Command) {
    case BarCommand::Undo: FEditor->Undo(); break;
    case BarCommand::Redo: FEditor->Redo(); break;
    case BarCommand::Pin: End(RegionEnding::Pin); return;
    case BarCommand::Copy: End(RegionEnding::Copy); return;
    case BarCommand::SaveAs: End(RegionEnding::SaveAs); return;
    case BarCommand::Done: End(RegionEnding::Done); return;
    case BarCommand::Cancel: ModalResult = mrCancel; return;
    case BarCommand::Width: style.Width = button.Index; break;
    case BarCommand::Ink: style.Ink = button.Index; break;
    case BarCommand::TextSize: style.TextSize = button.Index; break;
    default: break;
  }
  if (!(style == FEditor->Style())) {
    FEditor->SetStyle(style);
    DrawingStyle = FEditor->Style();
  }
  MarkupChanged();
}

// Esc cancels; with a box, Enter accepts it as a double-click does and the arrows move or size it.
// While the magnifier shows, Shift switches the colour's form and C copies it.
void TRegionOverlay::FormKeyDown(WPARAM key, LPARAM flags) {
  const bool control = GetKeyState(VK_CONTROL) < 0, shift = GetKeyState(VK_SHIFT) < 0;
  if (Typing()) {
    // The text's characters, Enter's new line among them, come as WM_CHAR.
    if (key == VK_ESCAPE || (key == VK_RETURN && control)) {
      FEditor->EndTyping();
      MarkupChanged();
    }
    return;
  }
  if (key == VK_ESCAPE) {
    ModalResult = mrCancel;
    return;
  }
  const bool repeat = (flags & (1 << 30)) != 0;
  if (key == VK_SHIFT && !repeat && FMagnifier) FMagnifier->SwitchColourForm();
  if (key == 'C' && !control && !repeat && FMagnifier && FMagnifier->Shown() &&
      PutClipboardText(Handle(), FMagnifier->ColourShown()))
    FMagnifier->SayCopied();
  if (!FBox) return;
  if (key == VK_RETURN) {
    End(RegionEnding::Done);
    return;
  }
  if (FEditor && MarkupKey(static_cast<int32_t>(key), control, shift)) return;
  const Rect box = FBox->BoundsInOwner();
  RECT client;
  GetClientRect(Handle(), &client);
  const Rect next = KeyedBox(box, static_cast<int32_t>(key), shift, control, {0, 0, client.right, client.bottom});
  if (next != box) MoveWindow(FBox->Handle(), next.Left, next.Top, next.Width(), next.Height(), TRUE);
}

// The tools' letters, undo and redo, the commands and Delete; false for any other key.
bool TRegionOverlay::MarkupKey(int32_t key, bool control, bool shift) {
  if (control) {
    switch (key) {
      case 'Z': shift ? FEditor->Redo() : FEditor->Undo(); break;
      case 'Y': FEditor->Redo(); break;
      case 'C': End(RegionEnding::Copy); return true;
      case 'S': End(RegionEnding::SaveAs); return true;
      default: return false;
    }
    MarkupChanged();
    return true;
  }
  if (key == VK_DELETE) {
    if (FEditor->DeleteChosen()) MarkupChanged();
    return true;
  }
  if (key == VK_F3) {
    End(RegionEnding::Pin);
    return true;
  }
  static constexpr struct {
    int32_t Key;
    ShapeKind Tool;
  } kToolKeys[] = {{'R', ShapeKind::Rectangle}, {'E', ShapeKind::Ellipse}, {'A', ShapeKind::Arrow},
                   {'L', ShapeKind::Line},      {'P', ShapeKind::Pen},     {'M', ShapeKind::Marker},
                   {'T', ShapeKind::Text},      {'N', ShapeKind::Step},    {'B', ShapeKind::Mosaic}};
  for (const auto& tool : kToolKeys)
    if (tool.Key == key) {
      ChooseTool(tool.Tool);
      return true;
    }
  return false;
}

void TRegionOverlay::FormMouseDown(const Rect& place) {
  if (FBox) return;
  Outline({});
  if (FMagnifier) FMagnifier->Hide();
  POINT at{place.Left, place.Top};
  ClientToScreen(Handle(), &at);
  FEditor.emplace(MonitorDpi(at) / 96.0, DrawingStyle);
  FBar = std::make_unique<TMarkupBar>(Handle(), [this](const BarButton& button) { BarPressed(button); });
  FSizeLabel = std::make_unique<TSizeLabel>(Handle());
  // The box comes last, where it belongs at once, and its readouts with it: whoever sees it sees
  // them too.
  FBox = std::make_unique<TSelectionBox>(*this, place);
  SelectionBox = FBox.get();
  FollowBox(place);
}

void TRegionOverlay::Press(int x, int y) {
  if (FBox || FPressing) return;
  if (FOutline.Width() <= 0) {
    FormMouseDown({x, y, x + kStartBoxSize, y + kStartBoxSize});
    return;
  }
  FPressing = true;
  FPressAt = {x, y};
  SetCapture(Handle());
}

// A click takes the outlined window: the box's frame line just outside it, so that inside the line
// the picture holds every pixel of it.
void TRegionOverlay::Released() {
  if (!FPressing) return;
  FPressing = false;
  ReleaseCapture();
  FormMouseDown(BoxAround(FOutline));
}

void TRegionOverlay::MouseMove(int x, int y) {
  if (FPressing) {
    // Moved further than a click may: a box is drawn from the press, as without snapping.
    if (IsClick(x - FPressAt.x, y - FPressAt.y, GetSystemMetrics(SM_CXDRAG), GetSystemMetrics(SM_CYDRAG))) return;
    FPressing = false;
    ReleaseCapture();
    FormMouseDown({FPressAt.x, FPressAt.y, FPressAt.x + kStartBoxSize, FPressAt.y + kStartBoxSize});
    return;
  }
  if (FBox) return;
  if (FMagnifier) FMagnifier->Follow(x, y);
  Hover(x, y);
}

void TRegionOverlay::Wheel(int delta) {
  if (FBox || FPressing || FChain.empty()) return;
  FLevelsUp = std::clamp(FLevelsUp + (delta > 0 ? 1 : -1), 0, static_cast<int32_t>(FChain.size()) - 1);
  Outline(FWindows[static_cast<size_t>(SnapTarget(FChain, FLevelsUp))].Bounds);
}

void TRegionOverlay::Hover(int x, int y) {
  if (FListing) FListing->Update(FWindows);
  std::vector<int32_t> chain = SnapChainAt(FWindows, x, y, kWindowEdge);
  if (chain.empty() || FChain.empty() || chain.back() != FChain.back()) FLevelsUp = 0;  // another window: its deepest first
  FChain = std::move(chain);
  const int32_t target = SnapTarget(FChain, FLevelsUp);
  Outline(target >= 0 ? FWindows[static_cast<size_t>(target)].Bounds : Rect{});
}

// Only the strips of the old and the new outline are painted again, at once: it follows the
// cursor without a flicker.
void TRegionOverlay::Outline(const Rect& target) {
  if (target == FOutline) return;
  InvalidateOutline();
  FOutline = target;
  InvalidateOutline();
  if (FOutline.Width() > 0 && !FBox) {
    if (!FSizeLabel) FSizeLabel = std::make_unique<TSizeLabel>(Handle());
    FSizeLabel->Show(FOutline, FOutline.Width(), FOutline.Height());
  } else if (FSizeLabel && !FBox) {
    FSizeLabel->Hide();
  }
  UpdateWindow(Handle());
}

void TRegionOverlay::ListingGrew() {
  const bool done = FListing->Done();  // asked first: what Hover then takes in is all there is
  POINT cursor;
  if (!FBox && !FPressing && GetCursorPos(&cursor) && ScreenToClient(Handle(), &cursor)) Hover(cursor.x, cursor.y);
  if (done || FBox) KillTimer(Handle(), kListingTimer);
}

void TRegionOverlay::InvalidateOutline() {
  if (FOutline.Width() <= 0) return;
  for (const RECT& strip : OutlineStrips(FOutline)) InvalidateRect(Handle(), &strip, FALSE);
}

void TRegionOverlay::BoxChanging(const Rect& proposed, bool sizing) {
  FollowBox(proposed);
  POINT cursor;
  if (sizing && FMagnifier && GetCursorPos(&cursor) && ScreenToClient(Handle(), &cursor))
    FMagnifier->Follow(cursor.x, cursor.y);
}

void TRegionOverlay::BoxChanged() {
  if (FBox) FollowBox(FBox->BoundsInOwner());
}

void TRegionOverlay::BoxLoopEnded() {
  if (FMagnifier) FMagnifier->Hide();
  BoxChanged();
}

void TRegionOverlay::FormPaint() {
  // Once the overlay is on the screen (its first paint flushed when the loop next waits, which a
  // timer waits for), the children are listed: the listing does not slow the overlay down.
  if (FListing && IsWindowVisible(Handle())) SetTimer(Handle(), kChildrenTimer, USER_TIMER_MINIMUM, nullptr);
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(Handle(), &paint);
  if (FFrozenDc) {
    const RECT& r = paint.rcPaint;
    BitBlt(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, FFrozenDc.get(), r.left, r.top, SRCCOPY);
  }
  if (FOutline.Width() > 0) {
    SetDCBrushColor(dc, kOutlineColour);
    for (const RECT& strip : OutlineStrips(FOutline)) FillRect(dc, &strip, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
  }
  // The box lets the overlay paint under it (a readout moved off it, say); what was painted there is
  // painted over by the box again, its shapes and frame with it.
  if (FBox) {
    const Rect box = FBox->BoundsInOwner();
    const Rect under = Intersection(box, {paint.rcPaint.left, paint.rcPaint.top, paint.rcPaint.right, paint.rcPaint.bottom});
    if (under.Width() > 0 && under.Height() > 0) {
      const RECT inBox{under.Left - box.Left, under.Top - box.Top, under.Right - box.Left, under.Bottom - box.Top};
      InvalidateRect(FBox->Handle(), &inBox, FALSE);
    }
  }
  EndPaint(Handle(), &paint);
}

LRESULT TRegionOverlay::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT:       FormPaint(); return 0;
    case WM_ERASEBKGND:  return 1;  // the picture covers everything
    case WM_SHOWWINDOW:  if (wParam) SetFocus(Handle()); break;
    case WM_KEYDOWN:     FormKeyDown(wParam, lParam); return 0;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN: Press(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)); return 0;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP:   Released(); return 0;
    case WM_MOUSEMOVE:   MouseMove(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)); return 0;
    case WM_MOUSEWHEEL:  Wheel(GET_WHEEL_DELTA_WPARAM(wParam)); return 0;
    case WM_CAPTURECHANGED: FPressing = false; return 0;
    case WM_TIMER:
      if (wParam == kChildrenTimer && FListing) {
        KillTimer(Handle(), kChildrenTimer);
        FListing->ListChildren();
      }
      if (wParam == kListingTimer && FListing) ListingGrew();
      return 0;
  }
  return TForm::HandleMessage(message, wParam, lParam);
}

// ---- TSelectionBox

TSelectionBox::TSelectionBox(TRegionOverlay& owner, const Rect& place) : owner_(owner) {
  FHitCodes = kGripHitCodes;
  CreateHandle({L"TSizerControl", CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS, IDC_ARROW, nullptr}, WS_EX_TRANSPARENT,
               WS_CHILD | WS_CLIPSIBLINGS | WS_VISIBLE, L"", {place.Left, place.Top, place.Width(), place.Height()}, owner.Handle());
  SetFocus(Handle());
}

Rect TSelectionBox::BoundsInOwner() const {
  RECT r;
  GetWindowRect(Handle(), &r);
  MapWindowPoints(nullptr, owner_.Handle(), reinterpret_cast<POINT*>(&r), 2);
  return {r.left, r.top, r.right, r.bottom};
}

LRESULT TSelectionBox::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_NCHITTEST:     return WMNCHitTest(lParam);
    case WM_SETCURSOR:     return WMSetCursor(wParam, lParam);
    case WM_SIZE:          WMSize(LOWORD(lParam), HIWORD(lParam)); return 0;
    case WM_LBUTTONDOWN:   WMLButtonDown(InOwner(lParam)); return 0;
    case WM_MOUSEMOVE:     if (GetCapture() == Handle()) owner_.MarkupDrag(InOwner(lParam)); return 0;
    case WM_LBUTTONUP:     if (GetCapture() == Handle()) ReleaseCapture(); return 0;
    case WM_CAPTURECHANGED: owner_.MarkupRelease(); return 0;
    case WM_MOVE:          WMMove(); return 0;
    case WM_LBUTTONDBLCLK: owner_.BoxDoubleClicked(InOwner(lParam)); return 0;
    case WM_CHAR:          owner_.FormChar(static_cast<wchar_t>(wParam)); return 0;
    case WM_IME_STARTCOMPOSITION: owner_.PlaceComposition(Handle()); break;
    case WM_PAINT:         Paint(); return 0;
    case WM_ERASEBKGND:    return 1;
    case WM_KEYDOWN:       owner_.FormKeyDown(wParam, lParam); return 0;  // the overlay sees every key
    case WM_MOVING:        WMMovingOrSizing(reinterpret_cast<RECT*>(lParam), false); return TRUE;
    case WM_SIZING:        WMMovingOrSizing(reinterpret_cast<RECT*>(lParam), true); return TRUE;
    case WM_EXITSIZEMOVE:  owner_.BoxLoopEnded(); return 0;
  }
  return TWinControl::HandleMessage(message, wParam, lParam);
}

LRESULT TSelectionBox::WMNCHitTest(LPARAM lParam) {
  POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
  ScreenToClient(Handle(), &point);
  RECT client;
  GetClientRect(Handle(), &client);
  if (const int32_t code = SizerHitTest(client.right, client.bottom, point.x, point.y)) return code;
  return DefaultHandler(WM_NCHITTEST, 0, lParam);
}

LRESULT TSelectionBox::WMSetCursor(WPARAM wParam, LPARAM lParam) {
  if (LOWORD(lParam) != HTCLIENT) return DefaultHandler(WM_SETCURSOR, wParam, lParam);
  SetCursor(LoadCursorW(nullptr, owner_.Drawing() ? IDC_CROSS : moved_ ? IDC_SIZEALL : IDC_ARROW));
  return TRUE;
}

void TSelectionBox::WMSize(int width, int height) {
  FGrips = GripRects(width, height);
  owner_.BoxChanged();
}

POINT TSelectionBox::InOwner(LPARAM lParam) const {
  POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
  MapWindowPoints(Handle(), owner_.Handle(), &at, 1);
  return at;
}

void TSelectionBox::WMLButtonDown(POINT at) {
  // A press that draws, or takes a shape, is the drawing's until the button is released.
  if (owner_.MarkupPress(at)) {
    if (!owner_.Typing()) SetCapture(Handle());
    return;
  }
  // The system's move loop: the box follows the pointer until the button is released.
  SendMessageW(Handle(), WM_SYSCOMMAND, SC_MOVE | HTCAPTION, 0);
  RedrawWindow(Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
}

// The rectangle the system's loop proposes: documented in screen coordinates, given for a child
// window in its parent's by some systems; whichever lies nearer the box as it stands is taken.
void TSelectionBox::WMMovingOrSizing(RECT* proposed, bool sizing) {
  const Rect box = BoundsInOwner();
  RECT screen;
  GetWindowRect(Handle(), &screen);
  const auto distance = [&](LONG left, LONG top) { return std::abs(proposed->left - left) + std::abs(proposed->top - top); };
  Rect place{proposed->left, proposed->top, proposed->right, proposed->bottom};
  if (distance(screen.left, screen.top) < distance(box.Left, box.Top)) {
    POINT corners[2] = {{proposed->left, proposed->top}, {proposed->right, proposed->bottom}};
    MapWindowPoints(nullptr, owner_.Handle(), corners, 2);
    place = {corners[0].x, corners[0].y, corners[1].x, corners[1].y};
  }
  owner_.BoxChanging(place, sizing);
}

void TSelectionBox::WMMove() {
  moved_ = true;
  owner_.BoxChanged();
  // Its inside now shows another part of the picture; the size stays as it is.
  InvalidateRect(Handle(), nullptr, FALSE);
}

void TSelectionBox::Paint() {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(Handle(), &paint);
  const ScopeExit end([&] { EndPaint(Handle(), &paint); });
  RECT client;
  GetClientRect(Handle(), &client);
  const RECT& area = paint.rcPaint;
  const int width = area.right - area.left, height = area.bottom - area.top;
  if (width <= 0 || height <= 0) return;
  const Rect place = BoundsInOwner();

  // Only what needs it is drawn, off-screen, and put on screen in one copy: a shape dragged over a
  // large box repaints only round itself, and sizing and moving never flicker.
  UniqueMemoryDc buffer(CreateCompatibleDC(dc));
  UniqueBitmap canvas(CreateCompatibleBitmap(dc, width, height));
  ScopedSelect keepCanvas(buffer.get(), canvas.get());
  SetViewportOrgEx(buffer.get(), -area.left, -area.top, nullptr);  // drawn in box coordinates
  if (owner_.FrozenDc())
    BitBlt(buffer.get(), area.left, area.top, width, height, owner_.FrozenDc(), place.Left + area.left, place.Top + area.top,
           SRCCOPY);
  owner_.PaintInside(buffer.get(), place, {area.left, area.top, area.right, area.bottom});

  ScopedSelect keepPen(buffer.get(), GetStockObject(DC_PEN));
  ScopedSelect keepBrush(buffer.get(), GetStockObject(DC_BRUSH));
  SetDCPenColor(buffer.get(), RGB(0, 0, 0));
  SetDCBrushColor(buffer.get(), RGB(255, 255, 255));
  for (const Rect& grip : FGrips) Rectangle(buffer.get(), grip.Left, grip.Top, grip.Right, grip.Bottom);
  FFrameRect = FrameRect(client.right, client.bottom);
  DrawBoxFrame(buffer.get(), FFrameRect);

  SetViewportOrgEx(buffer.get(), 0, 0, nullptr);
  BitBlt(dc, area.left, area.top, width, height, buffer.get(), 0, 0, SRCCOPY);
}


