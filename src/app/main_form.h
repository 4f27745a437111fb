// The hidden main form: target of the hot keys, the tray's and the session's messages, which it
// routes to the program's parts; owner of its components. Never shown.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "app/capture_run.h"
#include "app/hot_keys.h"
#include "app/recent_pictures_menu.h"
#include "capture/countdown.h"
#include "command_line/capture_request.h"
#include "pins/pin_board.h"
#include "reading/text_reading.h"
#include "toolkit/actions.h"
#include "toolkit/components.h"
#include "toolkit/forms.h"
#include "toolkit/work_queue.h"
#include "tray/tray_icon.h"

class TMainForm : public TForm {
 public:
  TMainForm();

  TActionList Actions;
  TAction& OptionsAction;
  TAction& AboutAction;
  TAction& ExitAction;
  TAction& PinClipboardAction;
  TAction& ClosePinsAction;
  TAction& LastRegionAction;
  TAction& OpenFolderAction;
  // The last region, the delays ▸, the recent pictures ▸, a separator, pin the clipboard, (close
  // the pins), options, a separator, about, exit.
  TPopupMenu TrayMenu;
  std::unique_ptr<TTrayIcon> TrayIcon;

  void ShowOptions();
  void ShowAbout();
  void ExitProgram();

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
  LRESULT WMTimer(WPARAM wParam, LPARAM lParam);
  // A capture the command line asks for: taken unless busy, answered once it is done.
  LRESULT WMCopyData(WPARAM wParam, LPARAM lParam);
  void RunRequest();

  void BuildTrayMenu();
  // Runs a capture as a hot key does, unless one runs or a delay counts.
  bool Busy() const;
  void RunCapture(const std::function<void()>& capture, const std::function<void()>& after = {});
  void StartDelay(int seconds);
  void TakeLastRegion();
  void PinPictureFile(const std::wstring& path);
  void OpenPictureFolder();
  static std::wstring PictureFolder();
  void PinClipboard();
  // Pinned, unless the pins are gone; why not in a balloon when there is no picture.
  void PinOrSay(UniqueBitmap picture, ClipboardMiss miss);
  void PinAtCursor(UniqueBitmap picture);
  // A recent picture's small picture, made: shown in its entry, the menu open or not.
  void ShowRecentPicture(const std::wstring& path, HBITMAP picture);
  void SayNotPinned(ClipboardMiss miss);
  void ShowWelcome();
  // Word of an automatic save.
  void ShowSaved(const std::wstring& path);
  void SavedBalloonClick() const;
  // Explorer started with these arguments; `shown` names what it was to show in the error.
  void ShowInExplorer(const std::wstring& arguments, const std::wstring& shown) const;
  void SyncAutoRun();
  void EndSession();
  void ReleaseSystemState();

  THotKeys hotKeys_;
  std::unique_ptr<TCaptureRun> capture_;  // made with the window
  std::unique_ptr<TPinBoard> pins_;
  std::unique_ptr<TTextReading> reading_;  // the text of regions and pins
  // Pictures decoded off the window's thread: the clipboard's PNGs and files for pins, small pictures.
  std::unique_ptr<TWorkQueue> work_;
  std::unique_ptr<TCountdown> countdown_;  // the wait of a delayed capture
  TRecentPicturesMenu recentPictures_;
  std::vector<TMenuItem> recentItems_;  // as the tray menu last opened
  // The command line's request taken, and the window its answer goes to, until it is run.
  std::optional<CaptureRequest> request_;
  HWND requestReply_ = nullptr;
  std::wstring requestSecret_;
  std::wstring savedShown_;  // the file the balloon names, while a balloon of a save is the last one
};

// Close marks kept in the form's Tag (0, the start: a close request only hides).
inline constexpr int kCloseExit = 1;
inline constexpr int kCloseSessionEnd = 2;

extern TMainForm* MainForm;
