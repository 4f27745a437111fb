#include "overlay/region_overlay.h"

#include <windowsx.h>

#include "capture/capture_sources.h"
#include "toolkit/controls.h"
#include "toolkit/error.h"

namespace {

// The lowest region a scrolling capture takes: a few rows that scroll between bands of a few more.
constexpr int kMinScrollingHeight = 16;

// The pixels inside a box's frame line (`framed` is the line's own rectangle).
Rect InsideFrameLine(const Rect& framed) { return {framed.Left + 1, framed.Top + 1, framed.Right - 1, framed.Bottom - 1}; }

}  // namespace

TRegionOverlay* RegionOverlay = nullptr;

TRegionOverlay::TRegionOverlay() : TRegionOverlay(VirtualDesktop()) {}

TRegionOverlay::TRegionOverlay(const Rect& desktop)
    : desktop_(desktop), snapper_([this](const Rect& outline) { WindowOutlined(outline); }) {}

FormBounds TRegionOverlay::Bounds() const {
  // The whole desktop: on several monitors every pixel stays where it was.
  return {desktop_.Left, desktop_.Top, desktop_.Width(), desktop_.Height()};
}

int TRegionOverlay::ShowFrozen(HBITMAP frozen) {
  frozen_.Hold(frozen);
  POINT cursor{};
  const bool cursorKnown = GetCursorPos(&cursor) != FALSE;
  cursor = {cursor.x - desktop_.Left, cursor.y - desktop_.Top};
  try {
    magnifier_ = std::make_unique<TMagnifier>(Handle(), frozen_.Dc(), POINT{desktop_.Left, desktop_.Top});
    if (cursorKnown) magnifier_->Follow(cursor.x, cursor.y);
  } catch (const Error&) {
    magnifier_.reset();  // only a readout: the region is marked without it
  }
  snapper_.Start(Handle());
  if (cursorKnown) snapper_.Hover(cursor.x, cursor.y);
  const int result = ShowModal();
  magnifier_.reset();  // it draws from the picture's DC, which goes now
  frozen_.GiveBack();
  return result;
}

void TRegionOverlay::FormDestroy() {
  view_.reset();
  tools_.reset();
  selectedBitmap_.reset();
  sizeLabel_.reset();
  magnifier_.reset();
  if (box_) DestroyWindow(box_->Handle());
  box_.reset();
  if (RegionOverlay == this) RegionOverlay = nullptr;
}

// ---- Before the box

void TRegionOverlay::MousePressed(int x, int y, UINT button) {
  if (!box_) snapper_.Press(x, y, button);
}

void TRegionOverlay::MouseReleased(int x, int y, UINT upFor) {
  if (!snapper_.EndsPress(upFor)) return;
  if (snapper_.Dragging()) {
    MouseMoved(x, y);  // the box ends where the button came up
    if (magnifier_) magnifier_->Hide();  // before the mouse is let go: the drag is over
  }
  if (const auto place = snapper_.Release(upFor)) PlaceBox(*place);
}

// Taken away mid-drag (another window came up, say): the box stays as drawn.
void TRegionOverlay::MouseCaptureLost() {
  const bool dragged = snapper_.Dragging();
  snapper_.CaptureLost();
  if (dragged && magnifier_) magnifier_->Hide();
}

void TRegionOverlay::MouseMoved(int x, int y) {
  if (snapper_.Pressing()) {
    // A drag draws the box, the magnifier at the cursor.
    if (const auto place = snapper_.DragTo(x, y)) {
      if (box_)
        box_->MoveTo(*place);
      else
        PlaceBox(*place);
      if (magnifier_) magnifier_->Follow(x, y);
    }
    return;
  }
  if (box_) return;
  if (magnifier_) magnifier_->Follow(x, y);
  snapper_.Hover(x, y);
}

void TRegionOverlay::WindowOutlined(const Rect& outline) {
  if (box_) return;
  if (outline.Width() > 0) {
    if (!sizeLabel_) sizeLabel_ = std::make_unique<TSizeLabel>(Handle());
    sizeLabel_->Show(outline, outline.Width(), outline.Height());
  } else if (sizeLabel_) {
    sizeLabel_->Hide();
  }
}

void TRegionOverlay::PlaceBox(const Rect& place) {
  if (box_) return;
  snapper_.Stop();
  if (magnifier_) magnifier_->Hide();
  POINT at{place.Left, place.Top};
  ClientToScreen(Handle(), &at);
  auto tools = std::make_unique<TMarkupTools>(Handle(), MonitorDpi(at) / 96.0, DrawingStyle, Alone,
                                             [this](const BarButton& button) { RunCommand(button.Command, button.Index); });
  // The view goes before the tools it shows (made again after an error further on, say).
  view_ = std::make_unique<TMarkupView>(frozen_, tools->Editor(), desktop_.Width(), desktop_.Height());
  tools_ = std::move(tools);
  sizeLabel_ = std::make_unique<TSizeLabel>(Handle());
  // The box comes last, where it belongs at once, and its readouts with it: whoever sees it sees
  // them too.
  box_ = std::make_unique<TSelectionBox>(static_cast<TBoxOwner&>(*this), Handle(), place);
  FollowBox(place);
}

