#include "dialogs/about_box.h"

#include "common/app_title.h"

TVersionDialog* VersionDialog = nullptr;

TVersionDialog::TVersionDialog() = default;

void TVersionDialog::Loaded() {
  HWND dialog = Handle();
  b_Ok = CreateControl(dialog, L"BUTTON", L"确定", BS_DEFPUSHBUTTON | WS_TABSTOP, 232, 140, 75, 22, IDOK);
  // The labels size themselves to their text, as their places in pixels allow.
  Label1 = CreateControl(dialog, L"STATIC", kAppTitle, SS_LEFT | SS_NOPREFIX, 17, 16, 160, 18);
  SendMessageW(Label1, WM_SETFONT, reinterpret_cast<WPARAM>(titleFont_.get()), FALSE);
  Label2 = CreateControl(dialog, L"STATIC", L"Corvix 屏幕截图工具", SS_LEFT | SS_NOPREFIX, 17, 56, 200, 14);
  Label3 = CreateControl(dialog, L"STATIC", L"产品版本 1.0.12.18", SS_LEFT | SS_NOPREFIX, 17, 80, 200, 14);
  Bevel1 = CreateControl(dialog, L"STATIC", L"", SS_ETCHEDHORZ, 0, 120, 335, 2);
}

void TVersionDialog::MakeFonts() { titleFont_ = SongTiFont(16, FW_BOLD); }

void TVersionDialog::FormDestroy() { VersionDialog = nullptr; }

LRESULT TVersionDialog::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COMMAND && LOWORD(wParam) == IDOK && HIWORD(wParam) == BN_CLICKED) {
    ModalResult = mrOk;
    return 0;
  }
  if (message == WM_COMMAND && LOWORD(wParam) == IDCANCEL) {
    ModalResult = mrCancel;
    return 0;
  }
  return TBaseDialogForm::HandleMessage(message, wParam, lParam);
}
