// The long picture as the panel shows it while it grows: scaled to the preview's width, its newest
// rows at the bottom when it is taller than the preview. Window-free.
#pragma once

#include <cstdint>

#include "scrolling/long_picture.h"

// Fills `out` (width x height 32-bit pixels, top row first); what the picture does not reach is
// `background`. Each pixel is the mean of four samples of the part it stands for.
void DrawPreview(const TLongPicture& picture, int32_t width, int32_t height, uint32_t background, uint32_t* out);
