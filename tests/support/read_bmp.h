// Reads a 24- or 32-bit BMP file back, by its own headers, for tests that check what was written.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

struct ReadBmp {
  bool ok = false;
  int width = 0, height = 0, bits = 0;
  std::vector<uint8_t> file;
  size_t offset = 0, stride = 0;
  bool bottomUp = true;

  explicit ReadBmp(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    file.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (file.size() < 54 || file[0] != 'B' || file[1] != 'M') return;
    offset = Le32(10);
    width = static_cast<int32_t>(Le32(18));
    const auto rawHeight = static_cast<int32_t>(Le32(22));
    bottomUp = rawHeight > 0;
    height = bottomUp ? rawHeight : -rawHeight;
    bits = file[28];
    stride = ((static_cast<size_t>(width) * bits + 31) / 32) * 4;
    ok = (bits == 24 || bits == 32) && file.size() >= offset + stride * height;
  }
  // Blue, green, red of the pixel at (x, y), y counted from the top.
  const uint8_t* At(int x, int y) const {
    const size_t row = bottomUp ? static_cast<size_t>(height - 1 - y) : static_cast<size_t>(y);
    return &file[offset + row * stride + static_cast<size_t>(x) * (bits / 8)];
  }

 private:
  uint32_t Le32(size_t at) const {
    return file[at] | file[at + 1] << 8 | file[at + 2] << 16 | static_cast<uint32_t>(file[at + 3]) << 24;
  }
};
