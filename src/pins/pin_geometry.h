// A pin's zoom and opacity steps and where a zoom puts it. Window-free.
#pragma once

#include <cstdint>

#include "common/rect.h"

// Zoom in per cent of the picture's own pixels, from 10 to 500; the wheel moves one step. 100 is
// always a step, so zooming back gives the exact picture.
inline constexpr int32_t kPinZooms[] = {10, 20, 25, 33, 50, 67, 75, 90, 100, 110, 125, 150, 175, 200, 250, 300, 400, 500};
int32_t NextZoom(int32_t zoom, int32_t wheelSteps);

// Opacity in per cent, 10 to 100 in steps of 10 with Ctrl+wheel.
int32_t NextOpacity(int32_t opacity, int32_t wheelSteps);

// The picture's size at a zoom (at least 1 x 1).
int32_t Zoomed(int32_t pixels, int32_t zoom);

// The pin's place after a zoom to `to`: the picture's point under the cursor stays under it.
// `place` is the pin's picture area on the screen now.
Rect ZoomedPlace(const Rect& place, int32_t pictureWidth, int32_t pictureHeight, int32_t to, int32_t cursorX,
                 int32_t cursorY);

// A picture this size centred on a monitor's work area; one larger than it, from its top-left.
Rect Centred(const Rect& area, int32_t width, int32_t height);
