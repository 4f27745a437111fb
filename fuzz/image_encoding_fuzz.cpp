// Picture files: small pictures of any shape and content, at every depth, give a BMP whose headers
// describe exactly the bytes that follow, a JPEG that decodes to the same size and, within the loss
// of quality 90, the same picture, and a PNG, cut into any number of strips, that decodes to
// exactly the same pixels.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "common/image_encoding.h"
#include "common/png_encoding.h"
#include "fuzz_support.h"
#include "support/decode_jpeg.h"
#include "support/decode_png.h"

namespace {

uint32_t Read32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24; }
uint16_t Read16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

void CheckBmp(FuzzedDataProvider& data, int width, int height) {
  static constexpr int kDepths[] = {1, 4, 8, 16, 24, 32};
  const int bits = kDepths[data.ConsumeIntegralInRange<size_t>(0, 5)];
  const size_t header = BmpHeaderBytes(bits), stride = BmpRowBytes(width, bits);
  FUZZ_CHECK(stride % 4 == 0 && stride * 8 >= static_cast<size_t>(width) * bits);
  std::vector<uint32_t> palette(256);
  const std::vector<uint8_t> entries = data.ConsumeBytes<uint8_t>(palette.size() * 3);
  for (size_t i = 0; i * 3 + 2 < entries.size(); ++i)
    palette[i] = entries[i * 3] | entries[i * 3 + 1] << 8 | static_cast<uint32_t>(entries[i * 3 + 2]) << 16;
  const uint32_t masks[3] = {0xF800, 0x07E0, 0x001F};
  std::vector<uint8_t> file(header + stride * height);
  WriteBmpHeaders(file.data(), width, height, bits, masks, palette);

  FUZZ_CHECK(file[0] == 'B' && file[1] == 'M');
  FUZZ_CHECK(Read32(&file[2]) == file.size());
  FUZZ_CHECK(Read32(&file[10]) == header);
  FUZZ_CHECK(Read32(&file[14]) == 40);
  FUZZ_CHECK(static_cast<int32_t>(Read32(&file[18])) == width && static_cast<int32_t>(Read32(&file[22])) == height);
  FUZZ_CHECK(Read16(&file[26]) == 1 && Read16(&file[28]) == bits);
  FUZZ_CHECK(Read32(&file[34]) == stride * height);
  if (bits <= 8) {
    const uint32_t colours = 1u << bits;
    FUZZ_CHECK(header == 54 + 4 * colours);
    for (uint32_t i = 0; i < colours; ++i) FUZZ_CHECK(Read32(&file[54 + 4 * i]) == palette[i]);
  }
}

// 24- or 32-bit pixels, top-down or not, rows padded or not: smooth blocks of two colours, or noise.
struct FuzzPixels {
  int bits;
  bool topDown, smooth;
  size_t stride;
  std::vector<uint8_t> bytes;
};

// Made a pixel at a time, noise taken from the input in one piece (zeros once it runs out): the
// fuzzer's own work per byte would otherwise cost more than the encoders'.
FuzzPixels MakePixels(FuzzedDataProvider& data, int width, int height) {
  FuzzPixels p;
  p.bits = data.ConsumeBool() ? 24 : 32;
  p.topDown = data.ConsumeBool();
  p.stride = BmpRowBytes(width, p.bits) + data.ConsumeIntegralInRange<size_t>(0, 2) * 4;
  p.smooth = data.ConsumeBool();
  const uint32_t colours[2] = {data.ConsumeIntegral<uint32_t>(), data.ConsumeIntegral<uint32_t>()};
  if (!p.smooth) {
    p.bytes = data.ConsumeBytes<uint8_t>(p.stride * height);
    p.bytes.resize(p.stride * height);
    return p;
  }
  p.bytes.resize(p.stride * height);
  const int step = p.bits / 8;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      std::memcpy(&p.bytes[p.stride * y + static_cast<size_t>(x) * step], &colours[(y / 16 + x / 16) % 2], step);
  return p;
}

// The pixels as red, green, blue from the top, as a decoder gives them back.
std::vector<uint8_t> Rgb(const FuzzPixels& p, int width, int height) {
  std::vector<uint8_t> rgb(static_cast<size_t>(width) * height * 3);
  uint8_t* out = rgb.data();
  for (int y = 0; y < height; ++y) {
    const uint8_t* row = p.bytes.data() + p.stride * (p.topDown ? y : height - 1 - y);
    for (int x = 0; x < width; ++x, out += 3, row += p.bits / 8) {
      out[0] = row[2];
      out[1] = row[1];
      out[2] = row[0];
    }
  }
  return rgb;
}

// The strips are joined the same whether made on threads or in turn: one input in 64 starts the
// threads, which cost more than the rest of a run.
void CheckPng(FuzzedDataProvider& data, int width, int height) {
  const int strips = data.ConsumeIntegralInRange<int>(0, 6);
  const bool threads = data.ConsumeIntegralInRange<int>(0, 63) == 0;
  const FuzzPixels p = MakePixels(data, width, height);
  static std::vector<uint8_t> png;
  FUZZ_CHECK(EncodePng({width, height, p.bits, p.bytes.data(), p.stride, p.topDown}, png, strips, threads) == 0);
  const DecodedPng decoded = DecodePng(png);
  FUZZ_CHECK(decoded.ok && decoded.width == width && decoded.height == height);
  FUZZ_CHECK(decoded.rgb == Rgb(p, width, height));
}

void CheckJpeg(FuzzedDataProvider& data, int width, int height) {
  // Smooth pictures keep the comparison meaningful; noise only has to come back the right size.
  const FuzzPixels p = MakePixels(data, width, height);
  // One buffer for every picture, as the program keeps one: its capacity carries over.
  static std::vector<uint8_t> jpeg;
  FUZZ_CHECK(EncodeJpeg({width, height, p.bits, p.bytes.data(), p.stride, p.topDown}, jpeg) == 0);
  const DecodedJpeg decoded = DecodeJpeg(jpeg);
  FUZZ_CHECK(decoded.width == width && decoded.height == height && decoded.components == 3);
  FUZZ_CHECK(!decoded.progressive);
  if (!p.smooth) return;
  const std::vector<uint8_t> rgb = Rgb(p, width, height);
  double error = 0;
  for (size_t i = 0; i < rgb.size(); ++i) error += std::abs(rgb[i] - decoded.rgb[i]);
  FUZZ_CHECK(error / static_cast<double>(rgb.size()) < 24);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
  FuzzedDataProvider data(bytes, size);
  // Up to 48 x 48, small pictures more often (the smaller of two draws): every shape is still
  // reached, and most runs cost less.
  const auto side = [&] {
    const int first = data.ConsumeIntegralInRange<int>(1, 48);
    return std::min(first, data.ConsumeIntegralInRange<int>(1, 48));
  };
  const int width = side(), height = side();
  switch (data.ConsumeIntegralInRange<int>(0, 2)) {
    case 0: CheckBmp(data, width, height); break;
    case 1: CheckJpeg(data, width, height); break;
    default: CheckPng(data, width, height); break;
  }
  return 0;
}
