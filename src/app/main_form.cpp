#include "app/main_form.h"

#include <shlwapi.h>
#include <wtsapi32.h>

#include <array>
#include <cwchar>
#include <functional>
#include <optional>

#include "app/main_form_messages.h"
#include "app/resource.h"
#include "app/single_instance.h"
#include "toolkit/escape_key.h"
#include "app/welcome_text.h"
#include "common/app_title.h"
#include "common/autorun.h"
#include "common/clipboard.h"
#include "common/paths.h"
#include "common/system_error.h"
#include "common/yes_no_question.h"
#include "config/option_store.h"
#include "dialogs/about_box.h"
#include "dialogs/options_dialog.h"
#include "pins/pin_geometry.h"
#include "toolkit/error.h"
#include "toolkit/scope_exit.h"
#include "tray/shell_text.h"

TMainForm* MainForm = nullptr;

namespace {

// A few seconds after the last capture its memory goes back to the system: a tray program waits
// most of the day. Back-to-back captures keep reusing it.
constexpr UINT_PTR kReleaseMemoryTimer = 1;
constexpr UINT kReleaseMemoryAfterMs = 3000;

// Shows a dialog of a kind modally, one at a time: a second choice brings the open one to the
// front (and gives mrNone). The dialog is freed whatever happens, also when it could not be built
// (the error goes on to the caller and nothing half-made is shown); it clears `open` as it goes.
template <typename Dialog>
int ShowSingle(Dialog*& open, const std::function<void(Dialog&)>& prepare = {}) {
  if (open) {
    SetForegroundWindow(open->Handle());
    return mrNone;
  }
  auto dialog = std::make_unique<Dialog>();
  const ScopeExit freeDialog([&] { dialog->Destroy(); });
  if (prepare) prepare(*dialog);
  dialog->Create();
  open = dialog.get();
  return dialog->ShowModal();
}

}  // namespace

TMainForm::TMainForm()
    : OptionsAction(Actions.Add(IDA_OPTION, L"选项设置(&O)", [this] { ShowOptions(); })),
      AboutAction(Actions.Add(IDA_ABOUT, L"关于", [this] { ShowAbout(); })),
      ExitAction(Actions.Add(IDA_EXIT, L"退出", [this] { ExitProgram(); })),
      PinClipboardAction(Actions.Add(IDA_PIN_CLIPBOARD, L"贴图（剪贴板）", [this] { PinClipboard(); })),
      ClosePinsAction(Actions.Add(IDA_CLOSE_PINS, kCloseAllPinsText, [this] {
        if (pins_) pins_->CloseAll();
      })),
      LastRegionAction(Actions.Add(IDA_LAST_REGION, L"截取上次区域", [this] {
        PostMessageW(Handle(), kLastRegionMessage, 0, 0);  // once the menu has returned
      })),
      OpenFolderAction(Actions.Add(IDA_OPEN_FOLDER, L"打开截图文件夹", [this] { OpenPictureFolder(); })) {
  BuildTrayMenu();
  // The recent pictures are looked for (their small pictures made) only as the menu opens.
  TrayMenu.OnPopup = [this] {
    recentItems_ = recentPictures_.Items(OptionStore->History.RecentPictures(), PictureFolder(),
                                         [this](const std::wstring& path) { PinPictureFile(path); });
    BuildTrayMenu();
  };
}

bool TMainForm::Busy() const {
  return !capture_ || capture_->Running() || (countdown_ && countdown_->Counting()) || request_;
}

// Its memory goes back a while after; a picture decoded meanwhile is pinned once it is done.
void TMainForm::RunCapture(const std::function<void()>& capture, const std::function<void()>& after) {
  if (Busy()) return;
  const ScopeExit done([&] {
    if (!Handle()) return;  // the session ended meanwhile
    if (after) after();
    SetTimer(Handle(), kReleaseMemoryTimer, kReleaseMemoryAfterMs, nullptr);
    PostMessageW(Handle(), kWorkDoneMessage, 0, 0);
  });
  const TEscapeOwner keyboard(nullptr, 0);  // Esc goes to the capture's own windows, a reading waiting or not
  capture();
}

// Why nothing was pinned, in a balloon.
void TMainForm::SayNotPinned(ClipboardMiss miss) {
  static constexpr const wchar_t* kTexts[] = {L"", L"剪贴板正被其他程序使用", L"剪贴板中没有图片",
                                              L"剪贴板中的图片无法读取", L"剪贴板中的图片太大，无法贴图", L"内存不足，无法贴图"};
  TrayIcon->ShowBalloon(kAppTitle, kTexts[static_cast<size_t>(miss)], TBalloonIconKind::bkInfo, 5);
}

