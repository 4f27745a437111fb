// The program's three global hot keys: their registration, which of them another program holds, and
// the latch that makes a combination held down one press. Win32 glue over held_keys.
#pragma once

#include <windows.h>

#include <array>
#include <cstdint>
#include <optional>

#include "app/held_keys.h"
#include "common/hotkey_text.h"

class THotKeys {
 public:
  THotKeys() = default;
  THotKeys(const THotKeys&) = delete;
  THotKeys& operator=(const THotKeys&) = delete;

  // The window their WM_HOTKEY goes to (and the watch's message), once it exists.
  void SetWindow(HWND window) { window_ = window; }

  // Registers the keys, slot 0 whole screen, 1 active window, 2 region (none twice: slots sharing a
  // combination share its registration), and keeps which of them another program holds. Nothing
  // while they are registered.
  void Register(const std::array<HotKeyRec, 3>& keys);
  // Nothing while they are not registered. Each atom goes once: global atoms are counted, and
  // another program may hold the same names.
  void Unregister();
  bool Registered() const { return registered_; }
  // The slots whose keys another program held at the last registration.
  const std::array<bool, 3>& Taken() const { return taken_; }
  // The options dialog's OK: registers `keys` in place of `stored`; the first slot whose changed key
  // another program holds (every key then free again), or -1.
  int Try(const std::array<HotKeyRec, 3>& keys, const std::array<HotKeyRec, 3>& stored);

  // The combination a WM_HOTKEY names, or nothing when it is the keyboard's repeat of a combination
  // held since its capture.
  std::optional<HotKeyRec> Pressed(LPARAM lParam);
  // After its capture: a combination still held takes no more captures until its key is up.
  void HoldUntilReleased(const HotKeyRec& pressed);
  // The message the window passes back to StopWatching (never from inside the watch itself).
  static constexpr UINT kStopWatchingMessage = WM_APP + 1;
  void StopWatching();
  // Forgets every combination held down: keys released on the lock screen go unseen.
  void ForgetHeldKeys();

 private:
  static LRESULT CALLBACK WatchKeys(int code, WPARAM message, LPARAM data);
  void KeyReleased(int32_t virtualKey);

  HWND window_ = nullptr;
  bool registered_ = false;
  std::array<bool, 3> taken_{};
  std::array<int32_t, 3> ids_{};  // slot i: the atom that names it, less 0xC000
  THeldKeys held_;                 // the combinations held down since their capture, until released
  HHOOK watch_ = nullptr;         // on the keyboard while a hot key is held down
};
