#include "toolkit/components.h"

#include "toolkit/error.h"

HICON TImageList::GetIcon(int index) const {
  if (index < 0 || index >= Count()) return nullptr;
  return CopyIcon(icons_[static_cast<size_t>(index)].get());
}

void TMenuItem::Click() const {
  if (OnClick)
    OnClick();
  else if (Action && Action->OnExecute)
    Action->OnExecute();
}

UniqueMenu TPopupMenu::Build() const {
  UniqueMenu menu(CreatePopupMenu());
  for (size_t i = 0; i < Items.size(); ++i) {
    const TMenuItem& item = Items[i];
    if (item.IsSeparator()) {
      AppendMenuW(menu.get(), MF_SEPARATOR, 0, nullptr);
      continue;
    }
    AppendMenuW(menu.get(), MF_STRING, i + 1, item.Text().c_str());
    if (item.Default) SetMenuDefaultItem(menu.get(), static_cast<UINT>(i + 1), FALSE);
  }
  return menu;
}

void TPopupMenu::Popup(int x, int y) {
  const UniqueMenu menu = Build();
  const std::vector<TMenuItem> shown = Items;  // the entries may change while the menu is open
  const UINT chosen = static_cast<UINT>(TrackPopupMenu(menu.get(), TPM_RETURNCMD | TPM_RIGHTBUTTON, x, y, 0,
                                                       Application.Handle(), nullptr));
  if (chosen >= 1 && chosen <= shown.size()) shown[chosen - 1].Click();
}

TTimer::TTimer(std::function<void()> onTimer) : onTimer_(std::move(onTimer)) {
  CreateHandle({L"TTimerWindow"}, 0, WS_POPUP, L"", {0, 0, 0, 0}, HWND_MESSAGE);
}

TTimer::~TTimer() { KillTimer(Handle(), 1); }

void TTimer::SetEnabled(bool enabled) {
  enabled_ = enabled;
  Update();
}

void TTimer::SetInterval(unsigned milliseconds) {
  interval_ = milliseconds;
  Update();
}

void TTimer::Update() {
  KillTimer(Handle(), 1);
  if (enabled_ && interval_ != 0 && !SetTimer(Handle(), 1, interval_, nullptr))
    throw Error(L"Not enough timers available");
}

LRESULT TTimer::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_TIMER) {
    if (onTimer_) onTimer_();
    return 0;
  }
  return TWinControl::HandleMessage(message, wParam, lParam);
}
