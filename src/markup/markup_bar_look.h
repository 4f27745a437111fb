// The markup tool bar drawn into a picture in memory, by cairo: its panel and each button's icon.
// Window-free.
#pragma once

#include <cstdint>
#include <vector>

#include "markup/markup_bar_layout.h"
#include "markup/markup_style.h"
#include "markup/shapes.h"

struct BarState {
  std::optional<ShapeKind> Tool;
  std::optional<ShapeKind> Styled;  // what the second row styles: the tool, or the chosen shape
  MarkupStyle Style;
  int32_t Hot = -1;  // the button under the mouse
  bool CanUndo = false, CanRedo = false;
  bool Alone = false;  // no running Corvix to pin or read for (a command line's own start)
  bool operator==(const BarState&) const = default;
};

// Into 32-bit pixels (blue, green, red, unused), rows `stride` bytes apart.
void DrawBar(uint8_t* pixels, int32_t width, int32_t height, int32_t stride, const std::vector<BarButton>& buttons,
             double scale, const BarState& state);

// Draws a bar once in memory: the drawing library makes its one-time set-up (tables and caches,
// about 1 MB that stays) then, at start-up, rather than in the first overlay.
void PrepareBarDrawing();
