#include "pins/pin_window.h"

#include <windowsx.h>

#include "pins/pin_geometry.h"
#include "toolkit/controls.h"

namespace {

constexpr int kBorder = 1;  // a thin frame round the picture, so it reads as one
constexpr COLORREF kBorderColour = RGB(90, 90, 90);
constexpr UINT_PTR kReadoutTimer = 1;
constexpr UINT kReadoutMs = 1000;
constexpr int kReadoutFontPixels = 12;  // at 96 DPI
enum MenuId : UINT { kCopy = 1, kSaveAs, kReadText, kOriginalSize, kClose, kCloseAll, kOpacity100 = 100 };

}  // namespace

TPinWindow::TPinWindow(UniqueBitmap picture, const Rect& place, PinCommands commands)
    : picture_(std::move(picture)), commands_(std::move(commands)) {
  BITMAP info{};
  GetObjectW(picture_.get(), sizeof(info), &info);
  width_ = info.bmWidth;
  height_ = info.bmHeight;
  pictureDc_.reset(CreateCompatibleDC(nullptr));
  pictureDcOld_ = SelectObject(pictureDc_.get(), picture_.get());
  CreateHandle({L"TCorvixPin", CS_DBLCLKS | CS_DROPSHADOW, IDC_SIZEALL, nullptr},
               WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_LAYERED, WS_POPUP, L"",
               {place.Left - kBorder, place.Top - kBorder, width_ + 2 * kBorder, height_ + 2 * kBorder}, nullptr);
  SetLayeredWindowAttributes(Handle(), 0, 255, LWA_ALPHA);
  {
    const DpiScope dpi(WindowDpi(Handle()));
    font_ = SongTiFont(kReadoutFontPixels);
  }
  ShowWindow(Handle(), SW_SHOWNOACTIVATE);  // the window being worked in keeps the focus
}

TPinWindow::~TPinWindow() {
  if (pictureDc_) SelectObject(pictureDc_.get(), pictureDcOld_);
}

Rect TPinWindow::PicturePlace() const {
  RECT r;
  GetWindowRect(Handle(), &r);
  return {r.left + kBorder, r.top + kBorder, r.right - kBorder, r.bottom - kBorder};
}

