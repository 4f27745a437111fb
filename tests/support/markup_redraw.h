// A change drawn again as the overlay draws it: only its damage, on a picture drawn before, with the
// picture under the shapes read from `under` (the frozen picture). Shared by a test and a fuzz target.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

#include "markup/render.h"

inline void RedrawChange(std::vector<uint8_t>& pixels, const std::vector<uint8_t>& under, int32_t width, int32_t height,
                         const ShapeList& before, const ShapeList& after, int32_t blockSize, PointF origin) {
  std::vector<uint8_t> scratch;
  RedrawDamage(pixels.data(), width, height, width * 4, after, blockSize, origin, Damage(before, after),
               [&](const Rect& area, int32_t& stride) {
                 stride = area.Width() * 4;
                 scratch.resize(static_cast<size_t>(stride) * area.Height());
                 for (int32_t y = area.Top; y < area.Bottom; ++y)
                   std::copy_n(&under[(static_cast<size_t>(y) * width + area.Left) * 4], stride,
                               &scratch[static_cast<size_t>(y - area.Top) * stride]);
                 return scratch.data();
               });
}
