#include "pins/pin_board.h"

#include <algorithm>

namespace {

constexpr UINT kFreeClosed = WM_APP + 1;

}  // namespace

TPinBoard::TPinBoard(std::function<void(HBITMAP)> copy, std::function<void(HBITMAP, HWND)> saveAs,
                     std::function<void(HBITMAP, const Rect&)> readText)
    : copy_(std::move(copy)), saveAs_(std::move(saveAs)), readText_(std::move(readText)) {
  CreateHandle({L"TCorvixPinBoard"}, 0, 0, L"", {0, 0, 0, 0}, HWND_MESSAGE);
}

TPinBoard::~TPinBoard() = default;

void TPinBoard::Pin(UniqueBitmap picture, const Rect& place) {
  PinCommands commands{copy_, saveAs_, readText_, [this](TPinWindow& pin) { Close(pin); }, [this] { CloseAll(); }};
  pins_.push_back(std::make_shared<TPinWindow>(std::move(picture), place, std::move(commands)));
  if (OnChanged) OnChanged();
}

// The pin may be handling the message that closes it: it is hidden now and freed after.
void TPinBoard::Close(TPinWindow& pin) {
  const auto found = std::find_if(pins_.begin(), pins_.end(), [&](const auto& held) { return held.get() == &pin; });
  if (found == pins_.end()) return;
  ShowWindow(pin.Handle(), SW_HIDE);
  closed_.push_back(std::move(*found));
  pins_.erase(found);
  PostMessageW(Handle(), kFreeClosed, 0, 0);
  if (OnChanged) OnChanged();
}

void TPinBoard::CloseAll() {
  while (!pins_.empty()) Close(*pins_.back());
}

LRESULT TPinBoard::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kFreeClosed) {
    closed_.clear();
    return 0;
  }
  return TWinControl::HandleMessage(message, wParam, lParam);
}
