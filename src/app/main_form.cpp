#include "app/main_form.h"

#include <malloc.h>
#include <shlwapi.h>
#include <wtsapi32.h>

#include <algorithm>
#include <cwchar>
#include <functional>
#include <string>

#include "app/resource.h"
#include "app/single_instance.h"
#include "app/welcome_text.h"
#include "common/app_title.h"
#include "common/image_files.h"
#include "capture/capture_sources.h"
#include "config/option_store.h"
#include "common/autorun.h"
#include "common/clipboard.h"
#include "common/folders.h"
#include "common/paths.h"
#include "toolkit/error.h"
#include "tray/shell_text.h"
#include "toolkit/scope_exit.h"
#include "dialogs/options_dialog.h"
#include "dialogs/about_box.h"

TCorvixForm* CorvixForm = nullptr;

namespace {

// Slot i: the atom that names hot key i; its id is the atom less 0xC000 (0x0000..0x3FFF).
constexpr std::array<const wchar_t*, 3> HotKeyAtomNames = {L"KeyScreen", L"KeyActive", L"KeyCustom"};
std::array<int32_t, 3> HotKeyIds{};
constexpr int32_t kAtomBase = 0xC000;

constexpr UINT kStopWatchingKeys = WM_APP + 1;
// A few seconds after the last capture its memory goes back to the system: a tray program waits
// most of the day. Back-to-back captures keep reusing it.
constexpr UINT_PTR kReleaseMemoryTimer = 1;
constexpr UINT kReleaseMemoryAfterMs = 3000;
HHOOK KeyboardWatch = nullptr;  // on the keyboard while a hot key is held down

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

bool IsKeyDown(int32_t virtualKey) { return (GetAsyncKeyState(virtualKey) & 0x8000) != 0; }

// Sees every key the system takes in, in order: a release reaches it before any later press can
// become a hot-key message.
LRESULT CALLBACK WatchKeys(int code, WPARAM message, LPARAM data) {
  if (code == HC_ACTION && (message == WM_KEYUP || message == WM_SYSKEYUP) && CorvixForm)
    CorvixForm->KeyReleased(static_cast<int32_t>(reinterpret_cast<const KBDLLHOOKSTRUCT*>(data)->vkCode));
  return CallNextHookEx(nullptr, code, message, data);
}

}  // namespace

TCorvixForm::TCorvixForm()
    : a_Option(a_List.Add(IDA_OPTION, L"选项设置(&O)", [this] { a_OptionExecute(); })),
      a_Version(a_List.Add(IDA_VERSION, L"关于", [this] { a_VersionExecute(); })),
      a_Exit(a_List.Add(IDA_EXIT, L"退出", [this] { a_ExitExecute(); })),
      SaveDialog(L"所有文件(*.*)|*.*|Bitmaps (*.bmp)|*.bmp|JPEG Image File (*.jpg,*.jpeg)|*.jpg;*.jpeg|PNG Image File (*.png)|*.png") {
  PopupMenu.Items = {{L"", &a_Option}, {L"-"}, {L"", &a_Version}, {L"", &a_Exit}};
}

// The tray icon as the form stores it; it enters the notification area here, before FormCreate.
void TCorvixForm::Loaded() {
  TrayIcon = std::make_unique<TTrayIcon>(this);
  TrayIcon->SetCycleInterval(0);
  TrayIcon->SetIcon(LoadIconW(Application.Instance(), MAKEINTRESOURCEW(IDI_MAINICON)));
  TrayIcon->SetIconIndex(0);
  TrayIcon->PopupMenu = &PopupMenu;
  TrayIcon->OnBalloonClick = [this] { SavedBalloonClick(); };
  TrayIcon->Loaded();
}

