#include "scrolling/auto_scroll.h"

void TAutoScroll::Start() {
  running_ = true;
  moved_ = true;  // the first read sends the first step
  still_ = 0;
}

AutoStep TAutoScroll::Read(bool changed) {
  if (!running_) return AutoStep::Wait;
  if (changed) {
    moved_ = true;
    still_ = 0;
    return AutoStep::Wait;  // still moving
  }
  ++still_;
  if (moved_) {
    // At rest after moving: the next step.
    moved_ = false;
    still_ = 0;
    return AutoStep::Send;
  }
  if (still_ < kStillReads) return AutoStep::Wait;
  running_ = false;
  return AutoStep::Bottom;
}
