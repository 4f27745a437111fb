// Every pin on the screen: made, closed and freed (after the message that closed it), counted.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "pins/pin_window.h"

class TPinBoard : private TWinControl {
 public:
  // `copy`, `saveAs` and `readText` serve the pins' commands of those names.
  TPinBoard(std::function<void(HBITMAP)> copy, std::function<void(HBITMAP, HWND)> saveAs,
            std::function<void(HBITMAP, const Rect&)> readText);
  ~TPinBoard() override;

  // A pin of this picture whose pixels stand at `place` on the screen.
  void Pin(UniqueBitmap picture, const Rect& place);
  void CloseAll();
  size_t Count() const { return pins_.size(); }
  // Hears each change of the count.
  std::function<void()> OnChanged;

 protected:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  void Close(TPinWindow& pin);

  std::function<void(HBITMAP)> copy_;
  std::function<void(HBITMAP, HWND)> saveAs_;
  std::function<void(HBITMAP, const Rect&)> readText_;
  std::vector<std::shared_ptr<TPinWindow>> pins_;
  std::vector<std::shared_ptr<TPinWindow>> closed_;  // hidden, let go once their message is over
};
