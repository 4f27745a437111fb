#include "overlay/box_geometry.h"

#include <gtest/gtest.h>

namespace {

struct HitCase {
  int32_t width, height, x, y, expected;
};

class SizerHitTestTest : public testing::TestWithParam<HitCase> {};

TEST_P(SizerHitTestTest, Answers) {
  const HitCase c = GetParam();
  EXPECT_EQ(SizerHitTest(c.width, c.height, c.x, c.y), c.expected)
      << c.width << "x" << c.height << " at (" << c.x << ", " << c.y << ")";
}

INSTANTIATE_TEST_SUITE_P(
    Points, SizerHitTestTest,
    testing::Values(
        // The 10x10 start box: grips cover every pixel, and the later grip wins.
        HitCase{10, 10, 3, 3, kHtLeft}, HitCase{10, 10, 6, 3, kHtRight}, HitCase{10, 10, 6, 6, kHtBottom},
        HitCase{10, 10, 0, 0, kHtTopLeft}, HitCase{10, 10, 9, 0, kHtTopRight}, HitCase{10, 10, 9, 9, kHtBottomRight},
        HitCase{10, 10, 0, 9, kHtBottomLeft},
        // A 100x60 box: corners, edge middles, the band between grips and the inside.
        HitCase{100, 60, 0, 0, kHtTopLeft}, HitCase{100, 60, 4, 4, kHtTopLeft}, HitCase{100, 60, 5, 5, 0},
        HitCase{100, 60, 47, 0, kHtTop}, HitCase{100, 60, 51, 4, kHtTop}, HitCase{100, 60, 52, 0, 0},
        HitCase{100, 60, 46, 0, 0}, HitCase{100, 60, 99, 27, kHtRight}, HitCase{100, 60, 95, 31, kHtRight},
        HitCase{100, 60, 99, 32, 0}, HitCase{100, 60, 99, 59, kHtBottomRight}, HitCase{100, 60, 50, 59, kHtBottom},
        HitCase{100, 60, 0, 59, kHtBottomLeft}, HitCase{100, 60, 0, 30, kHtLeft}, HitCase{100, 60, 20, 2, 0},
        HitCase{100, 60, 50, 30, 0}, HitCase{100, 60, 100, 30, 0}, HitCase{100, 60, -1, 0, 0}));

TEST(SizerGeometry, GripsFollowTheBoxSize) {
  // Width 11: the top grip spans columns 2 to 6.
  EXPECT_EQ(GripRects(11, 11)[1], (Rect{2, 0, 7, 5}));
  const auto grips = GripRects(100, 60);
  EXPECT_EQ(grips[0], (Rect{0, 0, 5, 5}));
  EXPECT_EQ(grips[3], (Rect{95, 27, 100, 32}));
  EXPECT_EQ(grips[4], (Rect{95, 55, 100, 60}));
  EXPECT_EQ(grips[7], (Rect{0, 27, 5, 32}));
  // An 11x11 box has one pixel of client area, at its centre.
  int client = 0;
  for (int y = 0; y < 11; ++y)
    for (int x = 0; x < 11; ++x) client += SizerHitTest(11, 11, x, y) == 0;
  EXPECT_EQ(client, 1);
  EXPECT_EQ(SizerHitTest(11, 11, 5, 5), 0);
}

TEST(SizerGeometry, TheSelectionIsTheBoxLessItsBand) {
  EXPECT_EQ(FrameRect(100, 60), (Rect{5, 5, 95, 55}));
  EXPECT_EQ(SelectionInside({100, 50, 200, 110}), (Rect{105, 55, 195, 105}));
  EXPECT_EQ(SelectionInside({0, 0, 10, 10}).Width(), 0);
}

TEST(SizerGeometry, ArrowKeysMoveTheBoxAndWithCtrlSizeItWithinTheScreen) {
  const Rect screen{0, 0, 1280, 800}, box{100, 50, 200, 110};
  struct Case {
    int32_t key;
    bool shift, control;
    Rect box, expected;
  };
  const Case cases[] = {
      {kVkLeft, false, false, box, {99, 50, 199, 110}},
      {kVkDown, true, false, box, {100, 60, 200, 120}},
      {kVkRight, false, true, box, {100, 50, 201, 110}},     // the right edge grows
      {kVkUp, true, true, box, {100, 50, 200, 100}},         // the bottom edge shrinks by 10
      {kVkLeft, true, true, {100, 50, 115, 110}, {100, 50, 110, 110}},  // never below the empty box
      {kVkLeft, false, true, {100, 50, 110, 110}, {100, 50, 110, 110}},
      {kVkLeft, true, false, {4, 50, 104, 110}, {0, 50, 100, 110}},      // stops at the screen's edge
      {kVkRight, true, true, {100, 50, 1275, 110}, {100, 50, 1280, 110}},
      {kVkDown, true, false, {0, 795, 10, 805}, {0, 795, 10, 805}},      // already past the edge: stays
      {0x41, true, true, box, box},                                     // another key
  };
  for (const Case& c : cases)
    EXPECT_EQ(KeyedBox(c.box, c.key, c.shift, c.control, screen), c.expected)
        << "key " << c.key << " shift " << c.shift << " ctrl " << c.control << " from " << c.box.Left << ","
        << c.box.Top;
}

}  // namespace
