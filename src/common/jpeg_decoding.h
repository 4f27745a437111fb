// JPEG files read back into pixels (a saved picture shown again), by libjpeg-turbo. Window-free.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

// Decodes `file` into 32-bit blue-green-red-255 rows, the bottom row first as a DIB keeps them,
// scaled down by 1, 2, 4 or 8 (`shrink`) as the library decodes it. Once the header is read,
// `rowsFor(width, height, stride)` gives the memory for the rows, or null when it has none. False
// for anything that is not a whole JPEG file of at most `maxPixels` pixels.
bool DecodeJpegBgrx(const uint8_t* file, size_t size, int shrink, int64_t maxPixels,
                    const std::function<uint8_t*(int32_t width, int32_t height, int32_t stride)>& rowsFor);