// ---- Keys and commands

// Esc cancels; with a box, Enter accepts it as a double-click does, the drawing's keys give its
// commands, and the arrows move or size it. While the magnifier shows, Shift switches the colour's
// form and C copies it.
void TRegionOverlay::FormKeyDown(WPARAM key, LPARAM flags) {
  const bool control = GetKeyState(VK_CONTROL) < 0, shift = GetKeyState(VK_SHIFT) < 0;
  if (Typing()) {
    // The text's characters, Enter's new line among them, come as WM_CHAR.
    if (key == VK_ESCAPE || (key == VK_RETURN && control)) {
      tools_->EndTyping();
      MarkupChanged();
    }
    return;
  }
  if (key == VK_ESCAPE) {
    ModalResult = mrCancel;
    return;
  }
  if (magnifier_) magnifier_->PickColour(key, control, (flags & (1 << 30)) != 0);
  if ((key == VK_OEM_COMMA || key == VK_OEM_PERIOD) && !control && !shift) {
    Recall(key == VK_OEM_COMMA);
    return;
  }
  if (!box_) return;
  if (key == VK_RETURN) {
    End(RegionEnding::Done);
    return;
  }
  if (key == VK_DELETE && !control) {
    if (tools_->DeleteChosen()) MarkupChanged();
    return;
  }
  if (const auto command = KeyCommand(static_cast<int32_t>(key), control, shift)) {
    RunCommand(*command, 0);
    return;
  }
  box_->MoveByKey(static_cast<int32_t>(key), shift, control);
}

// A button of the bar, or its key: the endings are the overlay's, the rest the drawing's.
void TRegionOverlay::RunCommand(BarCommand command, int32_t index) {
  if (!tools_) return;
  if (!Offered(command, Alone)) {
    MessageBeep(MB_OK);
    return;
  }
  switch (command) {
    case BarCommand::Pin: End(RegionEnding::Pin); return;
    case BarCommand::Scroll: StartScrolling(); return;
    case BarCommand::ReadText: End(RegionEnding::ReadText); return;
    case BarCommand::Copy: End(RegionEnding::Copy); return;
    case BarCommand::SaveAs: End(RegionEnding::SaveAs); return;
    case BarCommand::Done: End(RegionEnding::Done); return;
    case BarCommand::Cancel: ModalResult = mrCancel; return;
    default:
      if (tools_->Apply(command, index)) DrawingStyle = tools_->Style();
      MarkupChanged();
  }
}

void TRegionOverlay::Recall(bool back) {
  if (box_ && !(recalled_ && box_->BoundsInOwner() == *recalled_)) return;  // a box of the user's own
  const std::optional<Rect> box = back ? walk_.Back() : walk_.Forward();
  if (!box) return;
  const Rect place{box->Left - desktop_.Left, box->Top - desktop_.Top, box->Right - desktop_.Left,
                   box->Bottom - desktop_.Top};
  if (box_)
    box_->MoveTo(place);
  else
    PlaceBox(place);
  recalled_ = place;
}

// ---- The box and the drawing in it

void TRegionOverlay::MarkupChanged() {
  recalled_.reset();  // drawn on, clicked: the user's own
  if (!box_ || !view_) return;
  const Rect place = box_->BoundsInOwner();
  const Rect damage = view_->Changed(place);
  if (damage.Width() > 0) box_->Invalidate(damage);
  FollowBox(place);
  view_->PlaceComposition(Handle(), box_->Handle());
  UpdateWindow(box_->Handle());
}

void TRegionOverlay::FollowBox(const Rect& box) {
  if (sizeLabel_) sizeLabel_->Follow(box);
  if (tools_) tools_->Follow(box);
}

void TRegionOverlay::BoxChanging(const Rect& proposed, bool sizing) {
  FollowBox(proposed);
  POINT cursor;
  if (sizing && magnifier_ && GetCursorPos(&cursor) && ScreenToClient(Handle(), &cursor)) magnifier_->Follow(cursor.x, cursor.y);
}

void TRegionOverlay::BoxChanged() {
  if (box_) FollowBox(box_->BoundsInOwner());
}

void TRegionOverlay::BoxLoopEnded() {
  if (magnifier_) magnifier_->Hide();
  BoxChanged();
}

bool TRegionOverlay::BoxPressed(POINT at) {
  if (!box_ || !tools_) return false;
  const bool taken = tools_->Press(at, view_->PictureRect(box_->BoundsInOwner()).Contains(at.x, at.y));
  MarkupChanged();
  return taken;
}

void TRegionOverlay::BoxDragged(POINT at) {
  if (tools_ && tools_->Drag(at)) MarkupChanged();
}

void TRegionOverlay::BoxReleased() {
  if (tools_ && tools_->Release()) MarkupChanged();
}

// Edits a text again; elsewhere a tool takes it as a press, and with no tool the box is accepted.
bool TRegionOverlay::BoxDoubleClicked(POINT at) {
  if (tools_ && tools_->EditTextAt(at)) {
    MarkupChanged();
    return false;
  }
  if (ToolChosen()) return BoxPressed(at);
  AcceptSelection();
  return false;
}

