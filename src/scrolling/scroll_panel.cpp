#include "scrolling/scroll_panel.h"

#include <algorithm>
#include <string>

#include "common/place_beside.h"
#include "scrolling/preview.h"
#include "toolkit/controls.h"

namespace {

// The layout at 96 DPI.
constexpr int kPanelWidth = 200, kPanelHeight = 350, kMargin = 8, kPreviewHeight = 240;
constexpr int kButtonTop = 316, kButtonWidth = 60, kButtonHeight = 26;
constexpr int kAutoScrollId = 101, kDoneId = 102, kCancelId = 103;
constexpr uint32_t kPreviewBackground = 0xE6E6E6;

int Px(int pixels, int dpi) { return MulDiv(pixels, dpi, 96); }

}  // namespace

TScrollPanel::TScrollPanel(const Rect& region, std::function<void(PanelCommand)> command)
    : command_(std::move(command)), dpi_(MonitorDpi({region.Left + region.Width() / 2, region.Top + region.Height() / 2})) {
  MONITORINFO monitor{sizeof monitor};
  const RECT area{region.Left, region.Top, region.Right, region.Bottom};
  GetMonitorInfoW(MonitorFromRect(&area, MONITOR_DEFAULTTONEAREST), &monitor);
  const Rect work{monitor.rcWork.left, monitor.rcWork.top, monitor.rcWork.right, monitor.rcWork.bottom};
  const Rect place = PlaceBeside(region, Px(kPanelWidth, dpi_), Px(kPanelHeight, dpi_), work, Px(kMargin, dpi_));
  bounds_ = {place.Left, place.Top, place.Width(), place.Height()};
  const Rect over = Intersection(place, region);
  inside_ = over.Width() > 0 && over.Height() > 0;
}

void TScrollPanel::Loaded() {
  const DpiScope scale(dpi_);
  font_ = SongTiFont(12);
  HWND panel = Handle();
  const int inner = kPanelWidth - 2 * kMargin;
  previewPlace_ = {Px(kMargin, dpi_), Px(kMargin, dpi_), Px(kMargin + inner, dpi_), Px(kMargin + kPreviewHeight, dpi_)};
  heightLabel_ = CreateControl(panel, L"STATIC", L"高度：0 像素", SS_LEFT | SS_NOPREFIX, kMargin, 256, inner, 16);
  statusLabel_ = CreateControl(panel, L"STATIC", L"", SS_LEFT | SS_NOPREFIX, kMargin, 276, inner, 34);
  const wchar_t* captions[] = {L"自动滚动", L"完成", L"取消"};
  const DWORD styles[] = {BS_CHECKBOX | BS_PUSHLIKE, BS_PUSHBUTTON, BS_PUSHBUTTON};
  for (int i = 0; i < 3; ++i)
    buttons_[i] = CreateControl(panel, L"BUTTON", captions[i], styles[i], kMargin + i * (kButtonWidth + 2), kButtonTop,
                                kButtonWidth, kButtonHeight, kAutoScrollId + i);
  preview_.assign(static_cast<size_t>(previewPlace_.right - previewPlace_.left) * (previewPlace_.bottom - previewPlace_.top),
                  kPreviewBackground);
}

bool TScrollPanel::ShowInactive() {
  // Standing on the region, it keeps out of the reads where the system can (Windows 10 2004 on).
  const bool clear = !inside_ || (SystemExcludesFromCapture() && SetWindowDisplayAffinity(Handle(), WDA_EXCLUDEFROMCAPTURE));
  SetWindowPos(Handle(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
  return clear;
}

void TScrollPanel::ShowPicture(const TLongPicture& picture) {
  DrawPreview(picture, previewPlace_.right - previewPlace_.left, previewPlace_.bottom - previewPlace_.top, kPreviewBackground,
              preview_.data());
  InvalidateRect(Handle(), &previewPlace_, FALSE);
  SetWindowTextW(heightLabel_, (L"高度：" + std::to_wstring(picture.Height()) + L" 像素").c_str());
}

void TScrollPanel::Say(const wchar_t* text) {
  if (WindowTextOf(statusLabel_) != text) SetWindowTextW(statusLabel_, text);
}

void TScrollPanel::ShowAutoScrolling(bool on) { SendMessageW(buttons_[0], BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0); }

bool TScrollPanel::TakesClick(const MSG& message) {
  if (pressed_ && GetCapture() != pressed_) {  // the mouse was taken away mid-press: no click
    SendMessageW(pressed_, BM_SETSTATE, FALSE, 0);
    pressed_ = nullptr;
  }
  const auto button = std::find(std::begin(buttons_), std::end(buttons_), message.hwnd);
  if (button == std::end(buttons_)) return false;
  switch (message.message) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      pressed_ = message.hwnd;
      SetCapture(pressed_);
      SendMessageW(pressed_, BM_SETSTATE, TRUE, 0);
      return true;
    case WM_MOUSEMOVE:
      if (pressed_ == message.hwnd) {
        RECT client;
        GetClientRect(pressed_, &client);
        const POINT at{static_cast<short>(LOWORD(message.lParam)), static_cast<short>(HIWORD(message.lParam))};
        SendMessageW(pressed_, BM_SETSTATE, PtInRect(&client, at), 0);
      }
      return true;
    case WM_LBUTTONUP: {
      if (pressed_ != message.hwnd) return true;
      const bool inside = SendMessageW(pressed_, BM_GETSTATE, 0, 0) & BST_PUSHED;
      SendMessageW(pressed_, BM_SETSTATE, FALSE, 0);
      pressed_ = nullptr;
      ReleaseCapture();
      if (inside) Command(GetDlgCtrlID(message.hwnd));
      return true;
    }
    default:
      return false;
  }
}

void TScrollPanel::Command(int id) {
  switch (id) {
    case kAutoScrollId: command_(PanelCommand::AutoScroll); break;
    case kDoneId: command_(PanelCommand::Done); break;
    case kCancelId: command_(PanelCommand::Cancel); break;
  }
}

void TScrollPanel::PaintPreview(HDC dc) {
  const int width = previewPlace_.right - previewPlace_.left, height = previewPlace_.bottom - previewPlace_.top;
  BITMAPINFOHEADER header{sizeof header, width, -height, 1, 32, BI_RGB};
  SetDIBitsToDevice(dc, previewPlace_.left, previewPlace_.top, width, height, 0, 0, 0, height, preview_.data(),
                    reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS);
}

LRESULT TScrollPanel::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_MOUSEACTIVATE: return MA_NOACTIVATE;
    case WM_GETFONT: return reinterpret_cast<LRESULT>(font_.get());
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(Handle(), &paint);
      PaintPreview(dc);
      EndPaint(Handle(), &paint);
      return 0;
    }
    case WM_COMMAND:  // a button clicked through the keyboard or by automation (BM_CLICK)
      if (HIWORD(wParam) == BN_CLICKED) Command(LOWORD(wParam));
      return 0;
  }
  return TForm::HandleMessage(message, wParam, lParam);
}
