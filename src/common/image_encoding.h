// Windows bitmap (BMP) and JPEG files from a pixel buffer. Window-free.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

// Rows of pixels in memory, in the byte order of Windows DIBs (blue, green, red[, unused]).
struct PixelView {
  int Width = 0;
  int Height = 0;
  int BitsPerPixel = 32;        // 24 or 32 for JPEG
  const uint8_t* Pixels = nullptr;
  size_t Stride = 0;            // bytes from one row to the next
  bool TopDown = true;          // the first row in memory is the top of the picture
};

// Bytes in one BMP row: padded to a multiple of 4.
size_t BmpRowBytes(int width, int bitsPerPixel);

// How many header bytes come before a BMP's pixels: file header, information header, then the
// colour masks (16 bits) or the colour table (8 bits and less).
size_t BmpHeaderBytes(int bitsPerPixel);

// Writes the headers for a BMP whose rows follow them bottom-up (BmpHeaderBytes long). `masks`
// (red, green, blue) is used for 16 bits, `palette` (0x00RRGGBB entries, 2^bits of them) for 8 bits
// and less.
void WriteBmpHeaders(uint8_t* out, int width, int height, int bitsPerPixel,
                     std::span<const uint32_t> masks, std::span<const uint32_t> palette);

// A packed 24-bit DIB, as the clipboard's CF_DIB holds one: the information header, then the rows
// bottom-up, each padded to 4 bytes. Empty for pixels other than 24 or 32 bits.
std::vector<uint8_t> PackedDib24(const PixelView& pixels);

// Compresses 24- or 32-bit pixels to JPEG, appended to `out` (cleared first): JFIF, quality 90 with
// baseline tables, three colour components, sequential, rows from the top. Returns 0, or the
// library's message number when it failed.
int EncodeJpeg(const PixelView& pixels, std::vector<uint8_t>& out);

inline constexpr int kJpegQuality = 90;
