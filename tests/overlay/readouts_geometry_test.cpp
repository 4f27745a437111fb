#include "overlay/readouts_geometry.h"

#include <gtest/gtest.h>

namespace {

const Rect kScreen{0, 0, 1280, 800};

TEST(OverlayReadouts, TheLabelSitsAboveTheBoxElseBelowElseInsideTheScreen) {
  EXPECT_EQ(SizeLabelText(200, 160), L"200 x 160");
  struct Case {
    Rect box, expected;
  };
  const Case cases[] = {
      {{100, 100, 300, 260}, {100, 78, 180, 98}},   // above the top-left corner
      {{100, 10, 300, 260}, {100, 262, 180, 282}},  // no room above: below
      {{100, 10, 300, 790}, {100, 0, 180, 20}},     // no room either: at the screen's top
      {{1250, 100, 1280, 200}, {1200, 78, 1280, 98}},  // kept inside the right edge
  };
  for (const Case& c : cases) EXPECT_EQ(SizeLabelRect(c.box, 80, 20, kScreen), c.expected) << c.box.Left << "," << c.box.Top;
}

TEST(OverlayReadouts, AColourReadsInHexOrInDecimal) {
  EXPECT_EQ(ColourText(30, 144, 255, true), L"#1E90FF");
  EXPECT_EQ(ColourText(0, 0, 0, true), L"#000000");
  EXPECT_EQ(ColourText(30, 144, 255, false), L"RGB(30, 144, 255)");
  EXPECT_EQ(ColourText(255, 0, 7, false), L"RGB(255, 0, 7)");
}

TEST(OverlayReadouts, TheMagnifierKeepsOffTheCursorAndFlipsAtTheEdges) {
  EXPECT_EQ(MagnifierRect(100, 100, 120, 140, kScreen), (Rect{124, 124, 244, 264}));
  EXPECT_EQ(MagnifierRect(1200, 100, 120, 140, kScreen), (Rect{1056, 124, 1176, 264}));
  EXPECT_EQ(MagnifierRect(100, 700, 120, 140, kScreen), (Rect{124, 536, 244, 676}));
  EXPECT_EQ(MagnifierRect(1279, 799, 120, 140, kScreen), (Rect{1135, 635, 1255, 775}));
}

}  // namespace
