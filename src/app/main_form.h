// The hidden main form: target of the hot keys and the session messages, owner of the program's
// components. Never shown.
#pragma once

#include <array>
#include <memory>
#include <optional>

#include "app/held_keys.h"
#include "common/clipboard.h"
#include "common/hotkey_text.h"
#include "common/image_files.h"
#include "toolkit/actions.h"
#include "toolkit/forms.h"
#include "toolkit/components.h"
#include "toolkit/save_dialog.h"
#include "tray/tray_icon.h"

class TCorvixForm : public TForm {
 public:
  TCorvixForm();

  TActionList a_List;
  TAction& a_Option;
  TAction& a_Version;
  TAction& a_Exit;
  TPopupMenu PopupMenu;  // the tray icon's menu: N3 a_Option, N5 separator, N2 a_Version, N4 a_Exit
  std::unique_ptr<TTrayIcon> TrayIcon;
  TSaveDialog SaveDialog;

  void a_OptionExecute();
  void a_VersionExecute();
  void a_ExitExecute();

  // A key went up (the keyboard watch's report while a hot key is held).
  void KeyReleased(int32_t virtualKey);

 protected:
  const wchar_t* ClassName() const override { return L"CorvixForm"; }
  FormBounds Bounds() const override { return {253, 245, 535, 400}; }

  void Loaded() override;
  void FormCreate() override;
  void FormDestroy() override;
  void FormCloseQuery(bool& canClose) override;
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  LRESULT WMSysCommand(WPARAM wParam, LPARAM lParam);
  LRESULT WMQueryEndSession(WPARAM wParam, LPARAM lParam);
  LRESULT WMEndSession(WPARAM wParam, LPARAM lParam);
  LRESULT WMCommand(WPARAM wParam, LPARAM lParam);
  LRESULT WMHotKey(WPARAM wParam, LPARAM lParam);
  void HoldUntilReleased(const HotKeyRec& pressed);
  void StopWatchingKeys();
  void LetGoOfHeldKeys();
  void ReleaseCaptureMemory();
  // The capture of the slots whose keys these are, and the saving of the picture; raises on failure.
  void CaptureAndSave(int32_t key, int32_t modifiers);

  void ShowWelcome();
  // The options dialog's OK: registers the keys it holds; the first slot whose changed key another
  // program holds (every key then free again), or -1.
  int TryHotKeys(const std::array<HotKeyRec, 3>& keys);
  void ShowSaved(const std::wstring& path);
  void SaveAutomatically(HBITMAP picture, AutoNameSearch& search);
  // True once the file is written; false when the dialog was cancelled.
  bool SaveThroughDialog(HBITMAP picture, const std::wstring& folder);
  void SavedBalloonClick() const;
  void SyncAutoRun();
  // Registers the keys (none twice: slots sharing a combination share its registration) and keeps
  // in FTakenKeys which of them another program holds.
  void RegisterHotKeys(const std::array<HotKeyRec, 3>& keys);
  void UnregisterHotKeys();
  void EndSession();
  void ReleaseSystemState();

  bool FCanSnap = false;  // true while no hot-key press is being handled (nor its error shown)
  bool FHotKeysRegistered = false;
  std::array<bool, 3> FTakenKeys{};  // the slots whose keys another program held at registration
  std::unique_ptr<TClipboardPicture> FClipboard;  // the picture this program last put on the clipboard
  HeldKeys FHeldKeys;  // the combinations held down since their capture, until released
  std::wstring FSavedShown;        // the file the balloon names, while a balloon of a save is the last one
};

// Close marks kept in the form's Tag (0, the start: a close request only hides).
inline constexpr int kCloseExit = 1;
inline constexpr int kCloseSessionEnd = 2;

extern TCorvixForm* CorvixForm;
