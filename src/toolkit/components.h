// Non-visual components: image lists, popup menus bound to actions, window timers.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "toolkit/actions.h"
#include "toolkit/forms.h"
#include "toolkit/handles.h"

// Icons of one size, by index.
class TImageList {
 public:
  // Takes a copy of the icon.
  void Add(HICON icon) { icons_.emplace_back(CopyIcon(icon)); }
  int Count() const { return static_cast<int>(icons_.size()); }
  // A copy of image i, or null for an index outside the list.
  HICON GetIcon(int index) const;

 private:
  std::vector<UniqueIcon> icons_;
};

// One entry of a popup menu: a separator ("-"), a caption that runs its action or handler, or a
// caption that opens the submenu of its Items.
struct TMenuItem {
  std::wstring Caption;
  const TAction* Action = nullptr;
  std::function<void()> OnClick;
  bool Default = false;
  bool Enabled = true;  // false: shown greyed, cannot be chosen
  bool Checked = false;  // marked with a dot
  HBITMAP Picture = nullptr;  // shown before the caption; borrowed, kept alive while the menu shows
  std::vector<TMenuItem> Items;
  bool IsSeparator() const { return Caption == L"-"; }
  std::wstring Text() const { return Action && Caption.empty() ? Action->Caption : Caption; }
  void Click() const;
};

class TPopupMenu {
 public:
  std::vector<TMenuItem> Items;
  bool AutoPopup = true;
  const void* PopupComponent = nullptr;  // what opened the menu last

  // Shows the menu at a screen point; returns when it has closed, after the chosen entry ran.
  void Popup(int x, int y);
  // The menu as the system shows it. Entries that can be chosen have the command identifiers 1, 2,
  // ... in the order they are shown, submenus' entries where their submenu stands.
  UniqueMenu Build() const;
  // Called before the menu is built each time it pops up: the entries as they are now.
  std::function<void()> OnPopup;
  // The menu while it is on the screen, else null.
  HMENU Showing() const { return showing_; }
  // A picture put in an entry of a menu on the screen (one of the same size as before, so that it
  // takes the same place), which is drawn again.
  static void ShowPicture(HMENU menu, int position, HBITMAP picture);

 private:
  HMENU showing_ = nullptr;
};

// A window timer: fires every Interval milliseconds while enabled; an interval of 0 never fires.
class TTimer : private TWinControl {
 public:
  explicit TTimer(std::function<void()> onTimer);
  ~TTimer() override;
  void SetEnabled(bool enabled);
  void SetInterval(unsigned milliseconds);
  bool Enabled() const { return enabled_; }
  unsigned Interval() const { return interval_; }

 private:
  void Update();
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  std::function<void()> onTimer_;
  bool enabled_ = false;
  unsigned interval_ = 0;
};
