#include "common/image_encoding.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>

#include <jpeglib.h>

namespace {

void PutLe16(uint8_t*& at, uint16_t value) {
  *at++ = static_cast<uint8_t>(value);
  *at++ = static_cast<uint8_t>(value >> 8);
}

void PutLe32(uint8_t*& at, uint32_t value) {
  PutLe16(at, static_cast<uint16_t>(value));
  PutLe16(at, static_cast<uint16_t>(value >> 16));
}

size_t PaletteEntries(int bitsPerPixel) { return bitsPerPixel <= 8 ? size_t{1} << bitsPerPixel : 0; }

constexpr size_t kFileHeaderBytes = 14;
constexpr size_t kInfoHeaderBytes = 40;
constexpr uint32_t kBiRgb = 0, kBiBitfields = 3;

// libjpeg hands control back here on an error instead of ending the process.
struct ErrorManager {
  jpeg_error_mgr base;
  std::jmp_buf escape;
};

void OnJpegError(j_common_ptr info) { std::longjmp(reinterpret_cast<ErrorManager*>(info->err)->escape, 1); }
void SilenceJpegMessage(j_common_ptr) {}

// A destination that grows a std::vector: the caller reuses its capacity between pictures.
struct VectorDestination {
  jpeg_destination_mgr base;
  std::vector<uint8_t>* out;
  size_t used;
};

constexpr size_t kJpegChunk = 256 * 1024;

void DestinationInit(j_compress_ptr info) {
  auto* dest = reinterpret_cast<VectorDestination*>(info->dest);
  dest->used = 0;
  // All the capacity earlier pictures left behind is used before anything grows.
  dest->out->resize(std::max(dest->out->capacity(), kJpegChunk));
  dest->base.next_output_byte = dest->out->data();
  dest->base.free_in_buffer = dest->out->size();
}

boolean DestinationGrow(j_compress_ptr info) {
  auto* dest = reinterpret_cast<VectorDestination*>(info->dest);
  dest->used = dest->out->size();  // libjpeg filled the whole buffer
  dest->out->resize(dest->out->size() * 2);
  dest->base.next_output_byte = dest->out->data() + dest->used;
  dest->base.free_in_buffer = dest->out->size() - dest->used;
  return TRUE;
}

void DestinationTerm(j_compress_ptr info) {
  auto* dest = reinterpret_cast<VectorDestination*>(info->dest);
  dest->out->resize(dest->out->size() - dest->base.free_in_buffer);
}

// Kept apart from objects with destructors, which a longjmp would skip.
int Compress(jpeg_compress_struct& info, ErrorManager& errors, const PixelView& pixels, VectorDestination& dest) {
  if (setjmp(errors.escape)) {
    const int code = errors.base.msg_code;
    jpeg_destroy_compress(&info);
    return code != 0 ? code : -1;
  }
  jpeg_create_compress(&info);
  info.dest = &dest.base;
  info.image_width = static_cast<JDIMENSION>(pixels.Width);
  info.image_height = static_cast<JDIMENSION>(pixels.Height);
  // The screen's own byte order goes in as it is: no conversion pass of ours.
  info.input_components = pixels.BitsPerPixel == 32 ? 4 : 3;
  info.in_color_space = pixels.BitsPerPixel == 32 ? JCS_EXT_BGRX : JCS_EXT_BGR;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, kJpegQuality, TRUE);
  jpeg_start_compress(&info, TRUE);
  while (info.next_scanline < info.image_height) {
    const size_t row = pixels.TopDown ? info.next_scanline : pixels.Height - 1 - info.next_scanline;
    JSAMPROW line = const_cast<JSAMPROW>(pixels.Pixels + row * pixels.Stride);
    jpeg_write_scanlines(&info, &line, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  return 0;
}

}  // namespace

size_t BmpRowBytes(int width, int bitsPerPixel) {
  return ((static_cast<size_t>(width) * static_cast<size_t>(bitsPerPixel) + 31) / 32) * 4;
}

size_t BmpHeaderBytes(int bitsPerPixel) {
  return kFileHeaderBytes + kInfoHeaderBytes + (bitsPerPixel == 16 ? 12 : 0) + PaletteEntries(bitsPerPixel) * 4;
}

void WriteBmpHeaders(uint8_t* out, int width, int height, int bitsPerPixel, std::span<const uint32_t> masks,
                     std::span<const uint32_t> palette) {
  const size_t headerBytes = BmpHeaderBytes(bitsPerPixel);
  const size_t pixelBytes = BmpRowBytes(width, bitsPerPixel) * static_cast<size_t>(height);
  uint8_t* at = out;
  *at++ = 'B';
  *at++ = 'M';
  PutLe32(at, static_cast<uint32_t>(headerBytes + pixelBytes));
  PutLe32(at, 0);  // reserved
  PutLe32(at, static_cast<uint32_t>(headerBytes));
  PutLe32(at, kInfoHeaderBytes);
  PutLe32(at, static_cast<uint32_t>(width));
  PutLe32(at, static_cast<uint32_t>(height));  // positive: bottom-up rows
  PutLe16(at, 1);
  PutLe16(at, static_cast<uint16_t>(bitsPerPixel));
  PutLe32(at, bitsPerPixel == 16 ? kBiBitfields : kBiRgb);
  PutLe32(at, static_cast<uint32_t>(pixelBytes));
  PutLe32(at, 0);  // horizontal resolution: unspecified
  PutLe32(at, 0);
  PutLe32(at, static_cast<uint32_t>(PaletteEntries(bitsPerPixel)));
  PutLe32(at, 0);
  if (bitsPerPixel == 16)
    for (size_t i = 0; i < 3; ++i) PutLe32(at, i < masks.size() ? masks[i] : 0);
  for (size_t i = 0; i < PaletteEntries(bitsPerPixel); ++i) PutLe32(at, i < palette.size() ? palette[i] : 0);
}

std::vector<uint8_t> PackedDib24(const PixelView& pixels) {
  if ((pixels.BitsPerPixel != 24 && pixels.BitsPerPixel != 32) || pixels.Width <= 0 || pixels.Height <= 0) return {};
  const size_t rowBytes = BmpRowBytes(pixels.Width, 24);
  uint8_t headers[kFileHeaderBytes + kInfoHeaderBytes];
  WriteBmpHeaders(headers, pixels.Width, pixels.Height, 24, {}, {});
  std::vector<uint8_t> dib(kInfoHeaderBytes + rowBytes * static_cast<size_t>(pixels.Height));
  std::memcpy(dib.data(), headers + kFileHeaderBytes, kInfoHeaderBytes);  // no file header on the clipboard
  const int step = pixels.BitsPerPixel / 8;
  for (int y = 0; y < pixels.Height; ++y) {  // y counts the DIB's rows, from the bottom
    const size_t from = pixels.TopDown ? static_cast<size_t>(pixels.Height - 1 - y) : static_cast<size_t>(y);
    const uint8_t* in = pixels.Pixels + from * pixels.Stride;
    uint8_t* out = dib.data() + kInfoHeaderBytes + static_cast<size_t>(y) * rowBytes;
    for (int x = 0; x < pixels.Width; ++x, in += step, out += 3) std::memcpy(out, in, 3);
  }
  return dib;
}

int EncodeJpeg(const PixelView& pixels, std::vector<uint8_t>& out) {
  if (pixels.BitsPerPixel != 24 && pixels.BitsPerPixel != 32) return -1;
  jpeg_compress_struct info{};
  ErrorManager errors{};
  info.err = jpeg_std_error(&errors.base);
  errors.base.error_exit = OnJpegError;
  errors.base.output_message = SilenceJpegMessage;
  VectorDestination dest{};
  dest.base.init_destination = DestinationInit;
  dest.base.empty_output_buffer = DestinationGrow;
  dest.base.term_destination = DestinationTerm;
  dest.out = &out;
  return Compress(info, errors, pixels, dest);
}
