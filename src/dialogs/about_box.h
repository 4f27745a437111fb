// The about box: the program's name and version.
#pragma once

#include "dialogs/modal_dialog.h"

class TAboutBox : public TModalDialog {
 public:
  TAboutBox();
  HWND TitleLabel = nullptr, ProductLabel = nullptr, VersionLabel = nullptr, Rule = nullptr, OkButton = nullptr;

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
extern TAboutBox* AboutBox;
