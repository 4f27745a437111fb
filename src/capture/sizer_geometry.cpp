#include "capture/sizer_geometry.h"

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