// The clipboard's picture pinned: a bitmap at once, a PNG once it is decoded.
void TMainForm::PinClipboard() {
  if (!pins_) return;
  ClipboardMiss miss = ClipboardMiss::None;
  ClipboardRead read = ReadClipboardPicture(Handle(), miss);
  if (read.Bitmap)
    PinAtCursor(std::move(read.Bitmap));
  else if (!read.Png.empty())
    work_->Start([this, png = std::make_shared<std::vector<uint8_t>>(std::move(read.Png))]() -> TWorkQueue::Ending {
      auto decoded = std::make_shared<std::pair<UniqueBitmap, ClipboardMiss>>(UniqueBitmap(), ClipboardMiss::None);
      decoded->first = DecodeClipboardPng(*png, decoded->second);
      return [this, decoded] { PinOrSay(std::move(decoded->first), decoded->second); };
    });
  else
    SayNotPinned(miss);
}

void TMainForm::PinOrSay(UniqueBitmap picture, ClipboardMiss miss) {
  if (!pins_) return;
  if (picture)
    PinAtCursor(std::move(picture));
  else
    SayNotPinned(miss);
}

// At the middle of the monitor the cursor is on.
void TMainForm::PinAtCursor(UniqueBitmap picture) {
  BITMAP size{};
  GetObjectW(picture.get(), sizeof(size), &size);
  POINT cursor{};
  GetCursorPos(&cursor);
  MONITORINFO monitor{sizeof(monitor)};
  GetMonitorInfoW(MonitorFromPoint(cursor, MONITOR_DEFAULTTONEAREST), &monitor);
  const RECT& work = monitor.rcWork;
  pins_->Pin(std::move(picture), Centred({work.left, work.top, work.right, work.bottom}, size.bmWidth, size.bmHeight));
}

// The tray icon as the form stores it; it enters the notification area here, before FormCreate.
void TMainForm::Loaded() {
  TrayIcon = std::make_unique<TTrayIcon>(this);
  TrayIcon->SetCycleInterval(0);
  TrayIcon->SetIcon(LoadIconW(Application.Instance(), MAKEINTRESOURCEW(IDI_MAINICON)));
  TrayIcon->SetIconIndex(0);
  TrayIcon->PopupMenu = &TrayMenu;
  TrayIcon->OnBalloonClick = [this] { SavedBalloonClick(); };
  TrayIcon->Loaded();
}

// One options dialog at a time. While it is open the hot keys are free, so its fields can take any
// combination (Corvix's own included). Its OK registers the new keys before anything is saved; when
// it closes otherwise, however it closes, the keys the option store holds are registered again, and
// those another program took meanwhile are named in a balloon.
void TMainForm::ShowOptions() {
  if (OptionsDialog) {
    ShowSingle(OptionsDialog);
    return;
  }
  hotKeys_.Unregister();
  const auto registerAgain = [this] {
    if (Application.Terminated() || hotKeys_.Registered()) return false;
    hotKeys_.Register(OptionStore->HotKeys);
    return hotKeys_.Taken() != std::array<bool, 3>{};
  };
  try {
    ShowSingle<TOptionsDialog>(OptionsDialog, [this](TOptionsDialog& dialog) {
      dialog.OnTryHotKeys = [this](const std::array<HotKeyRec, 3>& keys) {
        return hotKeys_.Try(keys, OptionStore->HotKeys);
      };
    });
  } catch (...) {
    registerAgain();
    throw;
  }
  if (registerAgain()) ShowWelcome();
}

// One about box at a time.
void TMainForm::ShowAbout() { ShowSingle(AboutBox); }

// The Run entry follows the AutoRun option.
void TMainForm::SyncAutoRun() {
  if (OptionStore->Option.AutoRun)
    AddAutoRun();
  else
    RemoveAutoRun();
}

