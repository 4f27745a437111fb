// The notification-area icon: icon, tip, balloons, mouse events, a popup menu at the cursor, icon
// cycling from an image list, and minimise-to-tray for the application.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "toolkit/components.h"
#include "toolkit/forms.h"
#include "toolkit/handles.h"

enum class TBalloonIconKind : uint8_t { bkNone, bkInfo, bkWarning, bkError };
enum class TMouseButton { mbLeft, mbRight, mbMiddle };

// Shift-state bits.
inline constexpr unsigned ssShift = 1, ssAlt = 2, ssCtrl = 4, ssLeft = 8, ssRight = 16, ssMiddle = 32;

// The message the shell sends to the notification window about the icon.
inline constexpr UINT WM_TRAYICONNOTIFY = 0x0800;

class TTrayIcon {
 public:
  // `owner` is the form the component lives on (its window is hooked), or null.
  explicit TTrayIcon(TForm* owner);
  virtual ~TTrayIcon();
  TTrayIcon(const TTrayIcon&) = delete;
  TTrayIcon& operator=(const TTrayIcon&) = delete;

  // The owner has finished loading: the icon enters the notification area (when IconVisible).
  void Loaded();
  // Another component is going away: drop references to it.
  void Notification(const void* component);

  // Properties.
  void SetDesignPreview(bool value);
  void SetIconList(const TImageList* list);
  void SetCycleIcons(bool value);
  void SetCycleInterval(unsigned milliseconds);
  void SetHint(const std::wstring& hint);
  void SetShowHint(bool value);
  void SetIcon(HICON icon);  // copied
  void SetIconVisible(bool value);
  void SetIconIndex(int32_t value);
  bool DesignPreview() const { return designPreview_; }
  const TImageList* IconList() const { return iconList_; }
  bool CycleIcons() const { return cycleIcons_; }
  unsigned CycleInterval() const { return cycleTimer_.Interval(); }
  const std::wstring& Hint() const { return hint_; }
  bool ShowHint() const { return showHint_; }
  HICON Icon() const { return icon_.get(); }
  bool IconVisible() const { return iconVisible_; }
  int32_t IconIndex() const { return iconIndex_; }
  bool Enabled = true;
  TPopupMenu* PopupMenu = nullptr;
  bool LeftPopup = false;
  bool StartMinimized = false;
  bool MinimizeToTray = false;

  // Events.
  std::function<void()> OnClick, OnDblClick;
  std::function<void(TMouseButton, unsigned shift, int x, int y)> OnMouseDown, OnMouseUp;
  std::function<void(unsigned shift, int x, int y)> OnMouseMove;
  std::function<void(int32_t nextIndex)> OnCycle;
  std::function<void()> OnBalloonClick;  // the user clicked the balloon

  // Shows a balloon (taking down one still showing); the texts are cut to their fields. True when the
  // shell took it, or when the component is disabled (then nothing shows).
  bool ShowBalloon(const std::wstring& title, const std::wstring& text, TBalloonIconKind kind, uint8_t timeoutSeconds);

  // The shell operations: true when the shell accepted the call.
  virtual bool AddIcon();
  virtual bool RemoveIcon();
  virtual bool UpdateIcon();

  HWND NotifyWindow() const;
  const NOTIFYICONDATAW& NotifyData() const { return notifyData_; }
  static unsigned CurrentShiftState();

 protected:
  virtual void Click();
  virtual void DblClick();
  virtual void Cycle(int32_t nextIndex);
  virtual void MouseDown(TMouseButton button, unsigned shift, int x, int y);
  virtual void MouseUp(TMouseButton button, unsigned shift, int x, int y);
  virtual void MouseMove(unsigned shift, int x, int y);
  virtual void SendToTray();

 private:
  class TNotifyWindow;
  friend class TNotifyWindow;

  bool FillIconData();
  LRESULT NotifyWndProc(UINT message, LPARAM lParam);
  void OnTrayMessage(UINT mouseMessage);
  void ShowMenuAtCursor();
  void RunDefaultItem();
  void CycleTick();
  void HideMainWindow();

  void HookAppWindow();
  void UnhookAppWindow();
  void HookOwnerWindow();
  void UnhookOwnerWindow();
  static LRESULT CALLBACK AppWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK OwnerWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  void BeforeAppMessage(UINT message, WPARAM wParam);
  void BeforeOwnerMessage(UINT message, WPARAM wParam, LPARAM lParam);

  TForm* owner_;
  std::unique_ptr<TNotifyWindow> notifyWindow_;
  NOTIFYICONDATAW notifyData_{};
  UniqueIcon icon_;
  TTimer cycleTimer_;
  const TImageList* iconList_ = nullptr;
  std::wstring hint_;
  bool designPreview_ = false, cycleIcons_ = false, showHint_ = true, iconVisible_ = true;
  int32_t iconIndex_ = 0;
  bool clickPending_ = false, internalChange_ = false, firstPosChangePending_ = true;
  WNDPROC oldAppWndProc_ = nullptr, oldOwnerWndProc_ = nullptr;
  HWND lastFocus_ = nullptr;  // the owner's focused control when it was last deactivated
};

// Registered anew by every construction: the shell broadcasts it when the taskbar comes back.
extern UINT TaskbarCreatedMsg;
