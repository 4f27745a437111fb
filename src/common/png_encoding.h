// PNG files from a pixel buffer: 8-bit RGB, no alpha, no interlace and no ancillary chunks, so every
// viewer shows exactly the captured pixels. Window-free.
#pragma once

#include <cstdint>
#include <vector>

#include "common/image_encoding.h"

// Compresses 24- or 32-bit pixels to PNG into `out` (cleared first). The picture is cut into
// horizontal strips, one per processor (a few at most); each strip is filtered and deflated on a
// thread of its own and the strips' streams are joined into the one the file holds. `strips` other
// than 0 asks for that many (at most one per row); without `threads` the strips are made one after
// another on the caller's thread, into the same file. Returns 0, -1 for pixels it cannot take, or
// zlib's error code.
int EncodePng(const PixelView& pixels, std::vector<uint8_t>& out, int strips = 0, bool threads = true);

// zlib's level: its fast matcher, about as small as libpng's default on screens (within 10%).
inline constexpr int kPngLevel = 2;
