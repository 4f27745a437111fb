// The options dialog: every setting on one page; hot keys are entered by pressing them.
#pragma once

#include <array>
#include <functional>
#include <memory>
#include <string>

#include "common/hotkey_text.h"
#include "config/option_record.h"
#include "dialogs/modal_dialog.h"

class TOptionsDialog : public TModalDialog {
 public:
  TOptionsDialog();
  ~TOptionsDialog() override;

  HWND OkButton = nullptr, CancelButton = nullptr, PageTree = nullptr, HeaderImage = nullptr, HeaderTitle = nullptr,
       HeaderText = nullptr, AutoRunBox = nullptr, MinimiseToTrayBox = nullptr, AutoSaveBox = nullptr, ExitQuestionBox = nullptr,
       NamePatternField = nullptr, ImageFormatList = nullptr, SaveFolderField = nullptr, BrowseFolderButton = nullptr,
       ScreenKeyField = nullptr, ActiveWindowKeyField = nullptr, RegionKeyField = nullptr, ClipboardBox = nullptr,
       SavedTipBox = nullptr;

  // Asked on OK before anything is saved: registers the hot keys and gives the first slot another
  // program holds, or -1. Unset: nothing is registered.
  std::function<int(const std::array<HotKeyRec, 3>&)> OnTryHotKeys;

  void OptionsToControls();
  // Shows a record in the controls.
  void ShowRecord(const DefaultOptionRec& option);
  // The record the controls describe (trailing backslashes off the folder, low 8 bits of the format).
  DefaultOptionRec ControlsToRecord() const;

 protected:
  const wchar_t* ClassName() const override { return L"TOptionDialog"; }
  std::wstring Caption() const override { return L"选项"; }
  SIZE ClientSize() const override { return {610, 426}; }

  void Loaded() override;
  void MakeFonts() override;
  void Relayout() override;
  void FormCreate() override;
  void FormShow() override;
  void FormCloseQuery(bool& canClose) override;
  void FormDestroy() override;
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  bool PreTranslate(MSG& message) override;

 private:
  void ShowFirstPage();
  void PageChosen();
  void MinimiseToTrayClicked();
  void BrowseForFolder();
  void DrawHeaderImage(int imageIndex);
  std::array<HWND, 3> HotKeyFields() const { return {ScreenKeyField, ActiveWindowKeyField, RegionKeyField}; }
  // Which hot-key field a window is (0, 1, 2), or -1.
  int HotKeyFieldIndex(HWND window) const;
  // What a hot-key field stands for: its text, or the last whole combination it showed.
  std::wstring HotKeyFieldText(int index) const;

  std::unique_ptr<TPanel> treePanel_, pagePanel_, headerPanel_, pageHolder_, defaultsPage_;
  UniqueBitmap headerImage_;
  std::array<std::wstring, 3> lastKeys_;  // each hot-key field's last whole combination (or empty)
  UniqueFont buttonFont_;
};

// The options dialog while one is open.
extern TOptionsDialog* OptionsDialog;
