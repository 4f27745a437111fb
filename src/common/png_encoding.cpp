#include "common/png_encoding.h"

#include <zlib.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <span>
#include <system_error>
#include <thread>

namespace {

void PutBe32(std::vector<uint8_t>& out, uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(value >> shift));
}

// A chunk: length, type, its data from the pieces given, and the CRC of type and data.
void PutChunk(std::vector<uint8_t>& out, const char (&type)[5], std::initializer_list<std::span<const uint8_t>> data) {
  size_t size = 0;
  for (std::span<const uint8_t> piece : data) size += piece.size();
  PutBe32(out, static_cast<uint32_t>(size));
  const size_t typeAt = out.size();
  out.insert(out.end(), type, type + 4);
  for (std::span<const uint8_t> piece : data) out.insert(out.end(), piece.begin(), piece.end());
  PutBe32(out, static_cast<uint32_t>(crc32(0, out.data() + typeAt, static_cast<uInt>(4 + size))));
}

enum Filter : uint8_t { kNone = 0, kSub = 1, kUp = 2 };

// One strip of rows, [first, end) from the top, filtered and deflated into `stream`: a raw deflate
// stream that ends byte-aligned with an empty stored block, or, for the last strip, with the final
// block. Strips joined in order make one stream.
struct Strip {
  int first = 0, end = 0;
  bool last = false;
  std::vector<uint8_t> filtered, stream;
  uLong adler = 1;  // of the filtered bytes
  int error = Z_OK;
};

// The picture's row `y` from the top as red, green, blue.
void RgbRow(const PixelView& pixels, int y, uint8_t* rgb) {
  const size_t row = pixels.TopDown ? static_cast<size_t>(y) : static_cast<size_t>(pixels.Height - 1 - y);
  const uint8_t* from = pixels.Pixels + row * pixels.Stride;
  const int step = pixels.BitsPerPixel / 8;
  for (int x = 0; x < pixels.Width; ++x, from += step, rgb += 3) {
    rgb[0] = from[2];
    rgb[1] = from[1];
    rgb[2] = from[0];
  }
}

int Magnitude(uint8_t value) { return std::abs(static_cast<int8_t>(value)); }

// Each row takes the filter whose bytes lie closest to zero (as signed bytes) of none, sub and
// up: runs of one colour and flat areas become zeros, which deflate packs best.
void FilterStrip(const PixelView& pixels, Strip& strip, std::vector<uint8_t>& rows) {
  const size_t rowBytes = static_cast<size_t>(pixels.Width) * 3;
  uint8_t* previous = rows.data();
  uint8_t* current = previous + rowBytes;
  if (strip.first > 0)
    RgbRow(pixels, strip.first - 1, previous);
  else
    std::memset(previous, 0, rowBytes);
  uint8_t* out = strip.filtered.data();
  for (int y = strip.first; y < strip.end; ++y) {
    RgbRow(pixels, y, current);
    // The filters are weighed first and only the chosen one is written. The first pixel has none
    // to its left; the loops over the rest ask nothing more per byte.
    int64_t none = 0, left = 0, above = 0;
    for (size_t i = 0; i < rowBytes; ++i) {
      none += Magnitude(current[i]);
      above += Magnitude(static_cast<uint8_t>(current[i] - previous[i]));
    }
    for (size_t i = 0; i < 3; ++i) left += Magnitude(current[i]);
    for (size_t i = 3; i < rowBytes; ++i) left += Magnitude(static_cast<uint8_t>(current[i] - current[i - 3]));
    const Filter filter = left <= above && left <= none ? kSub : above <= none ? kUp : kNone;
    *out++ = filter;
    if (filter == kSub) {
      std::memcpy(out, current, 3);
      for (size_t i = 3; i < rowBytes; ++i) out[i] = static_cast<uint8_t>(current[i] - current[i - 3]);
    } else if (filter == kUp) {
      for (size_t i = 0; i < rowBytes; ++i) out[i] = static_cast<uint8_t>(current[i] - previous[i]);
    } else {
      std::memcpy(out, current, rowBytes);
    }
    out += rowBytes;
    std::swap(previous, current);
  }
}

void DeflateStrip(Strip& strip) {
  strip.adler = adler32(1, strip.filtered.data(), static_cast<uInt>(strip.filtered.size()));
  z_stream z{};
  // A window no larger than the strip (and a hash table to match) finds nearly the same matches
  // with less memory to make and clear (a small region's strips, say).
  int windowBits = 9;
  while (windowBits < 15 && (size_t{1} << windowBits) < strip.filtered.size()) ++windowBits;
  if ((strip.error = deflateInit2(&z, kPngLevel, Z_DEFLATED, -windowBits, windowBits - 7, Z_DEFAULT_STRATEGY)) != Z_OK)
    return;
  z.next_in = strip.filtered.data();
  z.avail_in = static_cast<uInt>(strip.filtered.size());
  z.next_out = strip.stream.data();
  z.avail_out = static_cast<uInt>(strip.stream.size());
  const int result = deflate(&z, strip.last ? Z_FINISH : Z_SYNC_FLUSH);
  // The buffer holds the bound of the whole stream: one call does it all, or it went wrong.
  const bool done = strip.last ? result == Z_STREAM_END : result == Z_OK && z.avail_in == 0 && z.avail_out > 0;
  if (!done) strip.error = result < 0 ? result : Z_BUF_ERROR;
  strip.stream.resize(strip.stream.size() - z.avail_out);
  deflateEnd(&z);
}

}  // namespace

