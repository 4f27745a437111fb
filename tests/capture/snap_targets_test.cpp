#include "capture/snap_targets.h"

#include <gtest/gtest.h>

namespace {

// A top-level window 0 (a dialog) with a panel 1 holding a button 2 and an edit 3; window 4 lies
// below it, partly under it; window 5 is a topmost window over both.
const SnapWindows kWindows = {
    {{400, 100, 600, 300}, -1},   // 0 topmost
    {{100, 100, 500, 400}, -1},   // 1 the dialog
    {{110, 130, 490, 390}, 1},    // 2 its panel
    {{120, 140, 220, 170}, 2},    // 3 a button
    {{120, 200, 480, 380}, 2},    // 4 an edit
    {{130, 210, 200, 240}, 4},    // 5 the edit's own child
    {{105, 105, 495, 125}, 1},    // 6 a bar above the panel
    {{0, 0, 800, 600}, -1},       // 7 a window below everything
};

struct ChainCase {
  int32_t x, y;
  std::vector<int32_t> chain;
  const char* what;
};

TEST(SnapTargets, TheChainUnderAPointGoesFromTheTopmostWindowToItsDeepestChild) {
  const ChainCase cases[] = {
      {450, 200, {0}, "the topmost window covers the dialog"},
      {150, 150, {1, 2, 3}, "the button in the panel"},
      {150, 220, {1, 2, 4, 5}, "the edit's child, deepest last"},
      {300, 300, {1, 2, 4}, "the edit"},
      {300, 115, {1, 6}, "a sibling of the panel"},
      {101, 200, {1}, "the dialog's outermost pixels take the dialog"},
      {111, 200, {1, 2}, "the panel's edge takes the panel"},
      {50, 50, {7}, "the window below everything"},
      {900, 50, {}, "no window"},
  };
  for (const ChainCase& c : cases) EXPECT_EQ(SnapChainAt(kWindows, c.x, c.y, 2), c.chain) << c.what;
}

TEST(SnapTargets, TheWheelGoesUpToTheWholeWindowAndNoFurther) {
  const std::vector<int32_t> chain = {1, 2, 4, 5};
  EXPECT_EQ(SnapTarget(chain, 0), 5);
  EXPECT_EQ(SnapTarget(chain, 1), 4);
  EXPECT_EQ(SnapTarget(chain, 3), 1);
  EXPECT_EQ(SnapTarget(chain, 9), 1);
  EXPECT_EQ(SnapTarget(chain, -2), 5);
  EXPECT_EQ(SnapTarget({}, 0), -1);
}

TEST(SnapTargets, TheBoxAroundATargetHoldsItInsideItsFrameLine) {
  const Rect target{100, 50, 300, 150};
  const Rect inside = SelectionInside(BoxAround(target));
  EXPECT_EQ(inside, (Rect{99, 49, 301, 151})) << "the frame line lies just outside the target";
}

TEST(SnapTargets, AClickStaysWithinHalfTheDragRectangle) {
  EXPECT_TRUE(IsClick(0, 0, 4, 4));
  EXPECT_TRUE(IsClick(2, -2, 4, 4));
  EXPECT_FALSE(IsClick(3, 0, 4, 4));
  EXPECT_FALSE(IsClick(0, -3, 4, 4));
}

}  // namespace
