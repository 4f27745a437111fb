// The options dialog: every setting on one page; hot keys are entered by pressing them.
#pragma once

#include <array>
#include <functional>
#include <memory>
#include <string>

#include "common/hotkey_text.h"
#include "config/option_record.h"
#include "dialogs/modal_dialog.h"

// Control identifiers.
enum OptionControl {
  ID_AUTORUN = 101, ID_MINTRAY, ID_AUTOSAVE, ID_EXITHINT, ID_DEFAULTFILE, ID_SAVEEXT, ID_DEFAULTFOLDER, ID_OPENDIR,
  ID_SCREEN_KEY, ID_ACTIVE_KEY, ID_SELECT_KEY, ID_TREE, ID_HEAD, ID_CLIPBOARD, ID_SAVEDTIP
};

class TOptionDialog : public TBaseDialogForm {
 public:
  TOptionDialog();
  ~TOptionDialog() override;

  HWND b_Ok = nullptr, b_Cancel = nullptr, tv_Item = nullptr, i_Head = nullptr, lb_ItemText = nullptr,
       lb_Head = nullptr, c_AutoRun = nullptr, c_MinTray = nullptr, c_AutoSave = nullptr, c_ExitHint = nullptr,
       e_defaultFile = nullptr, cbx_SaveExt = nullptr, e_DefaultFolder = nullptr, b_OpenDir = nullptr,
       e_Screen_Key = nullptr, e_Active_Key = nullptr, e_Select_Key = nullptr, c_Clipboard = nullptr,
       c_SavedTip = nullptr;

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
  void tv_ItemChange();
  void c_MinTrayClick();
  void b_OpenDirClick();
  void DrawHeadImage(int imageIndex);
  std::array<HWND, 3> HotKeyFields() const { return {e_Screen_Key, e_Active_Key, e_Select_Key}; }
  // Which hot-key field a window is (0, 1, 2), or -1.
  int HotKeyFieldIndex(HWND window) const;
  // What a hot-key field stands for: its text, or the last whole combination it showed.
  std::wstring HotKeyFieldText(int index) const;

  std::unique_ptr<TPanel> Panel2, Panel3, Panel4, nb_Pages, Panel5;
  UniqueBitmap headImage_;
  std::array<std::wstring, 3> lastKeys_;  // each hot-key field's last whole combination (or empty)
  UniqueFont buttonFont_;
};

// The options dialog while one is open.
extern TOptionDialog* OptionDialog;
