// A mouse wheel's turns as whole steps: touchpads and fine wheels send parts of a step (a step is
// 120, WHEEL_DELTA), which add up. Window-free.
#pragma once

#include <cstdint>

class TWheelSteps {
 public:
  // The whole steps this turn completes (negative: towards the user).
  int32_t Add(int32_t delta) {
    rest_ += delta;
    const int32_t steps = rest_ / kStep;
    rest_ -= steps * kStep;
    return steps;
  }

 private:
  static constexpr int32_t kStep = 120;
  int32_t rest_ = 0;
};
