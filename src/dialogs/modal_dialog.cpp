#include "dialogs/modal_dialog.h"

namespace {
constexpr UINT kShown = WM_APP + 0x40;

// A combo box showing its list: Enter and Escape close the list (taking or leaving its choice), as
// in every dialog, rather than the dialog itself.
bool IsDroppedList(HWND focus) {
  wchar_t className[16] = {};
  GetClassNameW(focus, className, 16);
  return lstrcmpiW(className, L"ComboBox") == 0 && SendMessageW(focus, CB_GETDROPPEDSTATE, 0, 0) != 0;
}
}  // namespace

void TModalDialog::Create() {
  {
    const DpiScope scope(dpi_);
    font_ = SongTiFont(12);
    MakeFonts();
    TForm::Create();
  }
  // A monitor whose DPI is not the system's (its scale changed since the session began): the
  // system sends no WM_DPICHANGED for a new window, so it is laid out again here, still centred.
  const int dpi = WindowDpi(Handle());
  if (dpi == dpi_) return;
  dpi_ = dpi;
  const DpiScope scope(dpi_);
  Relayout();
  const FormBounds place = Bounds();
  SetWindowPos(Handle(), nullptr, place.Left, place.Top, place.Width, place.Height, SWP_NOZORDER | SWP_NOACTIVATE);
}

FormBounds TModalDialog::Bounds() const {
  const SIZE client = ClientSize();
  RECT r{0, 0, Scale(client.cx), Scale(client.cy)};
  AdjustWindowRectEx(&r, Style(), FALSE, ExStyle());
  const int width = r.right - r.left, height = r.bottom - r.top;
  RECT work;
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  return {work.left + (work.right - work.left - width) / 2, work.top + (work.bottom - work.top - height) / 2, width,
          height};
}

void TModalDialog::FormKeyDown(WPARAM key) {
  if (key == VK_RETURN) {
    HWND focus = GetFocus();
    wchar_t className[16] = {};
    GetClassNameW(focus, className, 16);
    const bool pushButton = lstrcmpiW(className, L"Button") == 0 &&
                            (GetWindowLongW(focus, GWL_STYLE) & BS_TYPEMASK) <= BS_DEFPUSHBUTTON;
    // A focused push button takes Enter as its own click.
    if (focus && (focus == keepsEnter_ || pushButton)) return;
    ModalResult = mrOk;
  } else if (key == VK_ESCAPE) {
    ModalResult = mrCancel;
  }
}

bool TModalDialog::PreTranslate(MSG& message) {
  if (message.message == WM_KEYDOWN && (message.wParam == VK_RETURN || message.wParam == VK_ESCAPE) &&
      IsDroppedList(GetFocus()))
    return false;
  if (message.message == WM_KEYDOWN && (message.hwnd == Handle() || IsChild(Handle(), message.hwnd)))
    FormKeyDown(message.wParam);
  // Tab and the arrow keys move between the controls; Enter and Escape were seen above.
  if (message.message == WM_KEYDOWN && (message.wParam == VK_RETURN || message.wParam == VK_ESCAPE)) {
    HWND focus = GetFocus();
    wchar_t className[16] = {};
    GetClassNameW(focus, className, 16);
    if (lstrcmpiW(className, L"Button") != 0) return ModalResult != mrNone;
  }
  return IsDialogMessageW(Handle(), &message);
}

LRESULT TModalDialog::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  const DpiScope scope(dpi_);  // whatever the dialog makes or draws, it does at its own DPI
  switch (message) {
    case WM_GETFONT: return reinterpret_cast<LRESULT>(font_.get());
    case WM_SHOWWINDOW:
      if (wParam) PostMessageW(Handle(), kShown, 0, 0);  // once the dialog is up and active
      break;
    case kShown: FormShow(); return 0;
    case WM_DPICHANGED:
      WMDpiChanged(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
      return 0;
  }
  return TForm::HandleMessage(message, wParam, lParam);
}

// Moved to a monitor of another DPI (or the scale changed): the dialog takes the rectangle the
// system suggests, and its controls and fonts are made again at the new DPI. Should that fail
// half-way, the dialog ends as if cancelled (nothing it shows could be trusted) and says why.
void TModalDialog::WMDpiChanged(int dpi, const RECT& suggested) {
  if (dpi <= 0) return;
  dpi_ = dpi;
  const DpiScope scope(dpi_);
  SetWindowPos(Handle(), nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
               suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
  try {
    Relayout();
  } catch (...) {
    ModalResult = mrCancel;
    throw;
  }
  InvalidateRect(Handle(), nullptr, TRUE);
}

void TModalDialog::Relayout() {
  // Each control's owner, if any, sees its window go (WM_NCDESTROY) and lets go of it; then the
  // fonts they used can go too.
  while (HWND child = GetWindow(Handle(), GW_CHILD)) DestroyWindow(child);
  keepsEnter_ = nullptr;
  font_ = SongTiFont(12);
  MakeFonts();
  Loaded();
}
