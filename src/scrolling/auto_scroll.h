// The pace of an automatic scroll: one wheel step, then the region is read until it has moved and
// come to rest, then the next step. A step after which the region does not move at all for a while
// means the bottom. Window-free: the caller reads the region on a timer and sends the steps.
#pragma once

#include <cstdint>

enum class AutoStep : uint8_t { Wait, Send, Bottom };

class TAutoScroll {
 public:
  // Reads without any change after a step that mean the bottom (the window may take a few reads
  // to start moving, smooth scrolling a few more to stop).
  static constexpr int32_t kStillReads = 25;

  void Start();
  void Stop() { running_ = false; }
  bool Running() const { return running_; }
  // After each read, whether it differed from the one before: Send a step now, Wait, or Bottom
  // (the scroll stopped there by itself).
  AutoStep Read(bool changed);

 private:
  bool running_ = false;
  bool moved_ = false;    // the region moved since the last step
  int32_t still_ = 0;     // reads in a row without a change
};
