#include "tray/tray_icon.h"

#include "tray/shell_text.h"

UINT TaskbarCreatedMsg = 0;

namespace {

constexpr UINT kIconId = 1;
constexpr UINT kBaseFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
constexpr DWORD kBalloonIcons[] = {NIIF_NONE, NIIF_INFO, NIIF_WARNING, NIIF_ERROR};
constexpr wchar_t kHookProperty[] = L"CorvixTrayIcon";

template <size_t N>
void CopyField(wchar_t (&field)[N], const std::wstring& text, size_t maxChars) {
  const std::wstring fitted = FitText(text, maxChars);
  std::fill(std::begin(field), std::end(field), L'\0');
  fitted.copy(field, N - 1);
}

TTrayIcon* TrayOf(HWND window) { return static_cast<TTrayIcon*>(GetPropW(window, kHookProperty)); }

}  // namespace

// The hidden top-level window the shell reports mouse actions on the icon to. Never shown.
class TTrayIcon::TNotifyWindow : public TWinControl {
 public:
  explicit TNotifyWindow(TTrayIcon& tray) : tray_(tray) {
    CreateHandle({L"TTrayIconNotify"}, WS_EX_TOOLWINDOW, WS_POPUP, L"", {0, 0, 0, 0}, nullptr);
  }

 protected:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message == WM_TRAYICONNOTIFY || message == WM_QUERYENDSESSION) return tray_.NotifyWndProc(message, lParam);
    return TWinControl::HandleMessage(message, wParam, lParam);
  }

 private:
  TTrayIcon& tray_;
};

HWND TTrayIcon::NotifyWindow() const { return notifyWindow_->Handle(); }

TTrayIcon::TTrayIcon(TForm* owner) : owner_(owner), cycleTimer_([this] { CycleTick(); }) {
  TaskbarCreatedMsg = RegisterWindowMessageW(L"TaskbarCreated");
  notifyWindow_ = std::make_unique<TNotifyWindow>(*this);
  notifyData_.cbSize = NOTIFYICONDATAW_V2_SIZE;  // the shell-5 layout, up to dwInfoFlags
  notifyData_.hWnd = notifyWindow_->Handle();
  notifyData_.uID = kIconId;
  notifyData_.uFlags = kBaseFlags;
  notifyData_.uCallbackMessage = WM_TRAYICONNOTIFY;
  HookAppWindow();
  if (owner_) HookOwnerWindow();
}

TTrayIcon::~TTrayIcon() {
  // The icon leaves the notification area before its window goes.
  SetIconVisible(false);
  SetDesignPreview(false);
  icon_.reset();
  notifyWindow_.reset();
  UnhookAppWindow();
  if (owner_) UnhookOwnerWindow();
}

void TTrayIcon::Loaded() {
  if (owner_ && StartMinimized) {
    Application.ShowMainForm = false;
    ShowWindow(Application.Handle(), SW_HIDE);
  }
  UpdateIcon();
  SetIconVisible(iconVisible_);
}

void TTrayIcon::Notification(const void* component) {
  if (component == iconList_) {
    iconList_ = nullptr;
    SetIconList(nullptr);
  }
  if (component == PopupMenu) PopupMenu = nullptr;
}

// ---- Properties

void TTrayIcon::SetDesignPreview(bool value) {
  designPreview_ = value;
  internalChange_ = true;
  value ? AddIcon() : RemoveIcon();
  internalChange_ = false;
}

void TTrayIcon::SetIconList(const TImageList* list) {
  iconList_ = list;
  SetIconIndex(0);
}

void TTrayIcon::SetCycleIcons(bool value) {
  cycleIcons_ = value;
  if (value) SetIconIndex(0);
  cycleTimer_.SetEnabled(value);
}

void TTrayIcon::SetCycleInterval(unsigned milliseconds) { cycleTimer_.SetInterval(milliseconds); }

void TTrayIcon::SetHint(const std::wstring& hint) {
  hint_ = hint;
  UpdateIcon();
}

void TTrayIcon::SetShowHint(bool value) {
  showHint_ = value;
  UpdateIcon();
}

void TTrayIcon::SetIcon(HICON icon) {
  icon_.reset(icon ? CopyIcon(icon) : nullptr);
  UpdateIcon();
}

void TTrayIcon::SetIconVisible(bool value) { value ? AddIcon() : RemoveIcon(); }

void TTrayIcon::SetIconIndex(int32_t value) {
  if (iconList_) {
    iconIndex_ = value >= iconList_->Count() ? iconList_->Count() - 1 : value;
    icon_.reset(iconList_->GetIcon(iconIndex_));  // outside the list: an empty icon
  } else {
    iconIndex_ = 0;
  }
  UpdateIcon();
}

// ---- The shell

bool TTrayIcon::FillIconData() {
  notifyData_.hIcon = icon_.get();
  if (!hint_.empty() && showHint_)
    CopyField(notifyData_.szTip, hint_, kTipChars);
  else
    std::fill(std::begin(notifyData_.szTip), std::end(notifyData_.szTip), L'\0');
  return true;  // always at run time
}

