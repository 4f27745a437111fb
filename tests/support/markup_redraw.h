// A change drawn again as the overlay draws it: only its damage, on a picture drawn before, with the
// picture under the shapes read from `under` (the frozen picture). Shared by a test and a fuzz target.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

#include "markup/render.h"

inline void RedrawChange(std::vector<uint8_t>& pixels, const std::vector<uint8_t>& under, int32_t width, int32_t height,
                         const ShapeList& before, const ShapeList& after, int32_t blockSize, PointF origin) {
  const Rect part = DamagedPart(Damage(before, after), origin, width, height);
  if (part.Width() <= 0 || part.Height() <= 0) return;
  const Rect area = RedrawArea(after, origin, width, height, part);
  std::vector<uint8_t> scratch(static_cast<size_t>(area.Width()) * area.Height() * 4);
  for (int32_t y = area.Top; y < area.Bottom; ++y)
    std::copy_n(&under[(static_cast<size_t>(y) * width + area.Left) * 4], static_cast<size_t>(area.Width()) * 4,
                &scratch[static_cast<size_t>(y - area.Top) * area.Width() * 4]);
  RedrawPart(pixels.data(), width * 4, after, blockSize, origin, part, scratch.data(), area.Width() * 4, area);
}
