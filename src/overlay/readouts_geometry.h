// Where the overlay's size label and magnifier go, and what the label says. Window-free; rectangles
// in overlay client coordinates with exclusive Right and Bottom.
#pragma once

#include <cstdint>
#include <string>

#include "common/rect.h"

// The size the accepted picture will have, as the label shows it: "200 x 160".
std::wstring SizeLabelText(int32_t width, int32_t height);

// A colour as the magnifier shows it and C copies it: "#1E90FF", or "RGB(30, 144, 255)".
std::wstring ColourText(uint8_t red, uint8_t green, uint8_t blue, bool hex);

// A label of this size next to the box, outside it: above its top-left corner; below its
// bottom-left corner where there is no room above; inside the screen's edge where there is none
// below either. Always within `screen`.
Rect SizeLabelRect(const Rect& box, int32_t width, int32_t height, const Rect& screen);

// How far the magnifier keeps from the cursor's hot spot: more than half the largest cursor.
inline constexpr int32_t kMagnifierGap = 24;

// The magnifier, `width` x `height`, `gap` away from the cursor (kMagnifierGap at 96 DPI): below and
// to its right, flipped to the left or above where the screen ends, so it never covers the cursor.
Rect MagnifierRect(int32_t cursorX, int32_t cursorY, int32_t width, int32_t height, const Rect& screen,
                   int32_t gap = kMagnifierGap);
