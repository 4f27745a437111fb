#include "dialogs/about_box.h"

#include "common/app_title.h"

TAboutBox* AboutBox = nullptr;

TAboutBox::TAboutBox() = default;

void TAboutBox::Loaded() {
  HWND dialog = Handle();
  OkButton = CreateControl(dialog, L"BUTTON", L"确定", BS_DEFPUSHBUTTON | WS_TABSTOP, 232, 140, 75, 22, IDOK);
  // The labels size themselves to their text, as their places in pixels allow.
  TitleLabel = CreateControl(dialog, L"STATIC", kAppTitle, SS_LEFT | SS_NOPREFIX, 17, 16, 160, 18);
  SendMessageW(TitleLabel, WM_SETFONT, reinterpret_cast<WPARAM>(titleFont_.get()), FALSE);
  ProductLabel = CreateControl(dialog, L"STATIC", L"Corvix 屏幕截图工具", SS_LEFT | SS_NOPREFIX, 17, 56, 200, 14);
  VersionLabel = CreateControl(dialog, L"STATIC", L"产品版本 1.0.12.18", SS_LEFT | SS_NOPREFIX, 17, 80, 200, 14);
  Rule = CreateControl(dialog, L"STATIC", L"", SS_ETCHEDHORZ, 0, 120, 335, 2);
}

void TAboutBox::MakeFonts() { titleFont_ = SongTiFont(16, FW_BOLD); }

void TAboutBox::FormDestroy() { AboutBox = nullptr; }

LRESULT TAboutBox::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COMMAND && LOWORD(wParam) == IDOK && HIWORD(wParam) == BN_CLICKED) {
    ModalResult = mrOk;
    return 0;
  }
  if (message == WM_COMMAND && LOWORD(wParam) == IDCANCEL) {
    ModalResult = mrCancel;
    return 0;
  }
  return TModalDialog::HandleMessage(message, wParam, lParam);
}
