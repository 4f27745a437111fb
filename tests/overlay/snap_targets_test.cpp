#include "overlay/snap_targets.h"

#include <gtest/gtest.h>

namespace {

// As the listing gives them: the top-level windows in z-order (a topmost window 0, a dialog 1, a
// window 2 below everything), then the children, each after its parent: the dialog's panel 3 and a
// bar 4 above it, in the panel a button 5 and an edit 6, in the edit a child 7.
const SnapWindows kWindows = {
    {{400, 100, 600, 300}, -1}, {{100, 100, 500, 400}, -1}, {{0, 0, 800, 600}, -1},
    {{110, 130, 490, 390}, 1},  {{105, 105, 495, 125}, 1},  {{120, 140, 220, 170}, 3},
    {{120, 200, 480, 380}, 3},  {{130, 210, 200, 240}, 6},
};

struct ChainCase {
  int32_t x, y;
  std::vector<int32_t> chain;
  const char* what;
};

TEST(SnapTargets, TheChainUnderAPointGoesFromTheTopmostWindowToItsDeepestChild) {
  const ChainCase cases[] = {
      {450, 200, {0}, "the topmost window covers the dialog"},
      {150, 150, {1, 3, 5}, "the button in the panel"},
      {150, 220, {1, 3, 6, 7}, "the edit's child, deepest last"},
      {300, 300, {1, 3, 6}, "the edit"},
      {300, 115, {1, 4}, "a sibling of the panel"},
      {101, 200, {1}, "the dialog's outermost pixels take the dialog"},
      {111, 200, {1, 3}, "the panel's edge takes the panel"},
      {50, 50, {2}, "the window below everything"},
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

}  // namespace
