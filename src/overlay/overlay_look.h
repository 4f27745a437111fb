// The overlay's colours: its accent (a window's outline, a chosen shape's grips and frame, the
// magnifier's cross-hair) and the box's frame line, which an accepted picture carries.
#pragma once

#include <windows.h>

inline constexpr COLORREF kOverlayAccent = RGB(0, 120, 215);
inline constexpr COLORREF kFrameLine = RGB(0, 0, 255);
