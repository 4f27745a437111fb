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

// Whatever is styled, at any scale: every button once, none over another, all inside the bar, the
// second row below the first with the choices of what is styled (text sizes for text, none for a
// mosaic, which has no colour), every size grown with the scale.
TEST(MarkupBar, TheSecondRowFollowsWhatIsStyledAndEverythingScales) {
  const auto count = [](const std::vector<BarButton>& buttons, BarCommand command) {
    return static_cast<size_t>(
        std::count_if(buttons.begin(), buttons.end(), [&](const BarButton& b) { return b.Command == command; }));
  };
  for (const double scale : {1.0, 1.5, 2.0})
    for (const auto styled : {std::optional<ShapeKind>{}, std::optional{ShapeKind::Pen}, std::optional{ShapeKind::Text},
                              std::optional{ShapeKind::Mosaic}}) {
      const auto buttons = LayOutBar(scale, styled);
      const Rect bar = BarSize(buttons, scale);
      for (size_t i = 0; i < buttons.size(); ++i) {
        EXPECT_EQ(Intersection(buttons[i].Place, bar), buttons[i].Place) << "a button outside the bar";
        for (size_t j = i + 1; j < buttons.size(); ++j) {
          const Rect both = Intersection(buttons[i].Place, buttons[j].Place);
          EXPECT_TRUE(both.Width() <= 0 || both.Height() <= 0) << "buttons " << i << " and " << j << " overlap";
        }
      }
      for (int c = 0; c <= static_cast<int>(BarCommand::Cancel); ++c) EXPECT_EQ(count(buttons, static_cast<BarCommand>(c)), 1u);
      const bool text = styled == ShapeKind::Text, lines = styled && !text && styled != ShapeKind::Mosaic;
      EXPECT_EQ(count(buttons, BarCommand::Width), lines ? kLineWidths.size() : 0);
      EXPECT_EQ(count(buttons, BarCommand::Ink), lines || text ? kPalette.size() : 0);
      EXPECT_EQ(count(buttons, BarCommand::TextSize), text ? kTextSizes.size() : 0);
      for (const BarButton& b : buttons) {
        if (b.Command >= BarCommand::Width) {
          EXPECT_GE(b.Place.Top, buttons.front().Place.Bottom) << "not below the first row";
        }
      }
      const auto unscaled = LayOutBar(1, styled);
      EXPECT_NEAR(buttons.back().Place.Right, unscaled.back().Place.Right * scale, 2 * scale);
      EXPECT_NEAR(bar.Height(), BarSize(unscaled, 1).Height() * scale, 2 * scale);
    }
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
