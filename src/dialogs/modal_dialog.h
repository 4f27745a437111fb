// The base of the program's modal dialogs: a fixed dialog frame, the font 宋体 12 pixels high,
// Enter confirms and Escape cancels, keys still reach the focused control.
#pragma once

#include "toolkit/controls.h"
#include "toolkit/forms.h"
#include "toolkit/handles.h"

class TModalDialog : public TForm {
 public:
  // Makes the dialog at the DPI of the monitor it appears on.
  void Create();
  // Sees every key before the focused control does; changes none of them.
  void FormKeyDown(WPARAM key);

 protected:
  DWORD Style() const override { return WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_DLGFRAME | DS_MODALFRAME; }
  DWORD ExStyle() const override { return WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT; }
  // The client area in pixels at 96 DPI; the dialog is centred on the screen.
  virtual SIZE ClientSize() const = 0;
  FormBounds Bounds() const override;
  WindowClass Class() const override { return {ClassName(), 0, IDC_ARROW, GetSysColorBrush(COLOR_BTNFACE)}; }

  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  bool PreTranslate(MSG& message) override;
  virtual void FormShow() {}
  // The dialog's own fonts, beside the dialog font, made at UiDpi before the controls are.
  virtual void MakeFonts() {}
  // The contents made again at UiDpi: every control goes, the fonts are made again, and Loaded
  // makes the controls anew. Subclasses keep what the user entered across it.
  virtual void Relayout();

  // A control of the dialog with Tag -1 keeps Enter for itself.
  HWND keepsEnter_ = nullptr;

 private:
  void WMDpiChanged(int dpi, const RECT& suggested);

  int dpi_ = SystemDpi();  // what the dialog is laid out for
  UniqueFont font_;
};
