// A pin's zoom and opacity steps and its place after a zoom.
#include <gtest/gtest.h>

#include "pins/pin_geometry.h"

namespace {

TEST(PinGeometry, TheWheelStepsThroughZoomsAndOpacitiesWithinTheirBounds) {
  struct Case {
    int32_t from, steps, to;
  };
  for (const Case& c : {Case{100, 1, 110}, {100, -1, 90}, {100, -30, 10}, {500, 1, 500}, {95, 1, 100}, {95, -1, 90}, {100, 0, 100}})
    EXPECT_EQ(NextZoom(c.from, c.steps), c.to) << "zoom " << c.from << " by " << c.steps;
  for (const Case& c : {Case{100, 1, 100}, {100, -2, 80}, {30, -5, 10}, {55, 1, 70}})
    EXPECT_EQ(NextOpacity(c.from, c.steps), c.to) << "opacity " << c.from << " by " << c.steps;
}

TEST(PinGeometry, AZoomKeepsThePointUnderTheCursorAndAPinIsCentred) {
  // A 200 x 100 picture at 100 %, the cursor at its centre, zoomed to 200 %: it grows round it.
  EXPECT_EQ(ZoomedPlace({100, 100, 300, 200}, 200, 100, 200, 200, 150), (Rect{0, 50, 400, 250}));
  // At its top-left corner, that corner stays.
  EXPECT_EQ(ZoomedPlace({100, 100, 300, 200}, 200, 100, 50, 100, 100), (Rect{100, 100, 200, 150}));
  EXPECT_EQ(Zoomed(3, 10), 1) << "never smaller than a pixel";
  EXPECT_EQ(Centred({0, 0, 1920, 1040}, 200, 100), (Rect{860, 470, 1060, 570}));
  EXPECT_EQ(Centred({-1920, 0, 0, 1040}, 3840, 100), (Rect{-1920, 470, 1920, 570})) << "larger: from the left";
}

}  // namespace
