#include "overlay/box_geometry.h"

#include <algorithm>

#include <cstddef>

std::array<Rect, 8> GripRects(int32_t w, int32_t h) {
  const int32_t g = kGripSize, midX = w / 2, midY = h / 2;
  return {{
      {0, 0, g, g},                  // top-left
      {midX - 3, 0, midX + 2, g},    // top
      {w - g, 0, w, g},              // top-right
      {w - g, midY - 3, w, midY + 2},  // right
      {w - g, h - g, w, h},          // bottom-right
      {midX - 3, h - g, midX + 2, h},  // bottom
      {0, h - g, g, h},              // bottom-left
      {0, midY - 3, g, midY + 2},    // left
  }};
}

int32_t SizerHitTest(int32_t width, int32_t height, int32_t x, int32_t y) {
  const std::array<Rect, 8> grips = GripRects(width, height);
  int32_t code = 0;
  for (std::size_t i = 0; i < grips.size(); ++i)
    if (grips[i].Contains(x, y)) code = kGripHitCodes[i];
  return code;
}

Rect FrameRect(int32_t width, int32_t height) {
  return {kGripSize, kGripSize, width - kGripSize, height - kGripSize};
}

Rect SelectionInside(const Rect& box) {
  return {box.Left + kGripSize, box.Top + kGripSize, box.Right - kGripSize, box.Bottom - kGripSize};
}

Rect KeyedBox(const Rect& box, int32_t key, bool shift, bool control, const Rect& bounds) {
  const int32_t step = shift ? 10 : 1;
  const int32_t dx = key == kVkLeft ? -step : key == kVkRight ? step : 0;
  const int32_t dy = key == kVkUp ? -step : key == kVkDown ? step : 0;
  Rect next = box;
  if (control) {
    next.Right = std::clamp(box.Right + dx, std::min(box.Left + kStartBoxSize, box.Right), std::max(bounds.Right, box.Right));
    next.Bottom =
        std::clamp(box.Bottom + dy, std::min(box.Top + kStartBoxSize, box.Bottom), std::max(bounds.Bottom, box.Bottom));
    return next;
  }
  // A move stops at the edges; a box larger than the bounds does not move that way.
  const int32_t x = std::clamp(box.Left + dx, std::min(bounds.Left, box.Left), std::max(bounds.Right - box.Width(), box.Left));
  const int32_t y = std::clamp(box.Top + dy, std::min(bounds.Top, box.Top), std::max(bounds.Bottom - box.Height(), box.Top));
  return {x, y, x + box.Width(), y + box.Height()};
}

Rect PictureRect(const Rect& box, int32_t desktopWidth, int32_t desktopHeight) {
  const Rect framed = SelectionInside(box);
  return {std::max(framed.Left, 0), std::max(framed.Top, 0), std::min(framed.Right, desktopWidth),
          std::min(framed.Bottom, desktopHeight)};
}

Rect DraggedBox(int32_t pressX, int32_t pressY, int32_t cursorX, int32_t cursorY) {
  const int32_t left = std::min(pressX, cursorX), top = std::min(pressY, cursorY);
  return {left, top, std::max(std::max(pressX, cursorX), left + kStartBoxSize),
          std::max(std::max(pressY, cursorY), top + kStartBoxSize)};
}