// One options dialog at a time. While it is open the hot keys are free, so its fields can take any
// combination (Corvix's own included). Its OK registers the new keys before anything is saved; when
// it closes otherwise, however it closes, the keys the option store holds are registered again, and
// those another program took meanwhile are named in a balloon.
void TCorvixForm::a_OptionExecute() {
  if (OptionDialog) {
    ShowSingle(OptionDialog);
    return;
  }
  UnregisterHotKeys();
  const auto registerAgain = [this] {
    if (Application.Terminated() || FHotKeysRegistered) return false;
    RegisterHotKeys(OptionConfigure->HotKeys);
    return FTakenKeys != std::array<bool, 3>{};
  };
  try {
    ShowSingle<TOptionDialog>(OptionDialog, [this](TOptionDialog& dialog) {
      dialog.OnTryHotKeys = [this](const std::array<HotKeyRec, 3>& keys) { return TryHotKeys(keys); };
    });
  } catch (...) {
    registerAgain();
    throw;
  }
  if (registerAgain()) ShowWelcome();
}

// A stored combination that another program held already before the dialog opened stays as it is
// (it was named then): only a key the user changed, or one taken while the dialog was open, stops
// OK.
int TCorvixForm::TryHotKeys(const std::array<HotKeyRec, 3>& keys) {
  const std::array<bool, 3> takenBefore = FTakenKeys;
  UnregisterHotKeys();
  RegisterHotKeys(keys);
  for (size_t slot = 0; slot < keys.size(); ++slot) {
    if (!FTakenKeys[slot] || (keys[slot] == OptionConfigure->HotKeys[slot] && takenBefore[slot])) continue;
    UnregisterHotKeys();
    FTakenKeys = takenBefore;  // still what a welcome balloon shown meanwhile names
    return static_cast<int>(slot);
  }
  return -1;
}

// One about box at a time.
void TCorvixForm::a_VersionExecute() { ShowSingle(VersionDialog); }

// The Run entry follows the AutoRun option.
void TCorvixForm::SyncAutoRun() {
  if (OptionConfigure->Option.AutoRun)
    AddAutoRun();
  else
    RemoveAutoRun();
}

