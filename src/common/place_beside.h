// Where a small window (a panel, a result) stands beside a region of the screen. Window-free.
#pragma once

#include <cstdint>

#include "common/rect.h"

// A window of this size `gap` away: right of the region, else left, below or above it, within the
// work area; inside the region's top-right corner where there is room on no side.
Rect PlaceBeside(const Rect& region, int32_t width, int32_t height, const Rect& workArea, int32_t gap);
