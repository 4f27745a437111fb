#include "overlay/selection_box.h"

#include <windowsx.h>

#include <cstdlib>

#include "overlay/overlay_look.h"
#include "toolkit/handles.h"
#include "toolkit/scope_exit.h"

void DrawBoxFrame(HDC dc, const Rect& frame) {
  ScopedSelect pen(dc, GetStockObject(DC_PEN));
  ScopedSelect hollow(dc, GetStockObject(NULL_BRUSH));
  SetDCPenColor(dc, kFrameLine);
  Rectangle(dc, frame.Left, frame.Top, frame.Right, frame.Bottom);
}

TSelectionBox::TSelectionBox(TBoxOwner& owner, HWND overlay, const Rect& place) : owner_(owner), overlay_(overlay) {
  CreateHandle({L"TSizerControl", CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS, IDC_ARROW, nullptr}, WS_EX_TRANSPARENT,
               WS_CHILD | WS_CLIPSIBLINGS | WS_VISIBLE, L"", {place.Left, place.Top, place.Width(), place.Height()}, overlay);
  SetFocus(Handle());
}

Rect TSelectionBox::BoundsInOwner() const {
  RECT r;
  GetWindowRect(Handle(), &r);
  MapWindowPoints(nullptr, overlay_, reinterpret_cast<POINT*>(&r), 2);
  return {r.left, r.top, r.right, r.bottom};
}

void TSelectionBox::MoveByKey(int32_t key, bool shift, bool control) {
  const Rect box = BoundsInOwner();
  RECT client;
  GetClientRect(overlay_, &client);
  MoveTo(KeyedBox(box, key, shift, control, {0, 0, client.right, client.bottom}));
}

void TSelectionBox::MoveTo(const Rect& place) {
  if (place != BoundsInOwner()) MoveWindow(Handle(), place.Left, place.Top, place.Width(), place.Height(), TRUE);
}

void TSelectionBox::Invalidate(const Rect& area) {
  const RECT r{area.Left, area.Top, area.Right, area.Bottom};
  InvalidateRect(Handle(), &r, FALSE);
}

LRESULT TSelectionBox::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_NCHITTEST:     return WMNCHitTest(lParam);
    case WM_SETCURSOR:     return WMSetCursor(wParam, lParam);
    case WM_SIZE:          WMSize(LOWORD(lParam), HIWORD(lParam)); return 0;
    case WM_LBUTTONDOWN:   WMLButtonDown(InOwner(lParam)); return 0;
    case WM_MOUSEMOVE:     if (GetCapture() == Handle()) owner_.BoxDragged(InOwner(lParam)); return 0;
    case WM_LBUTTONUP:     if (GetCapture() == Handle()) ReleaseCapture(); return 0;
    case WM_CAPTURECHANGED: owner_.BoxReleased(); return 0;
    case WM_MOVE:          WMMove(); return 0;
    case WM_LBUTTONDBLCLK: WMLButtonDblClk(InOwner(lParam)); return 0;
    case WM_CHAR:          owner_.BoxChar(static_cast<wchar_t>(wParam)); return 0;
    case WM_IME_STARTCOMPOSITION: owner_.BoxComposing(); break;
    case WM_PAINT:         Paint(); return 0;
    case WM_ERASEBKGND:    return 1;
    case WM_KEYDOWN:       owner_.BoxKeyDown(wParam, lParam); return 0;
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
  SetCursor(LoadCursorW(nullptr, owner_.ToolChosen() ? IDC_CROSS : moved_ ? IDC_SIZEALL : IDC_ARROW));
  return TRUE;
}

void TSelectionBox::WMSize(int width, int height) {
  grips_ = GripRects(width, height);
  owner_.BoxChanged();
}

POINT TSelectionBox::InOwner(LPARAM lParam) const {
  POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
  MapWindowPoints(Handle(), overlay_, &at, 1);
  return at;
}

void TSelectionBox::WMLButtonDown(POINT at) {
  // A press that draws, or takes a shape, is the drawing's until the button is released.
  if (owner_.BoxPressed(at)) {
    if (!owner_.Typing()) SetCapture(Handle());
    return;
  }
  // The system's move loop: the box follows the pointer until the button is released.
  SendMessageW(Handle(), WM_SYSCOMMAND, SC_MOVE | HTCAPTION, 0);
  RedrawWindow(Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
}

// A double-click that draws is a press too: its drag and release are the drawing's.
void TSelectionBox::WMLButtonDblClk(POINT at) {
  if (owner_.BoxDoubleClicked(at) && !owner_.Typing()) SetCapture(Handle());
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
    MapWindowPoints(nullptr, overlay_, corners, 2);
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

  // Only what needs it is drawn, off-screen, and put on screen in one copy: a shape dragged over a
  // large box repaints only round itself, and sizing and moving never flicker.
  UniqueMemoryDc buffer(CreateCompatibleDC(dc));
  UniqueBitmap canvas(CreateCompatibleBitmap(dc, width, height));
  ScopedSelect keepCanvas(buffer.get(), canvas.get());
  SetViewportOrgEx(buffer.get(), -area.left, -area.top, nullptr);  // drawn in box coordinates
  owner_.PaintBoxInside(buffer.get(), BoundsInOwner(), {area.left, area.top, area.right, area.bottom});

  ScopedSelect keepPen(buffer.get(), GetStockObject(DC_PEN));
  ScopedSelect keepBrush(buffer.get(), GetStockObject(DC_BRUSH));
  SetDCPenColor(buffer.get(), RGB(0, 0, 0));
  SetDCBrushColor(buffer.get(), RGB(255, 255, 255));
  for (const Rect& grip : grips_) Rectangle(buffer.get(), grip.Left, grip.Top, grip.Right, grip.Bottom);
  DrawBoxFrame(buffer.get(), FrameRect(client.right, client.bottom));

  SetViewportOrgEx(buffer.get(), 0, 0, nullptr);
  BitBlt(dc, area.left, area.top, width, height, buffer.get(), 0, 0, SRCCOPY);
}
