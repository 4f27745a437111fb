// Shared by the fuzz targets: turning fuzz bytes into the program's texts, and a check that stops
// the run with the reason when a property does not hold.
#pragma once

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdio>
#include <cstdlib>
#include <string>

// A text of UTF-16 code units, as the program handles on Windows (lone surrogates and zeros
// included): two bytes per unit.
inline std::wstring FuzzText(FuzzedDataProvider& data, size_t maxUnits) {
  std::wstring text;
  const size_t units = data.ConsumeIntegralInRange<size_t>(0, maxUnits);
  for (size_t i = 0; i < units && data.remaining_bytes() >= 2; ++i)
    text.push_back(static_cast<wchar_t>(data.ConsumeIntegral<uint16_t>()));
  return text;
}

// A text mostly made of the given characters, so the fuzzer reaches the grammar quickly.
inline std::wstring FuzzTextOf(FuzzedDataProvider& data, std::wstring_view alphabet, size_t maxUnits) {
  std::wstring text;
  const size_t units = data.ConsumeIntegralInRange<size_t>(0, maxUnits);
  for (size_t i = 0; i < units && data.remaining_bytes() > 0; ++i) {
    const uint8_t pick = data.ConsumeIntegral<uint8_t>();
    text.push_back(pick < alphabet.size() ? alphabet[pick] : static_cast<wchar_t>(pick));
  }
  return text;
}

#define FUZZ_CHECK(condition)                                                         \
  do {                                                                                \
    if (!(condition)) {                                                               \
      std::fprintf(stderr, "%s:%d: property failed: %s\n", __FILE__, __LINE__, #condition); \
      std::abort();                                                                   \
    }                                                                                 \
  } while (0)
