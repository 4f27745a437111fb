#include "capture/region_overlay.h"

#include <windowsx.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include "capture/capture_sources.h"
#include "common/clipboard.h"
#include "toolkit/error.h"

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
  const Rect framed = SelectionInside(FBox->BoundsInOwner());
  // A box round a window at the desktop's edge reaches past it: the picture ends at the edge, and
  // the frame line there lies outside it.
  const Rect inside{std::max(framed.Left, 0), std::max(framed.Top, 0), std::min(framed.Right, FDesktop.Width()),
                    std::min(framed.Bottom, FDesktop.Height())};
  if (inside.Width() <= 0 || inside.Height() <= 0) return;  // nothing inside the band yet
  FSelectedRect = inside;
  // Read from the frozen picture, never from the screen: a window that came up above the overlay
  // since (a notification) stays out of it. The box's blue frame lies in its outermost pixels, as
  // the overlay shows it.
  WindowDc overlay(Handle());
  FSelectedBitmap.reset(CreateCompatibleBitmap(overlay.get(), inside.Width(), inside.Height()));
  if (!FSelectedBitmap) throw Error(L"Cannot make a picture of the marked region");
  UniqueMemoryDc target(CreateCompatibleDC(overlay.get()));
  {
    ScopedSelect keep(target.get(), FSelectedBitmap.get());
    if (!BitBlt(target.get(), 0, 0, inside.Width(), inside.Height(), FFrozenDc.get(), inside.Left, inside.Top, SRCCOPY))
      throw Error(L"Cannot copy the screen");
    DrawBoxFrame(target.get(), {framed.Left - inside.Left, framed.Top - inside.Top, framed.Right - inside.Left,
                                framed.Bottom - inside.Top});
  }
  ModalResult = mrOk;
}

// Esc cancels; with a box, Enter accepts it as a double-click does and the arrows move or size it.
// While the magnifier shows, Shift switches the colour's form and C copies it.
void TRegionOverlay::FormKeyDown(WPARAM key, LPARAM flags) {
  if (key == VK_ESCAPE) {
    ModalResult = mrCancel;
    return;
  }
  const bool repeat = (flags & (1 << 30)) != 0;
  if (key == VK_SHIFT && !repeat && FMagnifier) FMagnifier->SwitchColourForm();
  if (key == 'C' && !repeat && FMagnifier && FMagnifier->Shown() && PutClipboardText(Handle(), FMagnifier->ColourShown()))
    FMagnifier->SayCopied();
  if (!FBox) return;
  if (key == VK_RETURN) {
    AcceptSelection();
    return;
  }
  const Rect box = FBox->BoundsInOwner();
  RECT client;
  GetClientRect(Handle(), &client);
  const Rect next = KeyedBox(box, static_cast<int32_t>(key), GetKeyState(VK_SHIFT) < 0, GetKeyState(VK_CONTROL) < 0,
                             {0, 0, client.right, client.bottom});
  if (next != box) MoveWindow(FBox->Handle(), next.Left, next.Top, next.Width(), next.Height(), TRUE);
}

void TRegionOverlay::FormMouseDown(int x, int y) {
  if (FBox) return;
  Outline({});
  if (FMagnifier) FMagnifier->Hide();
  FBox = std::make_unique<TSelectionBox>(*this, x, y);
  SelectionBox = FBox.get();
  FSizeLabel = std::make_unique<TSizeLabel>(Handle());
  FSizeLabel->Follow(FBox->BoundsInOwner());
}

void TRegionOverlay::Press(int x, int y) {
  if (FBox || FPressing) return;
  if (FOutline.Width() <= 0) {
    FormMouseDown(x, y);
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
  const Rect box = BoxAround(FOutline);
  FormMouseDown(FPressAt.x, FPressAt.y);
  MoveWindow(FBox->Handle(), box.Left, box.Top, box.Width(), box.Height(), TRUE);
  BoxChanged();
}

void TRegionOverlay::MouseMove(int x, int y) {
  if (FPressing) {
    // Moved further than a click may: a box is drawn from the press, as without snapping.
    if (IsClick(x - FPressAt.x, y - FPressAt.y, GetSystemMetrics(SM_CXDRAG), GetSystemMetrics(SM_CYDRAG))) return;
    FPressing = false;
    ReleaseCapture();
    FormMouseDown(FPressAt.x, FPressAt.y);
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
  if (FSizeLabel) FSizeLabel->Follow(proposed);
  POINT cursor;
  if (sizing && FMagnifier && GetCursorPos(&cursor) && ScreenToClient(Handle(), &cursor))
    FMagnifier->Follow(cursor.x, cursor.y);
}

void TRegionOverlay::BoxChanged() {
  if (FSizeLabel && FBox) FSizeLabel->Follow(FBox->BoundsInOwner());
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

TSelectionBox::TSelectionBox(TRegionOverlay& owner, int x, int y) : owner_(owner) {
  FHitCodes = kGripHitCodes;
  CreateHandle({L"TSizerControl", CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS, IDC_ARROW, nullptr}, WS_EX_TRANSPARENT,
               WS_CHILD | WS_CLIPSIBLINGS | WS_VISIBLE, L"", {x, y, kStartBoxSize, kStartBoxSize}, owner.Handle());
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
    case WM_LBUTTONDOWN:   WMLButtonDown(); return 0;
    case WM_MOVE:          WMMove(); return 0;
    case WM_LBUTTONDBLCLK: DoubleClicked(); return 0;
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
  SetCursor(LoadCursorW(nullptr, moved_ ? IDC_SIZEALL : IDC_ARROW));
  return TRUE;
}

void TSelectionBox::WMSize(int width, int height) {
  FGrips = GripRects(width, height);
  owner_.BoxChanged();
}

void TSelectionBox::WMLButtonDown() {
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
  RECT client;
  GetClientRect(Handle(), &client);
  const int width = client.right, height = client.bottom;
  const Rect place = BoundsInOwner();

  // Drawn off-screen and put on screen in one copy, so sizing and moving never flicker.
  UniqueMemoryDc buffer(CreateCompatibleDC(dc));
  UniqueBitmap canvas(CreateCompatibleBitmap(dc, width, height));
  {
    ScopedSelect keepCanvas(buffer.get(), canvas.get());
    if (owner_.FrozenDc()) BitBlt(buffer.get(), 0, 0, width, height, owner_.FrozenDc(), place.Left, place.Top, SRCCOPY);

    ScopedSelect keepPen(buffer.get(), GetStockObject(DC_PEN));
    ScopedSelect keepBrush(buffer.get(), GetStockObject(DC_BRUSH));
    SetDCPenColor(buffer.get(), RGB(0, 0, 0));
    SetDCBrushColor(buffer.get(), RGB(255, 255, 255));
    for (const Rect& grip : FGrips) Rectangle(buffer.get(), grip.Left, grip.Top, grip.Right, grip.Bottom);

    FFrameRect = FrameRect(width, height);
    DrawBoxFrame(buffer.get(), FFrameRect);

    BitBlt(dc, 0, 0, width, height, buffer.get(), 0, 0, SRCCOPY);
  }
  EndPaint(Handle(), &paint);
}

void TSelectionBox::DoubleClicked() {
  if (RegionOverlay) RegionOverlay->AcceptSelection();
}