void TPinWindow::Paint() {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(Handle(), &paint);
  RECT client;
  GetClientRect(Handle(), &client);
  const int width = client.right - 2 * kBorder, height = client.bottom - 2 * kBorder;
  // From the picture's own pixels at every zoom: back at 100 % it is the exact picture.
  if (zoom_ == 100) {
    BitBlt(dc, kBorder, kBorder, width, height, pictureDc_.get(), 0, 0, SRCCOPY);
  } else {
    SetStretchBltMode(dc, zoom_ < 100 ? HALFTONE : COLORONCOLOR);
    SetBrushOrgEx(dc, 0, 0, nullptr);
    StretchBlt(dc, kBorder, kBorder, width, height, pictureDc_.get(), 0, 0, width_, height_, SRCCOPY);
  }
  SetDCBrushColor(dc, kBorderColour);
  FrameRect(dc, &client, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
  if (!readout_.empty()) {
    const ScopedSelect font(dc, font_.get());
    SIZE text{};
    GetTextExtentPoint32W(dc, readout_.c_str(), static_cast<int>(readout_.size()), &text);
    RECT label{kBorder, kBorder, kBorder + text.cx + text.cy, kBorder + text.cy * 3 / 2};
    SetDCBrushColor(dc, RGB(40, 40, 40));
    FillRect(dc, &label, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(255, 255, 255));
    DrawTextW(dc, readout_.c_str(), static_cast<int>(readout_.size()), &label, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  }
  EndPaint(Handle(), &paint);
}

void TPinWindow::ZoomTo(int32_t zoom, POINT cursor) {
  if (zoom == zoom_) return;
  zoom_ = zoom;
  const Rect place = ZoomedPlace(PicturePlace(), width_, height_, zoom, cursor.x, cursor.y);
  SetWindowPos(Handle(), nullptr, place.Left - kBorder, place.Top - kBorder, place.Width() + 2 * kBorder,
               place.Height() + 2 * kBorder, SWP_NOZORDER | SWP_NOACTIVATE);
  ShowReadout(std::to_wstring(zoom) + L" %");
}

void TPinWindow::SetOpacity(int32_t opacity) {
  opacity_ = opacity;
  SetLayeredWindowAttributes(Handle(), 0, static_cast<BYTE>(opacity * 255 / 100), LWA_ALPHA);
  ShowReadout(L"不透明度 " + std::to_wstring(opacity) + L" %");
}

void TPinWindow::ShowReadout(std::wstring text) {
  readout_ = std::move(text);
  SetTimer(Handle(), kReadoutTimer, kReadoutMs, nullptr);  // a new change starts the moment again
  InvalidateRect(Handle(), nullptr, FALSE);
}

void TPinWindow::KeyDown(WPARAM key) {
  const auto keep = weak_from_this().lock();  // through the Save dialog's loop
  const bool control = GetKeyState(VK_CONTROL) < 0, shift = GetKeyState(VK_SHIFT) < 0;
  if (key == VK_ESCAPE) {
    commands_.Close(*this);
  } else if (control && key == 'C') {
    commands_.Copy(picture_.get());
  } else if (control && key == 'S') {
    commands_.SaveAs(picture_.get(), Handle());
  } else if (!control && key == 'O') {
    ReadText();
  } else if (key >= VK_LEFT && key <= VK_DOWN) {
    const int step = shift ? 10 : 1;
    RECT r;
    GetWindowRect(Handle(), &r);
    const int dx = key == VK_LEFT ? -step : key == VK_RIGHT ? step : 0, dy = key == VK_UP ? -step : key == VK_DOWN ? step : 0;
    SetWindowPos(Handle(), nullptr, r.left + dx, r.top + dy, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

void TPinWindow::ReadText() {
  if (commands_.ReadText) commands_.ReadText(picture_.get(), PicturePlace());
}

void TPinWindow::ShowMenu(POINT at) {
  const auto keep = weak_from_this().lock();  // through the menu's and the Save dialog's loops
  UniqueMenu opacity(CreatePopupMenu());
  for (const int percent : {100, 80, 60, 40})
    AppendMenuW(opacity.get(), MF_STRING | (percent == opacity_ ? MF_CHECKED : 0), kOpacity100 + (100 - percent),
                (std::to_wstring(percent) + L" %").c_str());
  UniqueMenu menu(CreatePopupMenu());
  AppendMenuW(menu.get(), MF_STRING, kCopy, L"复制");
  AppendMenuW(menu.get(), MF_STRING, kSaveAs, L"另存为...");
  AppendMenuW(menu.get(), MF_STRING, kReadText, L"识别文字");
  AppendMenuW(menu.get(), MF_STRING, kOriginalSize, L"原始大小");
  AppendMenuW(menu.get(), MF_POPUP, reinterpret_cast<UINT_PTR>(opacity.get()), L"不透明度");
  AppendMenuW(menu.get(), MF_SEPARATOR, 0, nullptr);
  AppendMenuW(menu.get(), MF_STRING, kClose, L"关闭");
  AppendMenuW(menu.get(), MF_STRING, kCloseAll, kCloseAllPinsText);
  SetForegroundWindow(Handle());  // the menu closes when the user clicks elsewhere
  const UINT chosen = TrackPopupMenu(menu.get(), TPM_RETURNCMD | TPM_RIGHTBUTTON, at.x, at.y, 0, Handle(), nullptr);
  // The submenu belongs to the menu now, which frees it.
  (void)opacity.release();
  switch (chosen) {
    case kCopy: commands_.Copy(picture_.get()); break;
    case kSaveAs: commands_.SaveAs(picture_.get(), Handle()); break;
    case kReadText: ReadText(); break;
    case kOriginalSize: {
      const Rect place = PicturePlace();
      ZoomTo(100, {place.Left, place.Top});
      break;
    }
    case kClose: commands_.Close(*this); break;
    case kCloseAll: commands_.CloseAll(); break;
    default:
      if (chosen >= kOpacity100 && chosen <= kOpacity100 + 60) SetOpacity(100 - static_cast<int32_t>(chosen - kOpacity100));
      break;
  }
}

LRESULT TPinWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT: Paint(); return 0;
    case WM_ERASEBKGND: return 1;
    // Any point drags it: the system's move loop, as a caption would.
    case WM_NCHITTEST: return HTCAPTION;
    case WM_NCLBUTTONDBLCLK: commands_.Close(*this); return 0;
    case WM_NCRBUTTONUP: ShowMenu({GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}); return 0;
    case WM_NCRBUTTONDOWN: return 0;  // not the system menu
    case WM_KEYDOWN: KeyDown(wParam); return 0;
    case WM_MOUSEWHEEL: {
      const int steps = wheel_.Add(GET_WHEEL_DELTA_WPARAM(wParam));
      if (steps == 0) return 0;
      if (GET_KEYSTATE_WPARAM(wParam) & MK_CONTROL)
        SetOpacity(NextOpacity(opacity_, steps));
      else
        ZoomTo(NextZoom(zoom_, steps), {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
      return 0;
    }
    case WM_CLOSE: commands_.Close(*this); return 0;
    // On a monitor of another DPI it keeps its own pixel size: the size the system suggests is not
    // taken, only a zoom changes it. The readout's text follows the monitor.
    case WM_DPICHANGED: {
      const DpiScope dpi(LOWORD(wParam));
      font_ = SongTiFont(kReadoutFontPixels);
      return 0;
    }
    case WM_TIMER:
      KillTimer(Handle(), kReadoutTimer);
      readout_.clear();
      InvalidateRect(Handle(), nullptr, FALSE);
      return 0;
  }
  return TWinControl::HandleMessage(message, wParam, lParam);
}
