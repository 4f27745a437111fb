#include "overlay/readouts.h"

#include <string>

#include "common/clipboard.h"
#include "overlay/overlay_look.h"
#include "overlay/readouts_geometry.h"
#include "toolkit/controls.h"

namespace {

constexpr DWORD kReadoutStyle = WS_CHILD | WS_CLIPSIBLINGS;
constexpr COLORREF kPanel = RGB(32, 32, 32), kInk = RGB(255, 255, 255), kEdge = RGB(160, 160, 160);
// The magnifier: kCells x kCells pixels around the cursor, each kZoom x kZoom, above two lines of
// text, the cursor's point and its colour (at 96 DPI).
constexpr int kCells = 15, kZoom = 8, kTextLine = 18;
constexpr int kFontPixels = 12;  // the dialogs' text

Rect ClientOf(HWND window) {
  RECT r;
  GetClientRect(window, &r);
  return {r.left, r.top, r.right, r.bottom};
}

void Fill(HDC dc, const RECT& r, COLORREF colour) {
  SetDCBrushColor(dc, colour);
  FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
}

}  // namespace

// ---- TReadout

TReadout::TReadout(HWND overlay, const wchar_t* className) : overlay_(overlay), dpi_(WindowDpi(overlay)) {
  const DpiScope scope(dpi_);
  font_ = SongTiFont(kFontPixels);
  CreateHandle({className, 0, IDC_ARROW, nullptr}, 0, kReadoutStyle, L"", {0, 0, 0, 0}, overlay);
}

void TReadout::UseDpiAt(int x, int y) {
  POINT point{x, y};
  ClientToScreen(overlay_, &point);
  const int dpi = MonitorDpi(point);
  if (dpi == dpi_) return;
  dpi_ = dpi;
  const DpiScope scope(dpi_);
  font_ = SongTiFont(kFontPixels);
  DpiChanged();
}

LRESULT TReadout::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_NCHITTEST: return HTTRANSPARENT;  // clicks fall through to what lies beneath
    case WM_ERASEBKGND: return 1;
    case WM_PAINT: {
      // Through an off-screen copy, so a readout never shows half drawn.
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(Handle(), &paint);
      RECT client;
      GetClientRect(Handle(), &client);
      UniqueMemoryDc buffer(CreateCompatibleDC(dc));
      UniqueBitmap canvas(CreateCompatibleBitmap(dc, client.right, client.bottom));
      if (buffer && canvas) {
        ScopedSelect keep(buffer.get(), canvas.get());
        Paint(buffer.get(), client);
        BitBlt(dc, 0, 0, client.right, client.bottom, buffer.get(), 0, 0, SRCCOPY);
      }
      EndPaint(Handle(), &paint);
      return 0;
    }
  }
  return TWinControl::HandleMessage(message, wParam, lParam);
}

// ---- TSizeLabel

void TSizeLabel::Follow(const Rect& box) {
  const Rect inside = SelectionInside(box);
  Show(box, inside.Width(), inside.Height());
}

void TSizeLabel::Show(const Rect& box, int32_t width, int32_t height) {
  UseDpiAt(box.Left, box.Top);
  const std::wstring text = SizeLabelText(std::max(width, 0), std::max(height, 0));
  SetWindowTextW(Handle(), text.c_str());
  SIZE extent{};
  {
    WindowDc dc(Handle());
    ScopedSelect font(dc.get(), font_.get());
    GetTextExtentPoint32W(dc.get(), text.c_str(), static_cast<int>(text.size()), &extent);
  }
  const Rect place = SizeLabelRect(box, extent.cx + Scaled(8), extent.cy + Scaled(4), ClientOf(overlay_));
  SetWindowPos(Handle(), HWND_TOP, place.Left, place.Top, place.Width(), place.Height(), SWP_SHOWWINDOW | SWP_NOACTIVATE);
  InvalidateRect(Handle(), nullptr, FALSE);
}

void TSizeLabel::Paint(HDC dc, RECT client) {
  const std::wstring text = WindowTextOf(Handle());
  Fill(dc, client, kPanel);
  ScopedSelect font(dc, font_.get());
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, kInk);
  DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &client, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
}

// ---- TMagnifier

TMagnifier::TMagnifier(HWND overlay, HDC picture, POINT origin)
    : TReadout(overlay, L"TMagnifier"),
      picture_(picture),
      origin_(origin),
      zoom_(Scaled(kZoom)),
      lens_(kCells * zoom_),
      textLine_(Scaled(kTextLine)) {}

