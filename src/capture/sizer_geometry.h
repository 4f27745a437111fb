// The selection box's geometry: eight 5x5 grips along a 5-pixel band, their hit codes, the frame
// and the region inside it. Window-free; all rectangles have exclusive Right and Bottom.
#pragma once

#include <array>
#include <cstdint>

struct Rect {
  int32_t Left = 0, Top = 0, Right = 0, Bottom = 0;
  int32_t Width() const { return Right - Left; }
  int32_t Height() const { return Bottom - Top; }
  bool Contains(int32_t x, int32_t y) const { return Left <= x && x < Right && Top <= y && y < Bottom; }
  bool operator==(const Rect&) const = default;
};

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
