#include "toolkit/components.h"

#include "toolkit/error.h"

#include <string_view>

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

namespace {

// Appends the entries to `menu`, submenus' entries where their submenu stands; an entry that can be
// chosen is listed in `chosen` and has its place there, counted from 1, as its command identifier.
void AppendItems(HMENU menu, const std::vector<TMenuItem>& items, std::vector<const TMenuItem*>* chosen) {
  for (const TMenuItem& item : items) {
    if (item.IsSeparator()) {
      AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
      continue;
    }
    const std::wstring text = item.Text();
    MENUITEMINFOW info{sizeof info};
    info.fMask = MIIM_STRING | MIIM_STATE | MIIM_ID | MIIM_FTYPE;
    info.fType = item.Checked ? MFT_RADIOCHECK : 0;
    info.dwTypeData = const_cast<wchar_t*>(text.c_str());
    info.fState = (item.Enabled ? MFS_ENABLED : MFS_GRAYED) | (item.Default ? MFS_DEFAULT : 0) |
                  (item.Checked ? MFS_CHECKED : 0);
    if (item.Picture) {
      info.fMask |= MIIM_BITMAP;
      info.hbmpItem = item.Picture;
    }
    if (!item.Items.empty()) {
      info.fMask |= MIIM_SUBMENU;
      info.hSubMenu = CreatePopupMenu();  // the menu owns it from here on
      AppendItems(info.hSubMenu, item.Items, chosen);
    } else {
      chosen->push_back(&item);
      info.wID = static_cast<UINT>(chosen->size());
    }
    InsertMenuItemW(menu, GetMenuItemCount(menu), TRUE, &info);
  }
}

}  // namespace

UniqueMenu TPopupMenu::Build() const {
  UniqueMenu menu(CreatePopupMenu());
  std::vector<const TMenuItem*> chosen;
  AppendItems(menu.get(), Items, &chosen);
  return menu;
}

void TPopupMenu::Popup(int x, int y) {
  if (OnPopup) OnPopup();
  const std::vector<TMenuItem> shown = Items;  // the entries may change while the menu is open
  UniqueMenu menu(CreatePopupMenu());
  std::vector<const TMenuItem*> chosen;
  AppendItems(menu.get(), shown, &chosen);
  showing_ = menu.get();
  const UINT id = static_cast<UINT>(TrackPopupMenu(menu.get(), TPM_RETURNCMD | TPM_RIGHTBUTTON, x, y, 0,
                                                   Application.Handle(), nullptr));
  showing_ = nullptr;
  if (id >= 1 && id <= chosen.size() && chosen[id - 1]->Enabled) chosen[id - 1]->Click();
}

void TPopupMenu::ShowPicture(HMENU menu, int position, HBITMAP picture) {
  MENUITEMINFOW info{sizeof info};
  info.fMask = MIIM_BITMAP;
  info.hbmpItem = picture;
  if (!menu || !SetMenuItemInfoW(menu, static_cast<UINT>(position), TRUE, &info)) return;
  // The menus on the screen are windows of the system's menu class, on this thread.
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND window, LPARAM) {
        wchar_t name[16]{};
        if (GetClassNameW(window, name, 16) && std::wstring_view(name) == L"#32768") InvalidateRect(window, nullptr, TRUE);
        return TRUE;
      },
      0);
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