void TMagnifier::DpiChanged() {
  zoom_ = Scaled(kZoom);
  lens_ = kCells * zoom_;
  textLine_ = Scaled(kTextLine);
}

void TMagnifier::Follow(int x, int y) {
  UseDpiAt(x, y);
  cursor_ = {x, y};
  const Rect place =
      MagnifierRect(x, y, lens_ + 2, lens_ + 2 * textLine_ + 2, ClientOf(overlay_), Scaled(kMagnifierGap));
  SetWindowPos(Handle(), HWND_TOP, place.Left, place.Top, place.Width(), place.Height(), SWP_SHOWWINDOW | SWP_NOACTIVATE);
  const std::wstring where = std::to_wstring(origin_.x + x) + L", " + std::to_wstring(origin_.y + y);
  SetWindowTextW(Handle(), where.c_str());
  RedrawWindow(Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
}

std::wstring TMagnifier::ColourShown() const {
  const COLORREF colour = GetPixel(picture_, cursor_.x, cursor_.y);
  if (colour == CLR_INVALID) return L"";
  return ColourText(GetRValue(colour), GetGValue(colour), GetBValue(colour), hex_);
}

constexpr UINT_PTR kCopiedTimer = 1;

void TMagnifier::PickColour(WPARAM key, bool control, bool repeat) {
  if (repeat) return;
  if (key == VK_SHIFT) {
    hex_ = !hex_;
    InvalidateRect(Handle(), nullptr, FALSE);
  }
  if (key == 'C' && !control && Shown() && PutClipboardText(overlay_, ColourShown())) {
    copied_ = true;
    SetTimer(Handle(), kCopiedTimer, 1200, nullptr);
    InvalidateRect(Handle(), nullptr, FALSE);
  }
}

LRESULT TMagnifier::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_TIMER && wParam == kCopiedTimer) {
    KillTimer(Handle(), kCopiedTimer);
    copied_ = false;
    InvalidateRect(Handle(), nullptr, FALSE);
    return 0;
  }
  return TReadout::HandleMessage(message, wParam, lParam);
}

void TMagnifier::Paint(HDC dc, RECT client) {
  const std::wstring text = WindowTextOf(Handle());
  Fill(dc, client, kPanel);
  // The pixels around the cursor, each a kZoom square; beyond the picture's edges stays dark.
  const int half = kCells / 2;
  SetStretchBltMode(dc, COLORONCOLOR);
  StretchBlt(dc, 1, 1, lens_, lens_, picture_, cursor_.x - half, cursor_.y - half, kCells, kCells, SRCCOPY);
  // The cross-hair: the centre pixel's row and column, and a frame round the centre pixel.
  const int centre = 1 + half * zoom_;
  SetDCPenColor(dc, kOverlayAccent);
  ScopedSelect pen(dc, GetStockObject(DC_PEN));
  ScopedSelect hollow(dc, GetStockObject(NULL_BRUSH));
  const int mid = centre + zoom_ / 2;
  MoveToEx(dc, 1, mid, nullptr);
  LineTo(dc, centre - 1, mid);
  MoveToEx(dc, centre + zoom_ + 1, mid, nullptr);
  LineTo(dc, 1 + lens_, mid);
  MoveToEx(dc, mid, 1, nullptr);
  LineTo(dc, mid, centre - 1);
  MoveToEx(dc, mid, centre + zoom_ + 1, nullptr);
  LineTo(dc, mid, 1 + lens_);
  Rectangle(dc, centre - 1, centre - 1, centre + zoom_ + 1, centre + zoom_ + 1);
  SetDCBrushColor(dc, kEdge);  // an edge that shows on dark pictures too
  FrameRect(dc, &client, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
  RECT line{0, 1 + lens_, client.right, 1 + lens_ + textLine_};
  ScopedSelect font(dc, font_.get());
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, kInk);
  DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &line, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  // The colour: a swatch and its text, or word that it was copied.
  const std::wstring colour = copied_ ? L"已复制" : ColourShown();
  RECT second{0, line.bottom, client.right, client.bottom - 1};
  if (!copied_) {
    const int side = textLine_ / 2;
    const RECT swatch{Scaled(6), second.top + (textLine_ - side) / 2, Scaled(6) + side, second.top + (textLine_ - side) / 2 + side};
    Fill(dc, swatch, GetPixel(picture_, cursor_.x, cursor_.y));
    SetDCBrushColor(dc, kEdge);
    FrameRect(dc, &swatch, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
    second.left = swatch.right;
  }
  DrawTextW(dc, colour.c_str(), static_cast<int>(colour.size()), &second, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
}
