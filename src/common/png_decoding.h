// PNG files read back into pixels (a picture another program put on the clipboard), by libpng:
// every colour type, depth and interlace it knows. Window-free.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

enum class PngRead { Ok, NotPng, TooLarge, Broken };

// The largest picture read, in pixels (8192 x 8192): its rows take 256 MB.
inline constexpr int64_t kPngMaxPixels = int64_t{1} << 26;

// Decodes `file` into 32-bit blue-green-red-255 rows, the bottom row first as a DIB keeps them (and
// as Wine reports every DIB section), see-through parts laid on white as a paint program shows them. Once the header is read, `rowsFor(width, height, stride)` gives
// the memory for them, `stride` (width x 4) bytes from a row to the next, or null when it has none;
// nothing else is allocated for the pixels. Broken: the file stopped being a PNG after its header,
// or no memory.
PngRead DecodePngBgrx(const uint8_t* file, size_t size,
                     const std::function<uint8_t*(int32_t width, int32_t height, int32_t stride)>& rowsFor);