bool TTrayIcon::AddIcon() {
  if (!internalChange_) iconVisible_ = true;
  return FillIconData() && Shell_NotifyIconW(NIM_ADD, &notifyData_);
}

bool TTrayIcon::RemoveIcon() {
  if (!internalChange_) iconVisible_ = false;
  return FillIconData() && Shell_NotifyIconW(NIM_DELETE, &notifyData_);
}

bool TTrayIcon::UpdateIcon() { return FillIconData() && Shell_NotifyIconW(NIM_MODIFY, &notifyData_); }

bool TTrayIcon::ShowBalloon(const std::wstring& title, const std::wstring& text, TBalloonIconKind kind,
                            uint8_t timeoutSeconds) {
  if (!Enabled) return true;
  // An empty balloon first takes down one that is still showing.
  notifyData_.uFlags |= NIF_INFO;
  notifyData_.szInfo[0] = L'\0';
  UpdateIcon();
  notifyData_.uFlags |= NIF_INFO;
  CopyField(notifyData_.szInfo, text, kBalloonTextChars);
  CopyField(notifyData_.szInfoTitle, title, kBalloonTitleChars);
  notifyData_.uTimeout = static_cast<UINT>(timeoutSeconds) * 1000;
  notifyData_.dwInfoFlags = kBalloonIcons[static_cast<size_t>(kind) & 3];
  const bool shown = UpdateIcon();
  notifyData_.uFlags = kBaseFlags;  // later updates do not show it again
  return shown;
}

// ---- Mouse actions on the icon

unsigned TTrayIcon::CurrentShiftState() {
  unsigned shift = 0;
  if (GetAsyncKeyState(VK_SHIFT) & 0x8000) shift |= ssShift;
  if (GetAsyncKeyState(VK_CONTROL) & 0x8000) shift |= ssCtrl;
  if (GetAsyncKeyState(VK_MENU) & 0x8000) shift |= ssAlt;
  return shift;
}

// The notification window's own messages; every other one gets the default handling.
LRESULT TTrayIcon::NotifyWndProc(UINT message, LPARAM lParam) {
  if (message == WM_QUERYENDSESSION) return 1;  // agrees to the end of the session
  if (Enabled) OnTrayMessage(static_cast<UINT>(lParam));
  return 0;
}

void TTrayIcon::OnTrayMessage(UINT mouseMessage) {
  const unsigned shift = CurrentShiftState();
  POINT at{};
  GetCursorPos(&at);
  switch (mouseMessage) {
    case WM_MOUSEMOVE: MouseMove(shift, at.x, at.y); break;
    case WM_LBUTTONDOWN:
      MouseDown(TMouseButton::mbLeft, shift | ssLeft, at.x, at.y);
      clickPending_ = true;
      if (LeftPopup) ShowMenuAtCursor();
      break;
    case WM_LBUTTONUP:
      if (clickPending_) {
        clickPending_ = false;
        Click();
      }
      MouseUp(TMouseButton::mbLeft, shift | ssLeft, at.x, at.y);
      break;
    case WM_LBUTTONDBLCLK:
      DblClick();
      if (PopupMenu && PopupMenu->AutoPopup && !LeftPopup) RunDefaultItem();
      break;
    case WM_RBUTTONDOWN:
      MouseDown(TMouseButton::mbRight, shift | ssRight, at.x, at.y);
      ShowMenuAtCursor();
      break;
    case WM_RBUTTONUP: MouseUp(TMouseButton::mbRight, shift | ssRight, at.x, at.y); break;
    case WM_MBUTTONDOWN: MouseDown(TMouseButton::mbMiddle, shift | ssMiddle, at.x, at.y); break;
    case WM_MBUTTONUP: MouseUp(TMouseButton::mbMiddle, shift | ssMiddle, at.x, at.y); break;
    case NIN_BALLOONUSERCLICK:
      if (OnBalloonClick) OnBalloonClick();
      break;
  }
}

void TTrayIcon::RunDefaultItem() {
  const TMenuItem* chosen = nullptr;
  for (auto item = PopupMenu->Items.rbegin(); item != PopupMenu->Items.rend(); ++item)
    if (item->Default) chosen = &*item;
  if (chosen) chosen->Click();
}

void TTrayIcon::ShowMenuAtCursor() {
  POINT at{};
  if (!PopupMenu || !PopupMenu->AutoPopup || !GetCursorPos(&at)) return;
  Application.ProcessMessages();
  // The menu closes properly only when its window is in front.
  SetForegroundWindow(notifyWindow_->Handle());
  if (owner_) SetForegroundWindow(owner_->Handle());
  PopupMenu->PopupComponent = this;
  PopupMenu->Popup(at.x, at.y);
  if (owner_) PostMessageW(owner_->Handle(), WM_NULL, 0, 0);
}

