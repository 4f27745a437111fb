#include "app/held_keys.h"

#include <gtest/gtest.h>

namespace {

constexpr HotKeyRec kCtrlF1{2, 0x70}, kCtrlF3{2, 0x72};

// One step of a run: a press (at a time), a hold after its capture, or a key let go.
struct Step {
  enum { Press, Hold, Release } kind;
  HotKeyRec keys;
  uint32_t time;
  bool captures;  // for a press
};

struct Case {
  const char* name;
  std::vector<Step> steps;
};

class HeldKeysTest : public testing::TestWithParam<Case> {};

TEST_P(HeldKeysTest, TellsRepeatsFromPresses) {
  HeldKeys held;
  int n = 0;
  for (const Step& step : GetParam().steps) {
    ++n;
    if (step.kind == Step::Press)
      EXPECT_EQ(held.Press(step.keys, step.time), step.captures) << "step " << n;
    else if (step.kind == Step::Hold)
      held.Hold(step.keys, step.time);
    else
      held.Released(step.keys.Key);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Runs, HeldKeysTest,
    testing::Values(
        Case{"RepeatsOfAHeldKeyTakeNothingUntilItIsReleased",
             {{Step::Press, kCtrlF1, 1000, true}, {Step::Hold, kCtrlF1, 1100},
              {Step::Press, kCtrlF1, 1760, false}, {Step::Press, kCtrlF1, 1800, false},
              {Step::Release, kCtrlF1}, {Step::Press, kCtrlF1, 1900, true}}},
        Case{"RepeatsQueuedDuringALongCaptureAreRepeats",
             {{Step::Press, kCtrlF1, 1000, true}, {Step::Hold, kCtrlF1, 5000},
              {Step::Press, kCtrlF1, 1700, false}, {Step::Press, kCtrlF1, 4990, false}}},
        Case{"APressLongAfterTheLastRepeatIsNewThoughNoReleaseWasSeen",
             {{Step::Press, kCtrlF1, 1000, true}, {Step::Hold, kCtrlF1, 1100},
              {Step::Press, kCtrlF1, 1700, false}, {Step::Press, kCtrlF1, 1700 + kLongestRepeatGapMs + 1, true},
              {Step::Press, kCtrlF1, 5000, true}}},
        Case{"TwoCombinationsHeldAreEachLatched",
             {{Step::Press, kCtrlF1, 1000, true}, {Step::Hold, kCtrlF1, 1100},
              {Step::Press, kCtrlF3, 1200, true}, {Step::Hold, kCtrlF3, 1300},
              {Step::Press, kCtrlF1, 1500, false}, {Step::Press, kCtrlF3, 1500, false},
              {Step::Release, kCtrlF3}, {Step::Press, kCtrlF3, 1600, true}, {Step::Press, kCtrlF1, 1600, false}}},
        Case{"TheTickCountWrapping",
             {{Step::Press, kCtrlF1, 0xFFFFFF00u, true}, {Step::Hold, kCtrlF1, 0xFFFFFF80u},
              {Step::Press, kCtrlF1, 0x00000100u, false}, {Step::Press, kCtrlF1, 0x00000100u + kLongestRepeatGapMs + 1, true}}}),
    [](const testing::TestParamInfo<Case>& run) { return std::string(run.param.name); });

}  // namespace
