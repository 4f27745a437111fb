// The recogniser's input path: any picture (sizes from 1 x 1 to very wide or tall, strides with
// padding, any pixels) becomes strips that cover every row once, none larger than the recogniser
// takes, each turned light and framed by its margin; and whatever symbols come back, their layout
// keeps every character but spaces.
#include "reading/reading_input.h"
#include "reading/text_layout.h"
#include "fuzz_support.h"

#include <algorithm>
#include <array>
#include <cwctype>
#include <limits>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
  FuzzedDataProvider data(bytes, size);
  // Most pictures are small, so that a minute explores; one in sixteen is very wide (wider than the
  // recogniser takes) or very tall (several strips), up to 80,000 pixels.
  const int32_t shape = data.ConsumeIntegralInRange<int32_t>(0, 31);
  const int32_t width = data.ConsumeIntegralInRange<int32_t>(1, shape == 0 ? 40000 : shape == 1 ? 10 : 240);
  const int32_t height = data.ConsumeIntegralInRange<int32_t>(1, shape == 0 ? std::max(1, 80000 / width) : shape == 1 ? 7000 : 40);
  const int32_t stride = width * 4 + data.ConsumeIntegralInRange<int32_t>(0, 3) * 4;
  // Runs of one colour, as a screen has them.
  std::vector<uint8_t> pixels(static_cast<size_t>(stride) * height);
  for (size_t at = 0; at < pixels.size();) {
    // Once the input is spent, the last run goes to the end.
    const size_t run = data.remaining_bytes() > 0 ? data.ConsumeIntegralInRange<size_t>(1, 4096) * 4 : pixels.size();
    const uint8_t b = data.ConsumeIntegral<uint8_t>(), g = data.ConsumeIntegral<uint8_t>(), r = data.ConsumeIntegral<uint8_t>();
    for (size_t end = std::min(pixels.size(), at + run); at < end; at += 4) {
      pixels[at] = b;
      pixels[at + 1] = g;
      pixels[at + 2] = r;
    }
  }
  const ReadingSource source = PrepareForReading(pixels.data(), width, height, stride);
  if (width < 4 || height < 4) {
    FUZZ_CHECK(source.Grey.Pixels.empty());
  } else {
    FUZZ_CHECK(source.Grey.Width == width && source.Grey.Height == height);
    std::array<uint32_t, 256> histogram{};
    for (const uint8_t p : source.Grey.Pixels) ++histogram[p];
    // The ground is light: the lightest of the commonest shades.
    FUZZ_CHECK(histogram.rend() - 1 - std::max_element(histogram.rbegin(), histogram.rend()) >= 128);
  }
  int32_t next = 0;
  for (const auto& [first, end] : StripRows(source)) {
    FUZZ_CHECK(first == next && end > first);
    next = end;
    const ReadingStrip strip = MakeStrip(source, first, end);
    FUZZ_CHECK(strip.Picture.Width <= kReadingMaxSide && strip.Picture.Height <= kReadingStripRows + 2);
    FUZZ_CHECK(strip.Picture.Pixels.size() == static_cast<size_t>(strip.Picture.Width) * strip.Picture.Height);
    FUZZ_CHECK(strip.Picture.Pixels.front() == 255 && strip.Picture.Pixels.back() == 255);  // the margin
    // Gaps of any area: ordered, apart, inside the area and the picture.
    const int32_t left = data.ConsumeIntegralInRange<int32_t>(-10, strip.Picture.Width + 10);
    const int32_t top = data.ConsumeIntegralInRange<int32_t>(-10, strip.Picture.Height + 10);
    const Rect area{left, top, left + data.ConsumeIntegralInRange<int32_t>(-5, 400), top + data.ConsumeIntegralInRange<int32_t>(-5, 60)};
    int32_t after = std::numeric_limits<int32_t>::min();
    for (const auto& [from, to] : BlankColumns(strip.Picture, area)) {
      FUZZ_CHECK(from > after && to > from && from >= std::max(0, area.Left) && to <= std::min(strip.Picture.Width, area.Right));
      after = to;
    }
  }
  FUZZ_CHECK(next == source.Grey.Height);

  // Symbols in lines anywhere: every character that is not a space comes out once.
  std::vector<ReadLine> lines(data.ConsumeIntegralInRange<size_t>(0, 6));
  size_t characters = 0;
  for (ReadLine& line : lines) {
    const int32_t top = data.ConsumeIntegralInRange<int32_t>(-50, 500), tall = data.ConsumeIntegralInRange<int32_t>(1, 60);
    line.Box = {0, top, 1000, top + tall};
    for (size_t n = data.ConsumeIntegralInRange<size_t>(0, 12); n > 0; --n) {
      const int32_t left = data.ConsumeIntegralInRange<int32_t>(0, 1000), high = data.ConsumeIntegralInRange<int32_t>(0, 60);
      std::wstring text = FuzzTextOf(data, L"aZ1，。,.:一中 ", 2);
      const auto shown = [](wchar_t c) { return !std::iswspace(c); };
      if (std::any_of(text.begin(), text.end(), shown)) characters += static_cast<size_t>(std::count_if(text.begin(), text.end(), shown));
      line.Symbols.push_back({std::move(text), {left, top, left + data.ConsumeIntegralInRange<int32_t>(-5, 40), top + high},
                              data.ConsumeBool()});
    }
  }
  const std::wstring text = LayOutText(std::move(lines));
  FUZZ_CHECK(static_cast<size_t>(std::count_if(text.begin(), text.end(), [](wchar_t c) { return !std::iswspace(c); })) == characters);
  return 0;
}