void TTrayIcon::Click() { if (OnClick) OnClick(); }
void TTrayIcon::DblClick() { if (OnDblClick) OnDblClick(); }
void TTrayIcon::Cycle(int32_t nextIndex) { if (OnCycle) OnCycle(nextIndex); }
void TTrayIcon::MouseDown(TMouseButton button, unsigned shift, int x, int y) { if (OnMouseDown) OnMouseDown(button, shift, x, y); }
void TTrayIcon::MouseUp(TMouseButton button, unsigned shift, int x, int y) { if (OnMouseUp) OnMouseUp(button, shift, x, y); }
void TTrayIcon::MouseMove(unsigned shift, int x, int y) { if (OnMouseMove) OnMouseMove(shift, x, y); }

// ---- Cycling and minimising

void TTrayIcon::CycleTick() {
  if (!iconList_) return;
  icon_.reset(iconList_->GetIcon(iconIndex_));
  const int32_t next = iconIndex_ < iconList_->Count() - 1 ? iconIndex_ + 1 : 0;
  Cycle(next);
  UpdateIcon();
  SetIconIndex(next);
}

void TTrayIcon::SendToTray() {
  HideMainWindow();
  SetIconVisible(true);
}

void TTrayIcon::HideMainWindow() {
  if (!owner_ || !Application.MainForm()) return;
  Application.MainForm()->Hide();
  ShowWindow(Application.Handle(), SW_HIDE);  // the taskbar button goes too
}

// ---- Hooks on the application window and the owner's window

void TTrayIcon::HookAppWindow() {
  HWND app = Application.Handle();
  if (!app) return;
  SetPropW(app, kHookProperty, this);
  oldAppWndProc_ = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(app, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&TTrayIcon::AppWndProc)));
}

void TTrayIcon::UnhookAppWindow() {
  HWND app = Application.Handle();
  if (!app || !oldAppWndProc_) return;
  SetWindowLongPtrW(app, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(oldAppWndProc_));
  RemovePropW(app, kHookProperty);
  oldAppWndProc_ = nullptr;
}

void TTrayIcon::HookOwnerWindow() {
  SetPropW(owner_->Handle(), kHookProperty, this);
  oldOwnerWndProc_ = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(owner_->Handle(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&TTrayIcon::OwnerWndProc)));
}

void TTrayIcon::UnhookOwnerWindow() {
  if (!oldOwnerWndProc_ || !owner_->Handle()) return;
  SetWindowLongPtrW(owner_->Handle(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(oldOwnerWndProc_));
  RemovePropW(owner_->Handle(), kHookProperty);
  oldOwnerWndProc_ = nullptr;
}

LRESULT CALLBACK TTrayIcon::AppWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  TTrayIcon* tray = TrayOf(window);
  if (!tray) return DefWindowProcW(window, message, wParam, lParam);
  const WNDPROC next = tray->oldAppWndProc_;
  tray->BeforeAppMessage(message, wParam);
  return CallWindowProcW(next, window, message, wParam, lParam);
}

LRESULT CALLBACK TTrayIcon::OwnerWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  TTrayIcon* tray = TrayOf(window);
  if (!tray) return DefWindowProcW(window, message, wParam, lParam);
  const WNDPROC next = tray->oldOwnerWndProc_;
  if (message == WM_NCDESTROY) tray->UnhookOwnerWindow();
  else tray->BeforeOwnerMessage(message, wParam, lParam);
  return CallWindowProcW(next, window, message, wParam, lParam);
}

void TTrayIcon::BeforeAppMessage(UINT message, WPARAM wParam) {
  if (message == WM_SIZE && wParam == SIZE_MINIMIZED && MinimizeToTray) SendToTray();
  // An MDI frame is the one kind of main form that would show the application window at start;
  // this toolkit has none, so the first position change only clears the flag.
  if (message == WM_WINDOWPOSCHANGED && firstPosChangePending_ && Application.MainForm())
    firstPosChangePending_ = false;
  if (message == TaskbarCreatedMsg && iconVisible_) AddIcon();  // the shell came back
}

void TTrayIcon::BeforeOwnerMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_ACTIVATE) {
    const WORD state = LOWORD(wParam);
    if (state == WA_INACTIVE) {
      HWND focus = GetFocus();
      lastFocus_ = focus && IsChild(owner_->Handle(), focus) ? focus : nullptr;
    } else if (lastFocus_ && IsWindow(lastFocus_)) {
      // Focus goes back to the control that had it when the form lost the activation.
      HWND root = GetParent(lastFocus_) ? GetParent(lastFocus_) : lastFocus_;
      if (root != reinterpret_cast<HWND>(lParam)) SetFocus(lastFocus_);
    }
  }
  if (message == WM_SHOWWINDOW && wParam == 1 && lParam == 0) {
    ShowWindow(Application.Handle(), SW_RESTORE);
    SetForegroundWindow(Application.Handle());
    SetForegroundWindow(owner_->Handle());
  }
}