void TCorvixForm::FormCreate() {
  FCanSnap = true;
  FClipboard = std::make_unique<TClipboardPicture>(Handle());
  RegisterHotKeys(OptionConfigure->HotKeys);
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

void TCorvixForm::ShowWelcome() {
  FSavedShown.clear();
  const DefaultOptionRec& option = OptionConfigure->Option;
  TrayIcon->ShowBalloon(kAppTitle, WelcomeText(option.KeyScreen, option.KeyActiveWnd, option.KeyCustom, FTakenKeys),
                        TBalloonIconKind::bkInfo, 60);
}

// Word of an automatic save: the file's full path, for a few seconds. A path too long for the
// balloon loses folders from its middle, never the file's name.
void TCorvixForm::ShowSaved(const std::wstring& path) {
  FSavedShown = path;
  const std::wstring prefix = L"已保存 ";
  std::wstring shown(kBalloonTextChars, L'\0');
  if (!PathCompactPathExW(shown.data(), path.c_str(), static_cast<UINT>(kBalloonTextChars - prefix.size()), 0))
    shown = path;
  shown.resize(wcslen(shown.c_str()));
  TrayIcon->ShowBalloon(kAppTitle, prefix + shown, TBalloonIconKind::bkInfo, 5);
}

// The balloon of a save, clicked: the folder in Explorer, the file selected.
void TCorvixForm::SavedBalloonClick() const {
  if (FSavedShown.empty()) return;
  const std::wstring arguments = L"/select,\"" + FSavedShown + L"\"";
  SHELLEXECUTEINFOW run{sizeof run};
  run.fMask = SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC;
  run.lpVerb = L"open";
  run.lpFile = L"explorer.exe";
  run.lpParameters = arguments.c_str();
  run.nShow = SW_SHOWNORMAL;
  if (!ShellExecuteExW(&run))  // its error is the thread's last error, unlike ShellExecute's
    Application.HandleException(Error(L"Cannot show \"" + FSavedShown + L"\" in Explorer. " +
                                      SysErrorMessage(static_cast<DWORD>(GetLastError()))));
}

void TCorvixForm::FormDestroy() {
  const ScopeExit freeComponents([this] {
    if (FClipboard) FClipboard->RenderNow();  // the PNG stays on the clipboard when the program ends
    WTSUnRegisterSessionNotification(Handle());
    FHeldKeys.Clear();
    StopWatchingKeys();
    TrayIcon.reset();
  });
  ReleaseSystemState();
}

// What must be done before the process may end: first the start-with-Windows sync, then the hot
// keys go, then the icon leaves the notification area, also when the sync fails. Doing it twice
// does no harm.
void TCorvixForm::ReleaseSystemState() {
  const ScopeExit rest([this] {
    UnregisterHotKeys();
    if (TrayIcon) TrayIcon->SetIconVisible(false);
  });
  SyncAutoRun();
}

void TCorvixForm::RegisterHotKeys(const std::array<HotKeyRec, 3>& keys) {
  if (FHotKeysRegistered) return;
  FHotKeysRegistered = true;
  FTakenKeys = {};
  for (size_t slot = 0; slot < HotKeyAtomNames.size(); ++slot) {
    const ATOM atom = GlobalAddAtomW(HotKeyAtomNames[slot]);
    HotKeyIds[slot] = static_cast<int32_t>(atom) - kAtomBase;
    if (keys[slot].Key == 0) continue;  // no hot key in this slot
    const auto first = std::find(keys.begin(), keys.end(), keys[slot]);
    if (first != keys.begin() + static_cast<std::ptrdiff_t>(slot)) {  // WMHotKey serves every slot of a press
      FTakenKeys[slot] = FTakenKeys[static_cast<size_t>(first - keys.begin())];
      continue;
    }
    // A held combination fires once (where the system knows MOD_NOREPEAT; WMHotKey filters it elsewhere).
    FTakenKeys[slot] = !RegisterHotKey(Handle(), HotKeyIds[slot], static_cast<UINT>(keys[slot].Modifiers) | MOD_NOREPEAT,
                                       static_cast<UINT>(keys[slot].Key));
  }
}

// Each atom goes once: global atoms are counted, and another program may hold the same names.
void TCorvixForm::UnregisterHotKeys() {
  if (!FHotKeysRegistered) return;
  FHotKeysRegistered = false;
  for (size_t slot = 0; slot < HotKeyAtomNames.size(); ++slot) {
    UnregisterHotKey(Handle(), HotKeyIds[slot]);
    GlobalDeleteAtom(static_cast<ATOM>(HotKeyIds[slot] + kAtomBase));
  }
}

void TCorvixForm::a_ExitExecute() {
  Tag = kCloseExit;
  Close();
}

void TCorvixForm::FormCloseQuery(bool& canClose) {
  canClose = Tag == kCloseExit || Tag == kCloseSessionEnd;
  if (!canClose) {
    Hide();
    return;
  }
  // The end of the Windows session never waits for an answer.
  if (Tag == kCloseExit && OptionConfigure->Option.ExitHint)
    canClose = AskYesNo(nullptr, std::wstring(L"要退出") + kAppTitle + L"吗？");
  if (!canClose) Tag = 0;  // it stays: a later start is welcomed again
}

// The end of the session closes the program without the exit question.
void TCorvixForm::EndSession() {
  Tag = kCloseSessionEnd;
  Close();
}

LRESULT TCorvixForm::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
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
    case kStopWatchingKeys:  StopWatchingKeys(); return 0;
    case WM_WTSSESSION_CHANGE: LetGoOfHeldKeys(); return 0;  // keys let go on the lock screen go unseen
    case WM_RENDERFORMAT:    if (FClipboard) FClipboard->Render(static_cast<UINT>(wParam)); return 0;
    case WM_RENDERALLFORMATS: if (FClipboard) FClipboard->RenderNow(); return 0;
    case WM_DESTROYCLIPBOARD: if (FClipboard) FClipboard->Emptied(); return 0;
    case WM_TIMER:
      if (wParam != kReleaseMemoryTimer) break;
      ReleaseCaptureMemory();
      return 0;
    case WM_CLOSE:           Hide(); return 0;  // the system's close request only hides
  }
  return TForm::HandleMessage(message, wParam, lParam);
}

