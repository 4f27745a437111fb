#include "app/hot_keys.h"

#include <algorithm>

#include "toolkit/forms.h"

namespace {

// Slot i: the atom that names hot key i; its id is the atom less 0xC000 (0x0000..0x3FFF).
constexpr std::array<const wchar_t*, 3> kAtomNames = {L"KeyScreen", L"KeyActive", L"KeyCustom"};
constexpr int32_t kAtomBase = 0xC000;

THotKeys* watching = nullptr;  // whose watch is on the keyboard

bool IsKeyDown(int32_t virtualKey) { return (GetAsyncKeyState(virtualKey) & 0x8000) != 0; }

}  // namespace

void THotKeys::Register(const std::array<HotKeyRec, 3>& keys) {
  if (registered_) return;
  registered_ = true;
  taken_ = {};
  for (size_t slot = 0; slot < kAtomNames.size(); ++slot) {
    const ATOM atom = GlobalAddAtomW(kAtomNames[slot]);
    ids_[slot] = static_cast<int32_t>(atom) - kAtomBase;
    if (keys[slot].Key == 0) continue;  // no hot key in this slot
    const auto first = std::find(keys.begin(), keys.end(), keys[slot]);
    if (first != keys.begin() + static_cast<std::ptrdiff_t>(slot)) {  // a press serves every slot of its keys
      taken_[slot] = taken_[static_cast<size_t>(first - keys.begin())];
      continue;
    }
    // A held combination fires once (where the system knows MOD_NOREPEAT; Pressed filters it elsewhere).
    taken_[slot] = !RegisterHotKey(window_, ids_[slot], static_cast<UINT>(keys[slot].Modifiers) | MOD_NOREPEAT,
                                   static_cast<UINT>(keys[slot].Key));
  }
}

void THotKeys::Unregister() {
  if (!registered_) return;
  registered_ = false;
  for (size_t slot = 0; slot < kAtomNames.size(); ++slot) {
    UnregisterHotKey(window_, ids_[slot]);
    GlobalDeleteAtom(static_cast<ATOM>(ids_[slot] + kAtomBase));
  }
}

// A stored combination that another program held already before the dialog opened stays as it is
// (it was named then): only a key the user changed, or one taken while the dialog was open, stops
// OK.
int THotKeys::Try(const std::array<HotKeyRec, 3>& keys, const std::array<HotKeyRec, 3>& stored) {
  const std::array<bool, 3> takenBefore = taken_;
  Unregister();
  Register(keys);
  for (size_t slot = 0; slot < keys.size(); ++slot) {
    if (!taken_[slot] || (keys[slot] == stored[slot] && takenBefore[slot])) continue;
    Unregister();
    taken_ = takenBefore;  // still what a welcome balloon shown meanwhile names
    return static_cast<int>(slot);
  }
  return -1;
}

// A combination held down repeats its WM_HOTKEY at the keyboard's rate: one press, one capture.
std::optional<HotKeyRec> THotKeys::Pressed(LPARAM lParam) {
  const HotKeyRec pressed{static_cast<int32_t>(LOWORD(lParam) & ~MOD_NOREPEAT), static_cast<int32_t>(HIWORD(lParam))};
  if (!held_.Press(pressed, static_cast<uint32_t>(GetMessageTime()))) return std::nullopt;
  return pressed;
}

// The keyboard is watched from now until the key is up. The watch is put on anew each time, since
// the system takes one away without a word when this thread was busy past its time-out; a release
// that no watch saw is made up for by THeldKeys, which takes a press long after the last repeat as
// new.
void THotKeys::HoldUntilReleased(const HotKeyRec& pressed) {
  if (!IsKeyDown(pressed.Key)) return;
  if (watch_) UnhookWindowsHookEx(watch_);
  watch_ = SetWindowsHookExW(WH_KEYBOARD_LL, WatchKeys, Application.Instance(), 0);
  if (!watch_) return;  // repeats are not told from presses then
  watching = this;
  held_.Hold(pressed, GetTickCount());
  if (!IsKeyDown(pressed.Key)) KeyReleased(pressed.Key);  // released before the watch began
}

// Sees every key the system takes in, in order: a release reaches it before any later press can
// become a hot-key message.
LRESULT CALLBACK THotKeys::WatchKeys(int code, WPARAM message, LPARAM data) {
  if (code == HC_ACTION && (message == WM_KEYUP || message == WM_SYSKEYUP) && watching)
    watching->KeyReleased(static_cast<int32_t>(reinterpret_cast<const KBDLLHOOKSTRUCT*>(data)->vkCode));
  return CallNextHookEx(nullptr, code, message, data);
}

void THotKeys::KeyReleased(int32_t virtualKey) {
  held_.Released(virtualKey);
  if (held_.Empty() && watch_) PostMessageW(window_, kStopWatchingMessage, 0, 0);
}

void THotKeys::StopWatching() {
  if (!held_.Empty() || !watch_) return;
  UnhookWindowsHookEx(watch_);
  watch_ = nullptr;
  if (watching == this) watching = nullptr;
}

void THotKeys::ForgetHeldKeys() {
  held_.Clear();
  StopWatching();
}
