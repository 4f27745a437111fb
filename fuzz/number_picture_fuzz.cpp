// Number pictures: any picture formats any number without harm, and automatic names for two
// different numbers always differ, so numbering can never stop at one name.
#include "common/number_picture.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
  FuzzedDataProvider data(bytes, size);
  const uint64_t number = data.ConsumeIntegralInRange<uint64_t>(1, UINT64_MAX - 1);
  const NumberSeparators separators{data.ConsumeBool() ? L',' : L'.', data.ConsumeBool() ? L' ' : L','};
  // No longer than the program accepts (a unit is at least a byte in the ANSI code page).
  const std::wstring picture = data.ConsumeBool() ? FuzzText(data, kMaxPictureBytes)
                                                  : FuzzTextOf(data, L"0#.,;E+-e'\"x\\0000####", kMaxPictureBytes);
  const std::wstring shown = FormatNumberPicture(number, picture, separators);
  // Bounded by the picture and the number: at most a separator per placeholder, plus the digits.
  FUZZ_CHECK(shown.size() <= picture.size() * 2 + 48);

  const std::wstring first = AutoFileName(L"C:\\Save", picture, L".jpg", number, separators);
  const std::wstring next = AutoFileName(L"C:\\Save", picture, L".jpg", number + 1, separators);
  // Scientific notation rounds, so only pictures without it promise a new name per number.
  if (picture.find_first_of(L"Ee") == std::wstring::npos) FUZZ_CHECK(first != next);
  FUZZ_CHECK(first.starts_with(L"C:\\Save\\") && first.ends_with(L".jpg"));
  return 0;
}
