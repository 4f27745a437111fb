// The markup tool bar's buttons and its place by the box.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "markup/markup_bar_layout.h"

namespace {

TEST(MarkupBar, TheBarStandsBelowTheBoxThenAboveThenInside) {
  const Rect screen{0, 0, 1000, 800};
  struct Case {
    Rect box, want;
  } cases[] = {
      {{100, 100, 500, 400}, {300, 406, 500, 446}},   // below, right-aligned
      {{100, 500, 500, 780}, {300, 454, 500, 494}},   // above
      {{0, 0, 1000, 800}, {800, 754, 1000, 794}},     // inside, at the screen's edge
      {{10, 100, 60, 200}, {0, 206, 200, 246}},       // never off the screen's left
  };
  for (const Case& c : cases) EXPECT_EQ(BarPlace(c.box, 200, 40, screen, 6), c.want) << c.box.Left << "," << c.box.Top;
}

TEST(MarkupBar, TheSecondRowFollowsWhatIsStyledAndEverythingScales) {
  const auto count = [](const std::vector<BarButton>& buttons, BarCommand command) {
    return std::count_if(buttons.begin(), buttons.end(), [&](const BarButton& b) { return b.Command == command; });
  };
  const auto plain = LayOutBar(1, std::nullopt);
  EXPECT_EQ(plain.size(), 16u);
  EXPECT_EQ(BarSize(plain, 1), (Rect{0, 0, 4 + 16 * 28 + 2 * 8 + 4, 36}));
  const auto pen = LayOutBar(1, ShapeKind::Pen), text = LayOutBar(1, ShapeKind::Text);
  EXPECT_EQ(count(pen, BarCommand::Width), 3);
  EXPECT_EQ(count(pen, BarCommand::Ink), 10);
  EXPECT_EQ(count(text, BarCommand::TextSize), 3);
  EXPECT_EQ(count(text, BarCommand::Width), 0);
  EXPECT_EQ(LayOutBar(1, ShapeKind::Mosaic).size(), 16u) << "a mosaic has no colour";
  EXPECT_EQ(BarSize(LayOutBar(1.5, ShapeKind::Pen), 1.5).Height(), 6 + 2 * 42 + 6);
  EXPECT_EQ(ToolOf(BarCommand::Marker), ShapeKind::Marker);
  EXPECT_FALSE(ToolOf(BarCommand::Undo));
}

// Each tooltip names the key that gives its command: a letter, Ctrl and a letter, or F3; Enter and
// Esc are the overlay's own.
TEST(MarkupBar, EveryKeyATooltipNamesGivesItsCommand) {
  for (int c = 0; c <= static_cast<int>(BarCommand::Cancel); ++c) {
    const auto command = static_cast<BarCommand>(c);
    const std::wstring tip = ButtonTip(command);
    const std::wstring key = tip.substr(tip.find(L'(') + 1, tip.size() - tip.find(L'(') - 2);
    if (key == L"Enter" || key == L"Esc") continue;
    const bool control = key.starts_with(L"Ctrl+");
    const int32_t code = key == L"F3" ? 0x72 : key.back();
    EXPECT_EQ(KeyCommand(code, control, false), command) << c;
    EXPECT_FALSE(KeyCommand(code, !control, false) == command) << c << ": without or with Ctrl too";
  }
  EXPECT_EQ(KeyCommand('Z', true, true), BarCommand::Redo);
  EXPECT_FALSE(KeyCommand('X', false, false));
}

}  // namespace
