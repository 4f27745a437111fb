// The about box: the program's name and version.
#pragma once

#include "dialogs/modal_dialog.h"

class TVersionDialog : public TBaseDialogForm {
 public:
  TVersionDialog();
  HWND Label1 = nullptr, Label2 = nullptr, Label3 = nullptr, Bevel1 = nullptr, b_Ok = nullptr;

 protected:
  const wchar_t* ClassName() const override { return L"TVersionDialog"; }
  std::wstring Caption() const override { return L"关于"; }
  SIZE ClientSize() const override { return {323, 178}; }
  void Loaded() override;
  void MakeFonts() override;
  void FormDestroy() override;
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  UniqueFont titleFont_;
};

// The about box while one is open.
extern TVersionDialog* VersionDialog;
