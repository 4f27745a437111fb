// Which hot-key combinations are still held down since the capture they took, so that the
// keyboard's auto-repeat of a held combination takes no more captures. Window-free.
#pragma once

#include <cstdint>
#include <vector>

#include "common/hotkey_text.h"

// The longest pause between two key-downs of a held key: the longest delay before a keyboard
// repeats (1 s on Windows, 660 ms under X by default) with room to spare.
inline constexpr uint32_t kLongestRepeatGapMs = 1250;

class THeldKeys {
 public:
  // A press of a combination at `time` (milliseconds, as message times run): false when it is the
  // repeat of a combination held since its capture, true when it is a new press. A press that
  // comes longer than kLongestRepeatGapMs after the held combination's last one is new however it
  // came: its release was never seen (keys let go on another desktop, a keyboard watch the system
  // took away), and a latch must never outlive the keys.
  bool Press(const HotKeyRec& keys, uint32_t time);
  // The combination is still down after its capture, at `time`.
  void Hold(const HotKeyRec& keys, uint32_t time);
  // A key went up: every combination of that key is let go.
  void Released(int32_t virtualKey);
  void Clear() { held_.clear(); }
  bool Empty() const { return held_.empty(); }

 private:
  struct Held {
    HotKeyRec keys;
    uint32_t lastSeen;
  };
  std::vector<Held> held_;
};