int EncodePng(const PixelView& pixels, std::vector<uint8_t>& out, int strips, bool threads) {
  out.clear();
  if ((pixels.BitsPerPixel != 24 && pixels.BitsPerPixel != 32) || pixels.Width <= 0 || pixels.Height <= 0 ||
      !pixels.Pixels)
    return -1;
  const size_t rowBytes = static_cast<size_t>(pixels.Width) * 3 + 1;  // with its filter byte
  // zlib counts in 32 bits: a strip of up to 2^28 bytes always fits, whatever the bound adds.
  constexpr size_t kMaxStripBytes = size_t{1} << 28;
  if (rowBytes > kMaxStripBytes) return -1;

  // Strips of at least 64 rows, one per processor, more when a strip would be too large for zlib.
  // Asked once: the system reads a file to answer.
  static const int processors = static_cast<int>(std::clamp(std::thread::hardware_concurrency(), 1u, 16u));
  const size_t rowsPerStripLimit = kMaxStripBytes / rowBytes;
  const int wanted = strips > 0 ? std::min(strips, pixels.Height) : std::max(1, std::min(processors, pixels.Height / 64));
  strips = std::max<int>(wanted, static_cast<int>((static_cast<size_t>(pixels.Height) + rowsPerStripLimit - 1) /
                                                  rowsPerStripLimit));
  // Everything is allocated here: the threads only compute, and an allocation that fails throws
  // on the caller's thread.
  std::vector<Strip> parts(static_cast<size_t>(strips));
  std::vector<std::vector<uint8_t>> rows(parts.size(), std::vector<uint8_t>(2 * (rowBytes - 1)));
  for (size_t i = 0; i < parts.size(); ++i) {
    Strip& strip = parts[i];
    strip.first = static_cast<int>(static_cast<int64_t>(pixels.Height) * static_cast<int64_t>(i) / strips);
    strip.end = static_cast<int>(static_cast<int64_t>(pixels.Height) * static_cast<int64_t>(i + 1) / strips);
    strip.last = i + 1 == parts.size();
    strip.filtered.resize(rowBytes * static_cast<size_t>(strip.end - strip.first));
    strip.stream.resize(compressBound(static_cast<uLong>(strip.filtered.size())) + 16);  // + the empty stored block
  }

  const auto work = [&](size_t i) {
    FilterStrip(pixels, parts[i], rows[i]);
    DeflateStrip(parts[i]);
  };
  std::vector<std::thread> running;
  running.reserve(parts.size());  // nothing allocates once a thread runs
  for (size_t i = 1; i < parts.size(); ++i) {
    bool started = false;
    try {
      if (threads) running.emplace_back(work, i);
      started = threads;
    } catch (const std::system_error&) {
    }
    if (!started) work(i);  // no thread wanted, or none to be had: done here, in order
  }
  work(0);
  for (std::thread& thread : running) thread.join();

  uLong adler = 1;
  size_t streamBytes = 0;
  for (const Strip& strip : parts) {
    if (strip.error != Z_OK) return strip.error;
    adler = adler32_combine(adler, strip.adler, static_cast<z_off_t>(strip.filtered.size()));
    streamBytes += strip.stream.size();
  }

  // The file: signature, header, the zlib stream in one IDAT chunk per strip (its header before the
  // first strip, its checksum after the last), end.
  static constexpr uint8_t kSignature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  static constexpr uint8_t kZlibHeader[] = {0x78, 0x5E};  // deflate, 32 KB window, a fast level
  std::vector<uint8_t> header, checksum;
  PutBe32(header, static_cast<uint32_t>(pixels.Width));
  PutBe32(header, static_cast<uint32_t>(pixels.Height));
  header.insert(header.end(), {8, 2, 0, 0, 0});  // 8 bits, RGB, deflate, adaptive filters, no interlace
  PutBe32(checksum, static_cast<uint32_t>(adler));
  out.reserve(sizeof kSignature + 25 + 12 * parts.size() + sizeof kZlibHeader + streamBytes + 4 + 12);
  out.insert(out.end(), std::begin(kSignature), std::end(kSignature));
  PutChunk(out, "IHDR", {header});
  for (const Strip& strip : parts) {
    const std::span<const uint8_t> none;
    PutChunk(out, "IDAT", {strip.first == 0 ? std::span<const uint8_t>(kZlibHeader) : none, strip.stream, strip.last ? checksum : none});
  }
  PutChunk(out, "IEND", {});
  return 0;
}
