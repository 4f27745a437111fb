#include "scrolling/auto_scroll.h"

void TAutoScroll::Start() {
  running_ = true;
  moved_ = true;  // the first read sends the first step
  still_ = 0;
  backs_ = 0;
  back_ = false;
  everMoved_ = false;
}

AutoStep TAutoScroll::Read(bool changed, bool placed) {
  if (!running_) return AutoStep::Wait;
  if (changed) {
    moved_ = everMoved_ = true;
    still_ = 0;
    return AutoStep::Wait;  // still moving
  }
  ++still_;
  if (moved_) {
    // At rest after moving: the next step, or back up from where it cannot be placed.
    if (!placed && still_ < kPlacingReads) return AutoStep::Wait;
    moved_ = false;
    still_ = 0;
    if (!placed) {
      if (backs_ == kMaxBacks) {
        running_ = false;
        return AutoStep::Stuck;
      }
      ++backs_;
      back_ = true;
      return AutoStep::SendBack;
    }
    if (!back_) backs_ = 0;  // a step down placed
    back_ = false;
    return AutoStep::Send;
  }
  if (still_ < kStillReads) return AutoStep::Wait;
  running_ = false;
  return everMoved_ ? AutoStep::Bottom : AutoStep::Ignored;
}
