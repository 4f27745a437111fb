// The selection box's geometry: eight 5x5 grips along a 5-pixel band, their hit codes, the frame
// and the region inside it. Window-free; all rectangles have exclusive Right and Bottom.
#pragma once

#include <array>
#include <cstdint>

#include "common/rect.h"

inline constexpr int32_t kGripSize = 5;
inline constexpr int32_t kStartBoxSize = 10;

// Hit-test codes as WM_NCHITTEST answers them.
inline constexpr int32_t kHtClient = 1, kHtLeft = 10, kHtRight = 11, kHtTop = 12, kHtTopLeft = 13,
                         kHtTopRight = 14, kHtBottom = 15, kHtBottomLeft = 16, kHtBottomRight = 17;

// Grips in order: top-left, top, top-right, right, bottom-right, bottom, bottom-left, left.
inline constexpr std::array<int32_t, 8> kGripHitCodes = {kHtTopLeft,     kHtTop,    kHtTopRight,   kHtRight,
                                                         kHtBottomRight, kHtBottom, kHtBottomLeft, kHtLeft};

// The grips of a box of this client size, in box coordinates.
std::array<Rect, 8> GripRects(int32_t width, int32_t height);

// The hit code of the grip under a point in box coordinates (the later grip where they overlap),
// or 0 where there is none: the band between grips and the inside are client area.
int32_t SizerHitTest(int32_t width, int32_t height, int32_t x, int32_t y);

// The blue frame, which is also the region a box selects: the box less its grip band.
Rect FrameRect(int32_t width, int32_t height);
Rect SelectionInside(const Rect& box);

// Virtual-key codes of the arrow keys.
inline constexpr int32_t kVkLeft = 0x25, kVkUp = 0x26, kVkRight = 0x27, kVkDown = 0x28;

// The box after an arrow key: it moves by 1 pixel (10 with Shift); with Ctrl its right or bottom
// edge moves instead (Left and Up shrink, Right and Down grow), never below kStartBoxSize. It stays
// within `bounds`. Other keys leave it as it is.
Rect KeyedBox(const Rect& box, int32_t key, bool shift, bool control, const Rect& bounds);

// The box a drag draws from the press to the cursor, in whichever direction, never smaller than
// the start box.
Rect DraggedBox(int32_t pressX, int32_t pressY, int32_t cursorX, int32_t cursorY);

// The rectangle the picture of a box is taken from: its frame line and what lies inside it, within
// a desktop of this size (a box round a window at the desktop's edge reaches past it).
Rect PictureRect(const Rect& box, int32_t desktopWidth, int32_t desktopHeight);
