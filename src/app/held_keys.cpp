#include "app/held_keys.h"

#include <algorithm>

namespace {

// Message times wrap every 49.7 days; a time before `since` (a repeat queued during the capture,
// handled after it) counts as no time at all.
int64_t Since(uint32_t since, uint32_t time) { return static_cast<int32_t>(time - since); }

}  // namespace

bool THeldKeys::Press(const HotKeyRec& keys, uint32_t time) {
  const auto held = std::find_if(held_.begin(), held_.end(), [&](const Held& h) { return h.keys == keys; });
  if (held == held_.end()) return true;
  if (Since(held->lastSeen, time) > kLongestRepeatGapMs) {
    held_.erase(held);
    return true;
  }
  if (Since(held->lastSeen, time) > 0) held->lastSeen = time;
  return false;
}

void THeldKeys::Hold(const HotKeyRec& keys, uint32_t time) {
  const auto held = std::find_if(held_.begin(), held_.end(), [&](const Held& h) { return h.keys == keys; });
  if (held != held_.end())
    held->lastSeen = time;
  else
    held_.push_back({keys, time});
}

void THeldKeys::Released(int32_t virtualKey) {
  std::erase_if(held_, [&](const Held& h) { return h.keys.Key == virtualKey; });
}