void TMainForm::FormCreate() {
  capture_ = std::make_unique<TCaptureRun>(Handle(), kClipboardRenderedMessage, [this](const std::wstring& path) { ShowSaved(path); });
  work_ = std::make_unique<TWorkQueue>(Handle(), kWorkDoneMessage);
  recentPictures_.MakeWith(work_.get(), [this](const std::wstring& path, HBITMAP picture) { ShowRecentPicture(path, picture); });
  reading_ = std::make_unique<TTextReading>();
  countdown_ = std::make_unique<TCountdown>();
  countdown_->Create();
  const auto readText = [this](HBITMAP picture, const Rect& place) {
    try {
      reading_->Read(picture, place);
    } catch (const std::exception& error) {
      Application.HandleException(error);
    }
  };
  pins_ = std::make_unique<TPinBoard>([this](HBITMAP picture) { capture_->Copy(picture); },
                                      [this](HBITMAP picture, HWND owner) { capture_->SaveAs(picture, owner); }, readText);
  capture_->OnReadText = readText;
  pins_->OnChanged = [this] { BuildTrayMenu(); };
  capture_->OnPin = [this](HBITMAP picture, const Rect& place) {
    UniqueBitmap copy(static_cast<HBITMAP>(CopyImage(picture, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
    if (copy)
      pins_->Pin(std::move(copy), place);
    else
      SayNotPinned(ClipboardMiss::NoMemory);
  };
  hotKeys_.SetWindow(Handle());
  hotKeys_.Register(OptionStore->HotKeys);
  WTSRegisterSessionNotification(Handle(), NOTIFY_FOR_THIS_SESSION);  // held keys let go on a lock
  // A later start of a lesser integrity reaches an elevated one too.
  ChangeWindowMessageFilterEx(Handle(), ShowWelcomeMessage(), MSGFLT_ALLOW, nullptr);
  // No taskbar button and no Alt+Tab entry, also while a dialog is open.
  HWND application = Application.Handle();
  SetWindowLongW(application, GWL_EXSTYLE, GetWindowLongW(application, GWL_EXSTYLE) | WS_EX_TOOLWINDOW);
  Application.ShowMainForm = false;
  SyncAutoRun();
  HICON small = static_cast<HICON>(LoadImageW(Application.Instance(), MAKEINTRESOURCEW(IDI_MAINICON), IMAGE_ICON,
                                              GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
  TrayIcon->SetIcon(small);
  DestroyIcon(small);
  TrayIcon->SetHint(kAppTitle);
  ShowWelcome();
}

void TMainForm::ShowWelcome() {
  savedShown_.clear();
  const DefaultOptionRec& option = OptionStore->Option;
  TrayIcon->ShowBalloon(kAppTitle, WelcomeText(option.KeyScreen, option.KeyActiveWnd, option.KeyCustom, hotKeys_.Taken()),
                        TBalloonIconKind::bkInfo, 60);
}

// Word of an automatic save: the file's full path, for a few seconds. A path too long for the
// balloon loses folders from its middle, never the file's name.
void TMainForm::ShowSaved(const std::wstring& path) {
  savedShown_ = path;
  const std::wstring prefix = L"已保存 ";
  std::wstring shown(kBalloonTextChars, L'\0');
  if (!PathCompactPathExW(shown.data(), path.c_str(), static_cast<UINT>(kBalloonTextChars - prefix.size()), 0))
    shown = path;
  shown.resize(wcslen(shown.c_str()));
  TrayIcon->ShowBalloon(kAppTitle, prefix + shown, TBalloonIconKind::bkInfo, 5);
}

// The balloon of a save, clicked: the folder in Explorer, the file selected.
void TMainForm::SavedBalloonClick() const {
  if (!savedShown_.empty()) ShowInExplorer(L"/select,\"" + savedShown_ + L"\"", savedShown_);
}

void TMainForm::FormDestroy() {
  const ScopeExit freeComponents([this] {
    work_.reset();
    if (countdown_) countdown_->Destroy();
    countdown_.reset();
    pins_.reset();
    reading_.reset();
    if (capture_) capture_->Clipboard().RenderNow();  // the PNG stays on the clipboard when the program ends
    WTSUnRegisterSessionNotification(Handle());
    hotKeys_.ForgetHeldKeys();
    TrayIcon.reset();
  });
  ReleaseSystemState();
}

// What must be done before the process may end: first the start-with-Windows sync, then the hot
// keys go, then the icon leaves the notification area, also when the sync fails. Doing it twice
// does no harm.
void TMainForm::ReleaseSystemState() {
  const ScopeExit rest([this] {
    hotKeys_.Unregister();
    if (TrayIcon) TrayIcon->SetIconVisible(false);
  });
  SyncAutoRun();
}

void TMainForm::ExitProgram() {
  Tag = kCloseExit;
  Close();
}

void TMainForm::FormCloseQuery(bool& canClose) {
  canClose = Tag == kCloseExit || Tag == kCloseSessionEnd;
  if (!canClose) {
    Hide();
    return;
  }
  // The end of the Windows session never waits for an answer.
  if (Tag == kCloseExit && OptionStore->Option.ExitHint)
    canClose = AskYesNo(nullptr, std::wstring(L"要退出") + kAppTitle + L"吗？");
  if (!canClose) Tag = 0;  // it stays: a later start is welcomed again
}

// The end of the session closes the program without the exit question.
void TMainForm::EndSession() {
  Tag = kCloseSessionEnd;
  Close();
}

LRESULT TMainForm::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == ShowWelcomeMessage()) {  // Corvix started again: welcomed here unless this one is ending
    if (Tag != 0 || Application.Terminated()) return 0;
    ShowWelcome();
    return kWelcomedAgain;
  }
  switch (message) {
    case WM_SYSCOMMAND:      return WMSysCommand(wParam, lParam);
    case WM_QUERYENDSESSION: return WMQueryEndSession(wParam, lParam);
    case WM_ENDSESSION:      return WMEndSession(wParam, lParam);
    case WM_COMMAND:         return WMCommand(wParam, lParam);
    case WM_HOTKEY:          return WMHotKey(wParam, lParam);
    case WM_TIMER:           return WMTimer(wParam, lParam);
    case THotKeys::kStopWatchingMessage: hotKeys_.StopWatching(); return 0;
    // Not while a capture runs (its overlay runs this loop too): it is posted again once it is done.
    case kWorkDoneMessage:   if (work_ && !(capture_ && capture_->Running())) work_->Finish(); return 0;
    case kDelayOverMessage:
      countdown_->Began();
      RunCapture([this] { capture_->RunRegion(); });
      return 0;
    case kRequestMessage:
      countdown_->Began();
      RunRequest();
      return 0;
    case kLastRegionMessage: TakeLastRegion(); return 0;
    case WM_COPYDATA:        return WMCopyData(wParam, lParam);
    case WM_WTSSESSION_CHANGE: hotKeys_.ForgetHeldKeys(); return 0;  // keys let go on the lock screen go unseen
    case WM_RENDERFORMAT:    if (capture_) capture_->Clipboard().Render(static_cast<UINT>(wParam)); return 0;
    case WM_RENDERALLFORMATS: if (capture_) capture_->Clipboard().RenderNow(); return 0;
    case WM_DESTROYCLIPBOARD: if (capture_) capture_->Clipboard().Emptied(); return 0;
    case kClipboardRenderedMessage: if (capture_) capture_->Clipboard().Rendered(); return 0;
    case WM_CLOSE:           Hide(); return 0;  // the system's close request only hides
  }
  return TForm::HandleMessage(message, wParam, lParam);
}

LRESULT TMainForm::WMSysCommand(WPARAM wParam, LPARAM lParam) {
  if ((wParam & 0xFFF0) == SC_MINIMIZE) {
    Hide();
    return 0;
  }
  return DefaultHandler(WM_SYSCOMMAND, wParam, lParam);
}

LRESULT TMainForm::WMQueryEndSession(WPARAM, LPARAM) {
  EndSession();
  return TRUE;  // the session may end
}

LRESULT TMainForm::WMEndSession(WPARAM wParam, LPARAM) {
  EndSession();  // also when the session goes on after all
  // When it really ends, Windows may end the process as soon as this returns: what must not be left
  // undone happens now. The objects themselves go once the loops that use them (a dialog opened
  // from the tray menu, say) have returned.
  if (wParam) ReleaseSystemState();
  return 0;
}

LRESULT TMainForm::WMCommand(WPARAM wParam, LPARAM lParam) {
  if (HIWORD(wParam) <= 1 && Actions.Execute(LOWORD(wParam))) return 0;
  return DefaultHandler(WM_COMMAND, wParam, lParam);
}

// A hot-key press: captured and saved by the capture run. Presses while one runs are dropped, and so
// are the keyboard's repeats of a combination held down.
LRESULT TMainForm::WMHotKey(WPARAM, LPARAM lParam) {
  if (Busy()) return 0;
  const std::optional<HotKeyRec> pressed = hotKeys_.Pressed(lParam);
  if (!pressed) return 0;
  RunCapture([&] { capture_->Run(*pressed); }, [&] { hotKeys_.HoldUntilReleased(*pressed); });
  return 0;
}

// Not while a capture runs (its overlay or Save dialog runs this loop too): the timer comes again
// once it is done.
LRESULT TMainForm::WMTimer(WPARAM wParam, LPARAM lParam) {
  if (wParam != kReleaseMemoryTimer) return TForm::HandleMessage(WM_TIMER, wParam, lParam);
  if (capture_->Running()) return 0;
  KillTimer(Handle(), kReleaseMemoryTimer);
  capture_->ReleaseMemory();
  return 0;
}
