// Shapes, their history and their drawing, natively under the sanitizers (text aside: each
// system's fonts draw it).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <vector>

#include "markup/history.h"
#include "markup/render.h"
#include "support/markup_redraw.h"

#ifndef _WIN32
// fontconfig keeps its fonts for the life of the process, which LeakSanitizer would count as leaked.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig\n"; }
#endif

namespace {

Shape Make(ShapeKind kind, std::vector<PointF> points, double width = 4) {
  Shape shape;
  shape.Kind = kind;
  shape.Points = std::move(points);
  shape.Width = width;
  return shape;
}

TEST(Markup, AShapeIsTouchedAlongItsGeometry) {
  const Shape box = Make(ShapeKind::Rectangle, {{10, 10}, {110, 60}});
  const Shape ring = Make(ShapeKind::Ellipse, {{0, 0}, {100, 100}});
  const Shape stroke = Make(ShapeKind::Pen, {{0, 0}, {50, 0}, {50, 50}});
  const Shape mosaic = Make(ShapeKind::Mosaic, {{20, 20}, {40, 40}});
  Shape text = Make(ShapeKind::Text, {{100, 100}}, 20);  // as wide as the font draws it, not 4 x 20
  text.Text = L"iiii";
  struct Case {
    const Shape& shape;
    PointF at;
    bool touched;
  } cases[] = {
      {box, {10, 30}, true},  {box, {60, 58}, true},    {box, {60, 35}, false}, {box, {130, 35}, false},
      {ring, {50, 1}, true},  {ring, {85, 85}, true},   {ring, {50, 50}, false}, {stroke, {50, 25}, true},
      {stroke, {25, 3}, true}, {stroke, {25, 25}, false}, {mosaic, {30, 30}, true}, {mosaic, {50, 30}, false},
      {text, {104, 110}, true}, {text, {150, 110}, false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(HitsShape(c.shape, c.at, 2), c.touched) << static_cast<int>(c.shape.Kind) << " at " << c.at.X << ", " << c.at.Y;
}

TEST(Markup, ShiftHoldsSquaresAndLinesAtMultiplesOf45Degrees) {
  const PointF square = ConstrainedEnd(ShapeKind::Rectangle, {10, 10}, {50, 30});
  EXPECT_EQ(square, (PointF{50, 50}));
  const PointF diagonal = ConstrainedEnd(ShapeKind::Line, {0, 0}, {100, 90});
  EXPECT_NEAR(diagonal.X, diagonal.Y, 1e-9);
  const PointF level = ConstrainedEnd(ShapeKind::Arrow, {0, 0}, {100, 10});
  EXPECT_NEAR(level.Y, 0, 1e-9);
}

TEST(Markup, EveryChangeUndoesAndRedoesAndANewChangeDropsWhatWasUndone) {
  TMarkupHistory history;
  history.Add(Make(ShapeKind::Step, {{10, 10}}));
  Shape moved = *history.Shapes()[0];
  MoveShape(moved, 5, 5);
  history.Replace(0, moved);
  history.Replace(0, moved);  // no change, no step
  history.Add(Make(ShapeKind::Line, {{0, 0}, {9, 9}}));
  history.Remove(0);
  ASSERT_EQ(history.Shapes().size(), 1u);
  EXPECT_EQ(history.Shapes()[0]->Kind, ShapeKind::Line);
  ASSERT_TRUE(history.Undo());
  ASSERT_TRUE(history.Undo());
  EXPECT_EQ(history.Shapes()[0]->Points[0], (PointF{15, 15}));
  ASSERT_TRUE(history.Undo());
  EXPECT_EQ(history.Shapes()[0]->Points[0], (PointF{10, 10}));
  EXPECT_TRUE(history.Redo());
  history.Add(Make(ShapeKind::Pen, {{1, 1}}));
  EXPECT_FALSE(history.CanRedo()) << "a new change keeps what was undone";
  EXPECT_EQ(history.ShapeAt({15, 15}, 2), 0);
  EXPECT_EQ(history.NextStepNumber(), 1) << "steps are numbered from the highest present";
  while (history.Undo()) {
  }
  EXPECT_TRUE(history.Shapes().empty());
}

// A 60 x 40 picture, grey, with a black column at x = 30.
std::vector<uint8_t> Picture() {
  std::vector<uint8_t> pixels(60 * 40 * 4, 128);
  for (int y = 0; y < 40; ++y)
    for (int c = 0; c < 3; ++c) pixels[(y * 60 + 30) * 4 + c] = 0;
  return pixels;
}

TEST(Markup, ShapesAreDrawnIntoThePictureAndAMosaicLeavesNoPixelItsOwn) {
  std::vector<uint8_t> pixels = Picture();
  TMarkupHistory history;
  history.Add(Make(ShapeKind::Rectangle, {{5, 5}, {25, 25}}, 2));
  Shape marker = Make(ShapeKind::Marker, {{28, 20}, {34, 20}}, 6);
  marker.Ink = {255, 255, 0};
  history.Add(marker);
  history.Add(Make(ShapeKind::Mosaic, {{40, 0}, {60, 23}}));
  Shape over = Make(ShapeKind::Mosaic, {{29, 30}, {33, 40}});
  history.Add(over);
  DrawShapes(pixels.data(), 60, 40, 60 * 4, history.Shapes(), 10);
  const auto at = [&](int x, int y) { return &pixels[(y * 60 + x) * 4]; };
  EXPECT_EQ(at(5, 15)[2], 255) << "the rectangle's edge is not red";
  EXPECT_EQ(at(5, 15)[0], 0);
  EXPECT_EQ(at(15, 15)[2], 128) << "the rectangle's inside was painted";
  EXPECT_EQ(at(30, 20)[0], 0) << "black under the marker is still black";
  EXPECT_GT(at(29, 20)[2], at(29, 20)[0]) << "the marker is not yellow";
  // The 20 x 23 mosaic: two blocks of 10 across, two of 11 and 12 down, each one colour.
  for (int y = 0; y < 23; ++y)
    for (int x = 40; x < 60; ++x)
      EXPECT_EQ(at(x, y)[1], at(x < 50 ? 40 : 50, y < 11 ? 0 : 11)[1]) << x << ", " << y;
  // A mosaic narrower than a block is one block: the black column is averaged away.
  EXPECT_EQ(at(30, 35)[0], at(29, 35)[0]);
  EXPECT_NE(at(30, 35)[0], 0);
}

// Text and a step's number go through each system's fonts (on Windows, cairo's own): drawn, in the
// shape's colour and in white on the step's circle.
TEST(Markup, TextAndAStepsNumberAreDrawn) {
  std::vector<uint8_t> pixels = Picture();
  Shape text = Make(ShapeKind::Text, {{2, 2}}, 16);
  text.Text = L"中A\nB";
  Shape step = Make(ShapeKind::Step, {{45, 20}}, 12);
  step.Number = 7;
  TMarkupHistory history;
  history.Add(text);
  history.Add(step);
  DrawShapes(pixels.data(), 60, 40, 60 * 4, history.Shapes(), 10);
  int red = 0, white = 0;
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 60; ++x) {
      const uint8_t* p = &pixels[(y * 60 + x) * 4];
      red += x < 30 && p[2] > 200 && p[0] < 60;
      white += x >= 33 && p[0] > 200 && p[1] > 200 && p[2] > 200;
    }
  EXPECT_GT(red, 10) << "no text";
  EXPECT_GT(white, 5) << "no number on the step";
}

// A step's number leaves the drawing where it ended: an ellipse after it is not joined to it.
TEST(Markup, EachShapeIsDrawnOnItsOwn) {
  Shape step = Make(ShapeKind::Step, {{20, 20}}, 12);
  step.Number = 3;
  TMarkupHistory history;
  history.Add(step);
  history.Add(Make(ShapeKind::Ellipse, {{100, 100}, {140, 140}}, 2));
  std::vector<uint8_t> pixels(160 * 160 * 4, 255);
  DrawShapes(pixels.data(), 160, 160, 160 * 4, history.Shapes(), 10);
  int between = 0;
  for (int y = 40; y < 95; ++y)
    for (int x = 40; x < 135; ++x) between += pixels[(y * 160 + x) * 4] != 255;
  EXPECT_EQ(between, 0) << "a line joins the step and the ellipse";
}

// The overlay draws again only the damage of each change: the picture must come out byte for byte
// as if it had been drawn whole, whatever the order of editing. Each change below follows the one
// before, from a picture drawn whole.
TEST(Markup, DrawingOnlyTheDamageGivesThePictureDrawnWhole) {
  constexpr int kWidth = 120, kHeight = 80;
  std::vector<uint8_t> under(kWidth * kHeight * 4);
  for (size_t i = 0; i < under.size(); ++i) under[i] = static_cast<uint8_t>(i * 7 % 251);
  const auto share = [](Shape shape) { return std::make_shared<const Shape>(std::move(shape)); };
  const PointF origin{-10, -5};  // the picture's top-left among the shapes
  ShapeList shapes{share(Make(ShapeKind::Mosaic, {{10, 10}, {47, 41}})), share(Make(ShapeKind::Rectangle, {{0, 0}, {30, 30}})),
                   share(Make(ShapeKind::Marker, {{60, 60}, {100, 20}}, 14)), share(Make(ShapeKind::Mosaic, {{40, 35}, {70, 70}})),
                   share(Make(ShapeKind::Arrow, {{90, 70}, {20, 5}}, 3)), share(Make(ShapeKind::Arrow, {{48, 40}, {66, 66}}, 4))};
  std::vector<uint8_t> pixels = under;
  DrawShapes(pixels.data(), kWidth, kHeight, kWidth * 4, shapes, 10, origin);
  const std::vector<std::function<void(ShapeList&)>> changes = {
      [&](ShapeList& s) { s[1] = share(Make(ShapeKind::Rectangle, {{25, 20}, {55, 50}})); },  // into both mosaics
      [&](ShapeList& s) { s.erase(s.begin() + 2); },                                          // the marker deleted
      [&](ShapeList& s) { s[0] = share(Make(ShapeKind::Mosaic, {{60, 0}, {95, 30}})); },       // a mosaic moved
      [&](ShapeList& s) { s.push_back(share(Make(ShapeKind::Pen, {{0, 70}, {50, 60}, {80, 75}}, 6))); },
      // A line whose damage ends right beside the second mosaic, with an arrow over it, then gone
      // again: the mosaic must not be averaged again over the arrow.
      [&](ShapeList& s) { s.push_back(share(Make(ShapeKind::Line, {{20, 52}, {35, 52}}, 2))); },
      [&](ShapeList& s) { s.pop_back(); },
  };
  for (size_t c = 0; c < changes.size(); ++c) {
    ShapeList next = shapes;
    changes[c](next);
    RedrawChange(pixels, under, kWidth, kHeight, shapes, next, 10, origin);
    std::vector<uint8_t> whole = under;
    DrawShapes(whole.data(), kWidth, kHeight, kWidth * 4, next, 10, origin);
    int differ = 0;
    for (size_t i = 0; i < whole.size(); ++i) differ += i % 4 != 3 && whole[i] != pixels[i];
    EXPECT_EQ(differ, 0) << "change " << c;
    shapes = next;
  }
  EXPECT_EQ(Damage(shapes, shapes), RectF{});
}

}  // namespace