void TRegionOverlay::BoxChar(wchar_t c) {
  if (tools_ && tools_->Type(c)) MarkupChanged();
}

void TRegionOverlay::BoxComposing() {
  if (view_ && box_) view_->PlaceComposition(Handle(), box_->Handle());
}

void TRegionOverlay::PaintBoxInside(HDC dc, const Rect& place, const Rect& area) {
  if (view_) view_->Paint(dc, place, area);
}

// ---- Ending

void TRegionOverlay::AcceptSelection() {
  if (!box_) return;
  tools_->Finish();
  const Rect place = box_->BoundsInOwner();
  const Rect framed = SelectionInside(place);
  // A box round a window at the desktop's edge reaches past it: the picture ends at the edge, and
  // the frame line there lies outside it.
  Rect inside = view_->PictureRect(place);
  if (inside.Width() <= 0 || inside.Height() <= 0) return;  // nothing inside the band yet
  // Text is read inside the frame line: the line would be taken for a rule or a letter.
  const bool withFrame = ending_ != RegionEnding::ReadText;
  const Rect shownRect = inside;
  if (!withFrame) {
    inside = Intersection(inside, InsideFrameLine(framed));
    if (inside.Width() <= 0 || inside.Height() <= 0) return;
  }
  selectedRect_ = inside;
  takenBox_ = ToScreen(place);
  // The pixels the box shows: the frozen picture, never the screen (a window that came up above the
  // overlay since, a notification, stays out of it), with the shapes, from the same drawing. The
  // box's blue frame lies in its outermost pixels, as the overlay shows it.
  const TPixelCanvas& shown = view_->Composed(shownRect);  // as the box shows it, not drawn once more
  WindowDc overlay(Handle());
  selectedBitmap_.reset(CreateCompatibleBitmap(overlay.get(), inside.Width(), inside.Height()));
  if (!selectedBitmap_) throw Error(L"Cannot make a picture of the marked region");
  UniqueMemoryDc target(CreateCompatibleDC(overlay.get()));
  {
    ScopedSelect keep(target.get(), selectedBitmap_.get());
    if (!BitBlt(target.get(), 0, 0, inside.Width(), inside.Height(), shown.Dc(), inside.Left - shownRect.Left,
                inside.Top - shownRect.Top, SRCCOPY))
      throw Error(L"Cannot copy the screen");
    if (withFrame)
      DrawBoxFrame(target.get(), {framed.Left - inside.Left, framed.Top - inside.Top, framed.Right - inside.Left,
                                framed.Bottom - inside.Top});
  }
  ModalResult = mrOk;
}

void TRegionOverlay::StartScrolling() {
  if (!box_) return;
  // The same pixels as a picture of the box, its frame line's included: the line goes with the
  // overlay, and the screen under it is read.
  const Rect inside = view_->PictureRect(box_->BoundsInOwner());
  // Too low to see anything scroll through it.
  if (inside.Width() <= 0 || inside.Height() < kMinScrollingHeight) {
    MessageBeep(MB_ICONWARNING);
    return;
  }
  selectedRect_ = inside;
  takenBox_ = ToScreen(box_->BoundsInOwner());
  ending_ = RegionEnding::Scroll;
  ModalResult = mrOk;
}

Rect TRegionOverlay::ToScreen(const Rect& r) const {
  return {r.Left + desktop_.Left, r.Top + desktop_.Top, r.Right + desktop_.Left, r.Bottom + desktop_.Top};
}

void TRegionOverlay::End(RegionEnding ending) {
  ending_ = ending;
  AcceptSelection();
  if (ModalResult != mrOk) ending_ = RegionEnding::Done;
}

// ---- Messages

void TRegionOverlay::FormPaint() {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(Handle(), &paint);
  const Rect area{paint.rcPaint.left, paint.rcPaint.top, paint.rcPaint.right, paint.rcPaint.bottom};
  frozen_.CopyTo(dc, area.Left, area.Top, area);
  snapper_.Paint(dc);
  // The box lets the overlay paint under it (a readout moved off it, say); what was painted there is
  // painted over by the box again, its shapes and frame with it.
  if (box_) {
    const Rect box = box_->BoundsInOwner();
    const Rect under = Intersection(box, area);
    if (under.Width() > 0 && under.Height() > 0)
      box_->Invalidate({under.Left - box.Left, under.Top - box.Top, under.Right - box.Left, under.Bottom - box.Top});
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
    case WM_MBUTTONDOWN: MousePressed(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam), message); return 0;
    // Each button's up message follows its down message.
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP:   MouseReleased(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam), message - 1); return 0;
    case WM_MOUSEMOVE:   MouseMoved(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)); return 0;
    case WM_MOUSEWHEEL:  if (!box_) snapper_.Wheel(GET_WHEEL_DELTA_WPARAM(wParam)); return 0;
    case WM_CAPTURECHANGED: MouseCaptureLost(); return 0;
    case WM_TIMER:       snapper_.Timer(wParam); return 0;
  }
  return TForm::HandleMessage(message, wParam, lParam);
}
