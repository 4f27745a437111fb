#include "app/uCorvixForm.h"

#include <string>

#include "app/resource.h"
#include "app/welcome_text.h"
#include "common/app_title.h"
#include "common/uCommand.h"
#include "capture/uSnapBase.h"
#include "config/uConfigure.h"
#include "common/autorun.h"
#include "dialogs/uOptionDialog.h"
#include "dialogs/uVersionDialog.h"

TCorvixForm* CorvixForm = nullptr;

namespace {

// Slot i: the atom that names hot key i; its id is the atom less 0xC000 (0x0000..0x3FFF).
constexpr std::array<const wchar_t*, 3> HotKeyAtomNames = {L"KeyScreen", L"KeyActive", L"KeyCustom"};
std::array<int32_t, 3> HotKeyIds{};
constexpr int32_t kAtomBase = 0xC000;

// Shows a dialog of a kind modally, one at a time: a second choice brings the open one to the
// front (and gives mrNone). The dialog is freed whatever happens; it clears `open` as it goes.
template <typename Dialog>
int ShowSingle(Dialog*& open) {
  if (open) {
    SetForegroundWindow(open->Handle());
    return mrNone;
  }
  auto dialog = std::make_unique<Dialog>();
  dialog->Create();
  open = dialog.get();
  struct Free {
    std::unique_ptr<Dialog>& form;
    ~Free() { form->Destroy(); }
  } free{dialog};
  return dialog->ShowModal();
}

}  // namespace

TCorvixForm::TCorvixForm()
    : a_Option(a_List.Add(IDA_OPTION, L"选项设置(&O)", [this] { a_OptionExecute(); })),
      a_Version(a_List.Add(IDA_VERSION, L"关于", [this] { a_VersionExecute(); })),
      a_Exit(a_List.Add(IDA_EXIT, L"退出", [this] { a_ExitExecute(); })),
      SaveDialog(L"所有文件(*.*)|*.*|Bitmaps (*.bmp)|*.bmp|JPEG Image File (*.jpg,*.jpeg)|*.jpg;*.jpeg") {
  PopupMenu.Items = {{L"", &a_Option}, {L"-"}, {L"", &a_Version}, {L"", &a_Exit}};
}

// The tray icon as the form stores it; it enters the notification area here, before FormCreate.
void TCorvixForm::Loaded() {
  TrayIcon = std::make_unique<TTrayIcon>(this);
  TrayIcon->SetCycleInterval(0);
  TrayIcon->SetIcon(LoadIconW(Application.Instance(), MAKEINTRESOURCEW(IDI_MAINICON)));
  TrayIcon->SetIconIndex(0);
  TrayIcon->PopupMenu = &PopupMenu;
  TrayIcon->Loaded();
}

// One options dialog at a time; OK saves and the hot keys take effect at once.
void TCorvixForm::a_OptionExecute() {
  if (ShowSingle(OptionDialog) == mrOk) {
    UnregisterHotKeys();
    RegisterHotKeys();
  }
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
  RegisterHotKeys();
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
  const DefaultOptionRec& option = OptionConfigure->Option;
  TrayIcon->ShowBalloon(kAppTitle, WelcomeText(option.KeyScreen, option.KeyActiveWnd, option.KeyCustom),
                        TBalloonIconKind::bkInfo, 60);
}

void TCorvixForm::FormDestroy() {
  // First the start-with-Windows sync, then the hot keys go, then the icon.
  SyncAutoRun();
  UnregisterHotKeys();
  TrayIcon.reset();
}

void TCorvixForm::RegisterHotKeys() {
  for (size_t slot = 0; slot < HotKeyAtomNames.size(); ++slot) {
    const ATOM atom = GlobalAddAtomW(HotKeyAtomNames[slot]);
    HotKeyIds[slot] = static_cast<int32_t>(atom) - kAtomBase;
    const HotKeyRec& keys = OptionConfigure->HotKeys[slot];
    // A combination another program holds is not reported: that hot key just never fires.
    RegisterHotKey(Handle(), HotKeyIds[slot], static_cast<UINT>(keys.Modifiers), static_cast<UINT>(keys.Key));
  }
}

void TCorvixForm::UnregisterHotKeys() {
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
}

// The end of the session closes the program without the exit question.
void TCorvixForm::EndSession() {
  Tag = kCloseSessionEnd;
  Close();
}

LRESULT TCorvixForm::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_SYSCOMMAND:      return WMSysCommand(wParam, lParam);
    case WM_QUERYENDSESSION: return WMQueryEndSession(wParam, lParam);
    case WM_ENDSESSION:      return WMEndSession(wParam, lParam);
    case WM_COMMAND:         return WMCommand(wParam, lParam);
    case WM_HOTKEY:          return WMHotKey(wParam, lParam);
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
  // When it really ends, Windows may end the process as soon as this returns: the form's own
  // shut-down (hot keys, start-with-Windows sync) runs now rather than after the message loop.
  if (wParam) Destroy();
  return 0;
}

LRESULT TCorvixForm::WMCommand(WPARAM wParam, LPARAM lParam) {
  if (HIWORD(wParam) <= 1 && a_List.Execute(LOWORD(wParam))) return 0;
  return DefaultHandler(WM_COMMAND, wParam, lParam);
}

// A hot-key press: capture with every slot whose keys match, then save the picture under an
// automatic name or the one the Save dialog gives. Presses during a capture are dropped, and so are
// presses while its error is shown: otherwise each would open another error box inside the last.
LRESULT TCorvixForm::WMHotKey(WPARAM, LPARAM lParam) {
  if (!FCanSnap) return 0;
  FCanSnap = false;
  struct Restore {  // whatever happens below
    bool& canSnap;
    ~Restore() { canSnap = true; }
  } restore{FCanSnap};
  try {
    CaptureAndSave(HIWORD(lParam), LOWORD(lParam));
  } catch (const std::exception& error) {
    Application.HandleException(error);
  }
  return 0;
}

void TCorvixForm::CaptureAndSave(int32_t key, int32_t modifiers) {
  // Matched by the keys, not by the id.
  TBaseSnap* const sources[] = {ScreenSnap.get(), ActiveFormSnap.get(), CustomSnap.get()};
  HBITMAP picture = nullptr;
  for (size_t slot = 0; slot < 3; ++slot) {
    const HotKeyRec& keys = OptionConfigure->HotKeys[slot];
    if (keys.Key == key && keys.Modifiers == modifiers) picture = sources[slot]->Snap();
  }
  if (!picture) return;

  const DefaultOptionRec& option = OptionConfigure->Option;
  const std::wstring extension = option.DefaultImage == 0 ? L".bmp" : option.DefaultImage == 1 ? L".jpg" : L"";
  std::wstring path;
  if (option.AutoSave) {
    path = GetAutoFileName(option.DefaultDir, option.DefaultFormat, extension);
  } else {
    SetForegroundWindow(Handle());  // the dialog comes up in front
    SaveDialog.FilterIndex = option.DefaultImage + 2;
    SaveDialog.DefaultExt = extension;
    SaveDialog.InitialDir = option.DefaultDir;
    if (SaveDialog.Execute(Handle())) path = SaveDialog.FileName;
  }
  // The format follows DefaultImage alone, whatever name was typed.
  if (!path.empty()) SaveBitmapToFile(picture, option.DefaultImage, path);
}