LRESULT TCorvixForm::WMSysCommand(WPARAM wParam, LPARAM lParam) {
  if ((wParam & 0xFFF0) == SC_MINIMIZE) {
    Hide();
    return 0;
  }
  return DefaultHandler(WM_SYSCOMMAND, wParam, lParam);
}

LRESULT TCorvixForm::WMQueryEndSession(WPARAM, LPARAM) {
  EndSession();
  return TRUE;  // the session may end
}

LRESULT TCorvixForm::WMEndSession(WPARAM wParam, LPARAM) {
  EndSession();  // also when the session goes on after all
  // When it really ends, Windows may end the process as soon as this returns: what must not be left
  // undone happens now. The objects themselves go once the loops that use them (a dialog opened
  // from the tray menu, say) have returned.
  if (wParam) ReleaseSystemState();
  return 0;
}

LRESULT TCorvixForm::WMCommand(WPARAM wParam, LPARAM lParam) {
  if (HIWORD(wParam) <= 1 && a_List.Execute(LOWORD(wParam))) return 0;
  return DefaultHandler(WM_COMMAND, wParam, lParam);
}

// A hot-key press: capture with every slot whose keys match, then save the picture under an
// automatic name or the one the Save dialog gives. Presses during a capture are dropped, and so are
// presses while its error is shown: otherwise each would open another error box inside the last.
// A combination held down repeats its WM_HOTKEY at the keyboard's rate: one press, one capture.
LRESULT TCorvixForm::WMHotKey(WPARAM, LPARAM lParam) {
  const HotKeyRec pressed{static_cast<int32_t>(LOWORD(lParam) & ~MOD_NOREPEAT), static_cast<int32_t>(HIWORD(lParam))};
  if (!FCanSnap || !FHeldKeys.Press(pressed, static_cast<uint32_t>(GetMessageTime()))) return 0;
  FCanSnap = false;
  const ScopeExit done([&] {
    FCanSnap = true;
    HoldUntilReleased(pressed);
    if (Handle()) SetTimer(Handle(), kReleaseMemoryTimer, kReleaseMemoryAfterMs, nullptr);
  });
  try {
    CaptureAndSave(pressed.Key, pressed.Modifiers);
  } catch (const std::exception& error) {
    Application.HandleException(error);
  }
  return 0;
}

// A combination still held when its capture is done takes no more captures until its key is up:
// the keyboard is watched from now until then. The watch is put on anew each time, since the system
// takes one away without a word when this thread was busy past its time-out; a release that no
// watch saw is made up for by HeldKeys, which takes a press long after the last repeat as new.
void TCorvixForm::HoldUntilReleased(const HotKeyRec& pressed) {
  if (!Handle() || !IsKeyDown(pressed.Key)) return;
  if (KeyboardWatch) UnhookWindowsHookEx(KeyboardWatch);
  KeyboardWatch = SetWindowsHookExW(WH_KEYBOARD_LL, WatchKeys, Application.Instance(), 0);
  if (!KeyboardWatch) return;  // repeats are not told from presses then
  FHeldKeys.Hold(pressed, GetTickCount());
  if (!IsKeyDown(pressed.Key)) KeyReleased(pressed.Key);  // released before the watch began
}

void TCorvixForm::KeyReleased(int32_t virtualKey) {
  FHeldKeys.Released(virtualKey);
  if (FHeldKeys.Empty() && KeyboardWatch) PostMessageW(Handle(), kStopWatchingKeys, 0, 0);  // not from inside the watch
}

// Not while a capture runs (its overlay or Save dialog runs this loop too): the timer comes again
// once it is done.
void TCorvixForm::ReleaseCaptureMemory() {
  if (!FCanSnap) return;
  KillTimer(Handle(), kReleaseMemoryTimer);
  if (FClipboard) FClipboard->RenderNow();
  ReleaseSnapPictures();
  ReleaseImageBuffers();
  _heapmin();  // the C runtime's free blocks back to the system heap, and what it can give back
}

