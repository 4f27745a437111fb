// The drawing tools: presses, drags and typing turned into shapes and history steps.
#include <gtest/gtest.h>

#include "markup/editor.h"

namespace {

size_t Count(const TMarkupEditor& editor) { return editor.History().Shapes().size(); }
const Shape& Last(const TMarkupEditor& editor) { return *editor.History().Shapes().back(); }

void DragWith(TMarkupEditor& editor, PointF from, PointF to, bool shift = false) {
  editor.Press(from, true);
  editor.Drag({(from.X + to.X) / 2, (from.Y + to.Y) / 2}, shift);
  editor.Drag(to, shift);
  editor.Release();
}

TEST(TMarkupEditor, EachDragToolDrawsOneChosenShapeAndAClickDrawsNothing) {
  for (const ShapeKind kind : {ShapeKind::Rectangle, ShapeKind::Ellipse, ShapeKind::Arrow, ShapeKind::Line,
                               ShapeKind::Pen, ShapeKind::Marker, ShapeKind::Mosaic}) {
    TMarkupEditor editor(1.5);
    editor.ChooseTool(kind);
    DragWith(editor, {10, 10}, {90, 50});
    ASSERT_EQ(Count(editor), 1u) << static_cast<int>(kind);
    EXPECT_EQ(Last(editor).Kind, kind);
    EXPECT_EQ(Last(editor).Points.back(), (PointF{90, 50}));
    EXPECT_EQ(Last(editor).Ink, kPalette[0]);
    EXPECT_TRUE(editor.ChosenBounds().has_value());
    editor.Press({300, 300}, true);  // a click elsewhere: nothing new, except a dot of a stroke
    editor.Release();
    EXPECT_EQ(Count(editor), kind == ShapeKind::Pen || kind == ShapeKind::Marker ? 2u : 1u);
  }
  TMarkupEditor editor;
  editor.ChooseTool(ShapeKind::Rectangle);
  EXPECT_FALSE(editor.Press({5, 5}, false)) << "a press outside the picture draws";
  DragWith(editor, {0, 0}, {40, 10}, true);
  EXPECT_EQ(Last(editor).Points.back(), (PointF{40, 40})) << "Shift holds a square";
  EXPECT_DOUBLE_EQ(Last(editor).Width, kLineWidths[1]);
}

TEST(TMarkupEditor, AShapeIsChosenMovedResizedRestyledAndDeletedEachAsOneStep) {
  TMarkupEditor editor;
  editor.ChooseTool(ShapeKind::Rectangle);
  DragWith(editor, {10, 10}, {60, 40});
  editor.ChooseTool(std::nullopt);
  EXPECT_FALSE(editor.Press({30, 25}, true)) << "the inside of an outline is the box's";
  EXPECT_FALSE(editor.ChosenBounds());
  DragWith(editor, {10, 25}, {20, 35});  // its edge: moved by (10, 10)
  EXPECT_EQ(Last(editor).Points, (std::vector<PointF>{{20, 20}, {70, 50}}));
  DragWith(editor, {70, 50}, {100, 80});  // its bottom-right grip
  EXPECT_EQ(Last(editor).Points, (std::vector<PointF>{{20, 20}, {100, 80}}));
  editor.SetStyle({2, 9, 0});
  EXPECT_EQ(Last(editor).Ink, kPalette[9]);
  EXPECT_DOUBLE_EQ(Last(editor).Width, kLineWidths[2]);
  EXPECT_TRUE(editor.DeleteChosen());
  EXPECT_EQ(Count(editor), 0u);
  // Draw, move, resize, restyle, delete: five steps back to the blank picture, and forward again.
  for (int i = 0; i < 5; ++i) EXPECT_TRUE(editor.Undo());
  EXPECT_FALSE(editor.Undo());
  for (int i = 0; i < 5; ++i) EXPECT_TRUE(editor.Redo());
  EXPECT_EQ(Count(editor), 0u);
  EXPECT_EQ(TMarkupEditor(1, {7, -3, 99}).Style(), (MarkupStyle{2, 0, 2})) << "a stored style out of range";
}

TEST(TMarkupEditor, TextIsTypedEditedAgainAndDroppedWhenEmpty) {
  TMarkupEditor editor;
  editor.ChooseTool(ShapeKind::Text);
  ASSERT_TRUE(editor.Press({10, 10}, true));
  for (const wchar_t c : std::wstring(L"ab\r中\U0001F600")) editor.Type(c);
  editor.Type(L'\b');  // the pair goes as one character
  editor.Type(L'\x1b');
  EXPECT_TRUE(editor.Typing());
  EXPECT_GT(editor.Caret().Top, 10) << "the caret is not on the second line";
  editor.Press({200, 200}, true);  // a click elsewhere ends it and places the next
  EXPECT_EQ(Last(editor).Text, L"ab\n中");
  editor.EndTyping();
  EXPECT_EQ(Count(editor), 1u) << "an empty text is kept";
  ASSERT_TRUE(editor.DoubleClick({12, 12}));
  for (int i = 0; i < 4; ++i) editor.Type(L'\b');
  editor.EndTyping();
  EXPECT_EQ(Count(editor), 0u) << "a text emptied is not removed";
  EXPECT_TRUE(editor.Undo());
  EXPECT_EQ(Last(editor).Text, L"ab\n中");
}

TEST(TMarkupEditor, StepsCountOnFromTheHighest) {
  TMarkupEditor editor;
  editor.ChooseTool(ShapeKind::Step);
  for (const double x : {20.0, 80.0, 140.0}) {
    editor.Press({x, 20}, true);
    editor.Release();
  }
  editor.ChooseTool(std::nullopt);
  editor.Press({80, 20}, true);
  editor.Release();
  editor.DeleteChosen();
  editor.ChooseTool(ShapeKind::Step);
  editor.Press({200, 20}, true);
  EXPECT_EQ(Last(editor).Number, 4);
}

}  // namespace
