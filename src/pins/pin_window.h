// A pin: a picture standing above every window, at its own pixels, until it is closed. It is
// dragged by any point, zoomed with the wheel around the cursor, made see-through with Ctrl+wheel,
// and has a menu of its own. Not in the taskbar or Alt+Tab; it does not take the focus as it comes.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "common/rect.h"
#include "common/wheel_steps.h"
#include "toolkit/forms.h"
#include "toolkit/handles.h"

// The command that closes every pin, in a pin's menu and the tray's.
inline constexpr wchar_t kCloseAllPinsText[] = L"关闭全部贴图";

// What a pin asks of its owner.
struct PinCommands {
  std::function<void(HBITMAP)> Copy;    // the picture to the clipboard
  std::function<void(HBITMAP, HWND)> SaveAs;  // the picture through the Save dialog the pin owns
  std::function<void(HBITMAP, const Rect&)> ReadText;  // the picture's text, read beside the pin
  std::function<void(class TPinWindow&)> Close;  // this pin to go (the owner frees it)
  std::function<void()> CloseAll;
};

// Held by shared pointers: a pin closed during one of its own menus or Save dialogs lives until
// that ends.
class TPinWindow : public TWinControl, public std::enable_shared_from_this<TPinWindow> {
 public:
  // Takes the picture; `place` is where its pixels stand on the screen.
  TPinWindow(UniqueBitmap picture, const Rect& place, PinCommands commands);
  ~TPinWindow() override;

  int32_t Zoom() const { return zoom_; }
  int32_t Opacity() const { return opacity_; }
  HBITMAP Picture() const { return picture_.get(); }

 protected:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  void Paint();
  void ZoomTo(int32_t zoom, POINT cursor);
  void SetOpacity(int32_t opacity);
  // Says the new zoom or opacity in the pin's corner for a moment.
  void ShowReadout(std::wstring text);
  void KeyDown(WPARAM key);
  void ShowMenu(POINT at);
  // The picture's text, read at its own pixels whatever the zoom, shown beside the pin.
  void ReadText();
  Rect PicturePlace() const;

  UniqueBitmap picture_;
  UniqueMemoryDc pictureDc_;
  HGDIOBJ pictureDcOld_ = nullptr;
  int32_t width_, height_;
  int32_t zoom_ = 100, opacity_ = 100;
  TWheelSteps wheel_;
  std::wstring readout_;  // empty: none shown
  UniqueFont font_;
  PinCommands commands_;
};