void TCorvixForm::LetGoOfHeldKeys() {
  FHeldKeys.Clear();
  StopWatchingKeys();
}

void TCorvixForm::StopWatchingKeys() {
  if (!FHeldKeys.Empty() || !KeyboardWatch) return;
  UnhookWindowsHookEx(KeyboardWatch);
  KeyboardWatch = nullptr;
}

void TCorvixForm::CaptureAndSave(int32_t key, int32_t modifiers) {
  const DefaultOptionRec& option = OptionConfigure->Option;
  const std::wstring folder = AbsoluteFolder(option.DefaultDir, AppPath);  // a relative one is the program folder's
  // An automatic name is looked for while the picture is taken; a region's once it is marked, in the
  // folder as it is then.
  std::optional<AutoNameSearch> search;
  const auto searchName = [&] {
    if (option.AutoSave && !search) search.emplace(folder, option.DefaultFormat, ImageExtension(option.DefaultImage));
  };
  // Matched by the keys, not by the id.
  TBaseSnap* const sources[] = {ScreenSnap.get(), ActiveFormSnap.get(), CustomSnap.get()};
  HBITMAP picture = nullptr;
  for (size_t slot = 0; slot < 3; ++slot) {
    const HotKeyRec& keys = OptionConfigure->HotKeys[slot];
    if (keys.Key != key || keys.Modifiers != modifiers) continue;
    if (sources[slot] != CustomSnap.get()) searchName();
    picture = sources[slot]->Snap();
  }
  if (!picture) return;
  searchName();

  // The clipboard first (a Save dialog cancelled later leaves the picture there); should it fail, the
  // file is still written and the clipboard's error comes after.
  std::optional<Error> clipboardError;
  if (option.CopyToClipboard) {
    try {
      FClipboard->Put(picture);
    } catch (const Error& error) {
      clipboardError = error;
    }
  }
  try {
    bool saved = true;
    if (search)
      SaveAutomatically(picture, *search);
    else
      saved = SaveThroughDialog(picture, folder);
    // A PNG file's bytes are the clipboard's PNG too: the picture is encoded once.
    if (saved && option.CopyToClipboard && !clipboardError && option.DefaultImage == 2) FClipboard->TakePng(LastEncodedFile());
  } catch (const Error& saveError) {
    if (clipboardError) throw Error(saveError.Message() + L"\r\n\r\n" + clipboardError->Message());  // one box, both
    throw;
  }
  if (clipboardError) throw *clipboardError;
}

// The picture under the name the search finds; the balloon names the file.
void TCorvixForm::SaveAutomatically(HBITMAP picture, AutoNameSearch& search) {
  const DefaultOptionRec& option = OptionConfigure->Option;
  const std::wstring path = SaveBitmapToAutoFile(picture, option.DefaultImage, search);
  if (option.SavedTip && !ImageExtension(option.DefaultImage).empty()) ShowSaved(path);
}

// The dialog opens in the default folder, made first as an automatic save would make it (the system
// would open a folder that does not exist yet somewhere else).
bool TCorvixForm::SaveThroughDialog(HBITMAP picture, const std::wstring& folder) {
  const DefaultOptionRec& option = OptionConfigure->Option;
  const std::wstring extension = ImageExtension(option.DefaultImage);
  if (!folder.empty() && !DirectoryExists(folder)) ForceDirectories(folder);
  SetForegroundWindow(Handle());  // the dialog comes up in front
  SaveDialog.FilterIndex = option.DefaultImage + 2;
  SaveDialog.DefaultExt = extension;
  SaveDialog.InitialDir = folder;
  // The format follows DefaultImage alone, whatever name was typed.
  if (!SaveDialog.Execute(Handle())) return false;
  SaveBitmapToFile(picture, option.DefaultImage, SaveDialog.FileName);
  return true;
}
