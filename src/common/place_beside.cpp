#include "common/place_beside.h"

#include <algorithm>

Rect PlaceBeside(const Rect& region, int32_t width, int32_t height, const Rect& workArea, int32_t gap) {
  const auto clampTop = [&](int32_t top) { return std::clamp(top, workArea.Top, std::max(workArea.Top, workArea.Bottom - height)); };
  const auto clampLeft = [&](int32_t left) { return std::clamp(left, workArea.Left, std::max(workArea.Left, workArea.Right - width)); };
  if (region.Right + gap + width <= workArea.Right) {
    const int32_t top = clampTop(region.Top);
    return {region.Right + gap, top, region.Right + gap + width, top + height};
  }
  if (region.Left - gap - width >= workArea.Left) {
    const int32_t top = clampTop(region.Top);
    return {region.Left - gap - width, top, region.Left - gap, top + height};
  }
  if (region.Bottom + gap + height <= workArea.Bottom) {
    const int32_t left = clampLeft(region.Right - width);
    return {left, region.Bottom + gap, left + width, region.Bottom + gap + height};
  }
  if (region.Top - gap - height >= workArea.Top) {
    const int32_t left = clampLeft(region.Right - width);
    return {left, region.Top - gap - height, left + width, region.Top - gap};
  }
  const int32_t left = clampLeft(region.Right - gap - width), top = clampTop(region.Top + gap);
  return {left, top, left + width, top + height};
}
