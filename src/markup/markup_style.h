// The drawing style: the colours, line widths and text sizes the tool bar's second row offers, and
// the choice among them that Option.ini keeps. Window-free; sizes are at 96 DPI.
#pragma once

#include <array>
#include <cstdint>

struct Colour {
  uint8_t Red = 0, Green = 0, Blue = 0;
  bool operator==(const Colour&) const = default;
};

inline constexpr std::array<Colour, 10> kPalette = {{{230, 30, 30},
                                                     {255, 140, 0},
                                                     {255, 214, 0},
                                                     {40, 170, 70},
                                                     {0, 170, 230},
                                                     {30, 90, 220},
                                                     {140, 60, 200},
                                                     {255, 255, 255},
                                                     {128, 128, 128},
                                                     {0, 0, 0}}};
inline constexpr std::array<double, 3> kLineWidths = {2, 4, 7};
inline constexpr std::array<double, 3> kTextSizes = {16, 22, 32};
inline constexpr int32_t kMosaicBlock = 10;

// The choices of the second row, as indexes into the tables above.
struct MarkupStyle {
  int32_t Width = 1;
  int32_t Ink = 0;
  int32_t TextSize = 1;
  bool operator==(const MarkupStyle&) const = default;
};
