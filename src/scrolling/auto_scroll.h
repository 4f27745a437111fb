// The pace of an automatic scroll: one wheel step, then the region is read until it has moved and
// come to rest, then the next step. A step after which the region does not move at all for a while
// means the bottom; a first step after which nothing ever moved means the window does not take the
// steps sent to it. Come to rest where the read cannot be placed (it went too far at once, on a
// slow machine say), it waits a little (content moving by itself is learnt from reads at rest),
// then steps back up and down again, as a person would, a few times at most.
// Window-free: the caller reads the region on a timer and sends the steps.
#pragma once

#include <cstdint>

enum class AutoStep : uint8_t { Wait, Send, SendBack, Bottom, Stuck, Ignored };

class TAutoScroll {
 public:
  // Reads without any change after a step that mean the bottom (the window may take a few reads
  // to start moving, smooth scrolling a few more to stop).
  static constexpr int32_t kStillReads = 25;
  // Steps back from a place that cannot be placed before it gives up there.
  static constexpr int32_t kMaxBacks = 2;
  // Reads at rest that may still place the read before it steps back.
  static constexpr int32_t kPlacingReads = 15;

  void Start();
  void Stop() { running_ = false; }
  bool Running() const { return running_; }
  // After each read, whether the region moved since the read before and whether the latest read
  // that moved was placed: Send a step down now, SendBack a step up, Wait, Bottom (the scroll
  // stopped there by itself), Stuck (it stops where it cannot be placed) or Ignored (the window
  // never moved for a step).
  AutoStep Read(bool changed, bool placed = true);

 private:
  bool running_ = false;
  bool moved_ = false;    // the region moved since the last step
  int32_t still_ = 0;     // reads in a row without a change
  int32_t backs_ = 0;     // steps back since the last step down that came to rest placed
  bool back_ = false;     // the last step went back up
  bool everMoved_ = false;  // a step moved the region since the start
};
