// A synthetic picture for image tests: smooth gradients, in Windows DIB byte order (blue, green, red[, unused]), rows padded to 4 bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class TestPicture {
 public:
  TestPicture(int width, int height, int bits) : width_(width), height_(height), bits_(bits) {
    stride_ = ((static_cast<size_t>(width) * bits + 31) / 32) * 4;
    pixels_.assign(stride_ * (height > 0 ? height : 1), 0);
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) {
        uint8_t* at = pixels_.data() + y * stride_ + x * (bits / 8);
        at[0] = Wave(40, x * 3);        // blue
        at[1] = Wave(30, y * 4);        // green
        at[2] = Wave(60, (x + y) * 2);  // red
        if (bits == 32) at[3] = 0;
      }
  }
  const uint8_t* Pixels() const { return pixels_.data(); }
  uint8_t* Pixels() { return pixels_.data(); }
  size_t Stride() const { return stride_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  int Bits() const { return bits_; }

 private:
  // A gentle triangle wave: neighbours differ by a few steps, so JPEG keeps it close.
  static uint8_t Wave(int base, int t) {
    t %= 300;
    return static_cast<uint8_t>(base + (t < 150 ? t : 300 - t));
  }

  int width_, height_, bits_;
  size_t stride_;
  std::vector<uint8_t> pixels_;
};
