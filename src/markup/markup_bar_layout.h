// The markup tool bar's buttons, where each stands and where the bar stands by the box.
// Window-free; rectangles in pixels with exclusive Right and Bottom.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "common/rect.h"
#include "markup/shapes.h"

enum class BarCommand : uint8_t {
  Rectangle, Ellipse, Arrow, Line, Pen, Marker, Text, Step, Mosaic,  // the tools, in ShapeKind's order
  Undo, Redo, Pin, Scroll, ReadText, Copy, SaveAs, Done, Cancel,
  Width, Ink, TextSize  // the second row; the button's Index says which
};

struct BarButton {
  BarCommand Command;
  int32_t Index = 0;  // the width, colour or text size in the second row
  Rect Place;
};

// The tool a button chooses, if it is a tool's.
std::optional<ShapeKind> ToolOf(BarCommand command);
// The tooltip: the name and its key, "矩形 (R)".
// A button's tooltip; `alone` (no running Corvix: a command line's own start), the reason 钉在屏幕
// and 识别文字 are greyed.
const wchar_t* ButtonTip(BarCommand command, bool alone = false);
// Whether the command is offered: without a running Corvix, a pin would close with the start that
// made it and a reading with its window.
bool Offered(BarCommand command, bool alone);
// The command a key gives (`key` a virtual-key code), as the tooltips name them: a tool's letter,
// S for a scrolling capture, O to read the text, Ctrl+Z (Ctrl+Shift+Z and Ctrl+Y redo), Ctrl+C, Ctrl+S, F3. Enter and Esc are the overlay's own.
std::optional<BarCommand> KeyCommand(int32_t key, bool control, bool shift);

// Sizes at 96 DPI.
inline constexpr int32_t kBarButton = 28, kBarPadding = 4, kBarGroupGap = 8, kBarGap = 6;

// The buttons at this scale (DPI / 96): the first row, and the second below it when there is a kind
// of shape to style (text sizes instead of widths for text). The bar is as large as their union plus padding.
std::vector<BarButton> LayOutBar(double scale, std::optional<ShapeKind> styled);
Rect BarSize(const std::vector<BarButton>& buttons, double scale);

// Where a bar of this size stands by the box: below its bottom edge, right-aligned; above where
// there is no room below; inside the box at the screen's edge where there is room neither side.
// Always within `screen`.
Rect BarPlace(const Rect& box, int32_t width, int32_t height, const Rect& screen, int32_t gap);
