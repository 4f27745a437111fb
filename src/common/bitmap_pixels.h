// A bitmap's pixels, read for encoding. Win32 glue.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

#include "common/image_encoding.h"

// The bitmap's pixels at 24 or 32 bits. The view owns nothing; what it shows belongs to one of two:
// - a 24- or 32-bit DIB section (as the capture sources make them): the section's own memory, read
//   where it lies; the view holds while the bitmap lives and nothing draws on it;
// - any other bitmap: `copy`, which GetDIBits fills (32-bit pixels as they are, any other depth as
//   24-bit); the view holds while `copy` is left alone. The caller keeps `copy` to reuse its memory.
// Raises "Cannot read the picture's pixels".
PixelView BitmapPixels(HBITMAP bitmap, std::vector<uint8_t>& copy);

// The BMP file of the bitmap at its own colour depth (24-bit for a depth BMP has not), into `file`.
// Raises "Cannot read the picture's pixels".
void BitmapBmpFile(HBITMAP bitmap, std::vector<uint8_t>& file);
