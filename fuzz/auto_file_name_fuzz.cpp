// The first free automatic name: whatever names a folder holds, the search asks about a bounded
// number of names and gives the free name of the smallest number, in the folder; nothing only when
// every name it may try is taken. No files: the taken names are made up.
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>

#include "common/number_picture.h"
#include "fuzz_support.h"

namespace {

const std::wstring kFolder = L"C:\\Save";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
  FuzzedDataProvider data(bytes, size);
  const NumberSeparators separators{data.ConsumeBool() ? L',' : L'.', data.ConsumeBool() ? L' ' : L','};
  static constexpr std::wstring_view kExtensions[] = {L".jpg", L".bmp", L""};
  const std::wstring_view extension = kExtensions[data.ConsumeIntegralInRange<size_t>(0, 2)];
  const std::wstring picture = data.ConsumeBool() ? FuzzTextOf(data, L"0#.,;E+-e'\"x\\0000####", 24)
                                                  : FuzzText(data, 24);

  // The names tried for number n: the picture's own (as AutoFileName gives them: a picture that
  // does not show the number gets it appended from the second name on), then the picture's with
  // the number appended. Each is made once, and kept where it stays (the set below views it).
  const bool showsNumber = PictureShowsNumber(picture);
  std::deque<std::wstring> ownNames, appendedNames, otherNames;
  const auto name = [&](uint64_t n, bool append) {
    std::wstring title = FormatNumberPicture(n, picture, separators);
    if (append) title += std::to_wstring(n);
    return title += extension;
  };
  const auto own = [&](uint64_t n) -> const std::wstring& {
    while (ownNames.size() < n) {
      const uint64_t m = ownNames.size() + 1;
      ownNames.push_back(name(m, m > 1 && !showsNumber));
    }
    return ownNames[n - 1];
  };
  const auto appended = [&](uint64_t n) -> const std::wstring& {
    while (appendedNames.size() < n) appendedNames.push_back(name(appendedNames.size() + 1, true));
    return appendedNames[n - 1];
  };

  // A folder numbered from 1 so far, some names of either kind a little beyond that, and other files.
  std::unordered_set<std::wstring_view> taken;
  const uint64_t numbered = data.ConsumeIntegralInRange<uint64_t>(0, 16);
  for (uint64_t n = 1; n <= numbered; ++n) taken.insert(own(n));
  const uint64_t numberedAppended = data.ConsumeBool() ? data.ConsumeIntegralInRange<uint64_t>(0, 16) : 0;
  for (uint64_t n = 1; n <= numberedAppended; ++n) taken.insert(appended(n));
  for (int extra = 0; extra < 24 && data.remaining_bytes() > 0 && data.ConsumeBool(); ++extra) {
    switch (data.ConsumeIntegralInRange<int>(0, 2)) {
      case 0: taken.insert(own(data.ConsumeIntegralInRange<uint64_t>(1, numbered + 4))); break;
      case 1: taken.insert(appended(data.ConsumeIntegralInRange<uint64_t>(1, numberedAppended + 4))); break;
      default: taken.insert(otherNames.emplace_back(FuzzText(data, 12))); break;
    }
  }
  // Mostly the true count; sometimes fewer (files that came after the count), which voids the
  // promise of a name but nothing else.
  const size_t count =
      data.ConsumeIntegralInRange<int>(0, 3) != 0 ? taken.size() : data.ConsumeIntegralInRange<size_t>(0, taken.size());

  uint64_t asked = 0;
  const NameTaken isTaken = [&](std::wstring_view name) {
    ++asked;
    return taken.count(name) > 0;
  };
  const std::optional<std::wstring> found = FirstFreeAutoName(kFolder, picture, extension, separators, count, isTaken);

  // Bounded: numbers up to count + 1, each with at most its two names.
  const uint64_t last = static_cast<uint64_t>(count) + 1;
  FUZZ_CHECK(asked >= 1 && asked <= 2 * last);

  // The answer: the picture's own name of the smallest number up to count + 1 that is free; failing
  // that, when the picture shows the number, the same with the number appended; otherwise nothing.
  // (With the true count there is always one where the picture's names differ.)
  std::optional<std::wstring_view> expected;
  for (uint64_t n = 1; n <= last && !expected; ++n)
    if (!taken.count(own(n))) expected = own(n);
  if (!expected && showsNumber)
    for (uint64_t n = 1; n <= last && !expected; ++n)
      if (!taken.count(appended(n))) expected = appended(n);
  if (expected)
    FUZZ_CHECK(found && *found == kFolder + L"\\" + std::wstring(*expected));
  else
    FUZZ_CHECK(!found);
  return 0;
}
