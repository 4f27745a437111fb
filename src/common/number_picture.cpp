#include "common/number_picture.h"

#include <algorithm>
#include <optional>

namespace {

bool IsQuote(wchar_t c) { return c == L'\'' || c == L'"'; }
bool IsPlaceholder(wchar_t c) { return c == L'0' || c == L'#'; }

// Index just past the quoted run starting at `at` (an unclosed quote runs to the end).
size_t SkipQuoted(std::wstring_view text, size_t at) {
  const size_t close = text.find(text[at], at + 1);
  return close == std::wstring_view::npos ? text.size() : close + 1;
}

// The first section: everything before the first ";" outside quotes.
std::wstring_view FirstSection(std::wstring_view picture) {
  for (size_t i = 0; i < picture.size();) {
    if (IsQuote(picture[i])) {
      i = SkipQuoted(picture, i);
    } else if (picture[i] == L';') {
      return picture.substr(0, i);
    } else {
      ++i;
    }
  }
  return picture;
}

// What one scan of the section finds.
struct Layout {
  int integerPlaces = 0;            // placeholders before the decimal point
  int firstZero = -1;               // integer placeholder index of the first "0" (-1: none)
  int fractionPlaces = 0;           // placeholders after it
  int lastFractionZero = -1;        // fraction placeholder index of the last "0"
  bool decimalPoint = false;
  bool thousands = false;
  std::optional<size_t> exponentAt;  // index of the "E"/"e" that starts scientific notation
  int exponentDigits = 0;
  bool exponentAlwaysSigned = false;
};

Layout Scan(std::wstring_view section) {
  Layout layout;
  for (size_t i = 0; i < section.size();) {
    const wchar_t c = section[i];
    if (IsQuote(c)) {
      i = SkipQuoted(section, i);
      continue;
    }
    if (IsPlaceholder(c)) {
      if (layout.decimalPoint) {
        if (c == L'0') layout.lastFractionZero = layout.fractionPlaces;
        ++layout.fractionPlaces;
      } else {
        if (c == L'0' && layout.firstZero < 0) layout.firstZero = layout.integerPlaces;
        ++layout.integerPlaces;
      }
    } else if (c == L'.') {
      layout.decimalPoint = true;
    } else if (c == L',') {
      layout.thousands = true;
    } else if ((c == L'E' || c == L'e') && i + 1 < section.size() &&
               (section[i + 1] == L'+' || section[i + 1] == L'-')) {
      layout.exponentAt = i;
      layout.exponentAlwaysSigned = section[i + 1] == L'+';
      size_t j = i + 2;
      while (j < section.size() && section[j] == L'0') ++j;
      layout.exponentDigits = static_cast<int>(j - i - 2);
      break;  // what follows the exponent is copied as it stands
    }
    ++i;
  }
  return layout;
}

// Rounds a digit string to `keep` significant digits, half away from zero; a carry adds a digit.
std::wstring RoundDigits(std::wstring digits, size_t keep, int& exponentShift) {
  exponentShift = 0;
  if (digits.size() <= keep) return digits;
  const bool up = digits[keep] >= L'5';
  digits.resize(keep);
  if (up) {
    size_t i = keep;
    while (i > 0 && digits[i - 1] == L'9') digits[--i] = L'0';
    if (i == 0) {
      digits.insert(digits.begin(), L'1');
      digits.pop_back();
      exponentShift = 1;
    } else {
      ++digits[i - 1];
    }
  }
  return digits;
}

}  // namespace

bool PictureShowsNumber(std::wstring_view picture) {
  const std::wstring_view section = FirstSection(picture);
  if (section.empty()) return true;
  const Layout layout = Scan(section);
  return layout.integerPlaces + layout.fractionPlaces > 0;
}

std::wstring FormatNumberPicture(uint64_t number, std::wstring_view picture, const NumberSeparators& separators) {
  const std::wstring_view section = FirstSection(picture);
  std::wstring integerDigits = std::to_wstring(number);
  if (section.empty()) return integerDigits;
  const Layout layout = Scan(section);
  const int places = layout.integerPlaces;

  // Scientific notation: the integer placeholders take the leading significant digits, the
  // fraction placeholders the next ones.
  std::wstring fractionDigits;
  int exponent = 0;
  if (layout.exponentAt) {
    const size_t significant = static_cast<size_t>(std::max(places + layout.fractionPlaces, 1));
    int shift = 0;
    const int magnitude = static_cast<int>(integerDigits.size());
    std::wstring rounded = RoundDigits(integerDigits, significant, shift);
    rounded.resize(significant, L'0');
    exponent = magnitude + shift - places;
    integerDigits = rounded.substr(0, static_cast<size_t>(places));
    fractionDigits = rounded.substr(static_cast<size_t>(places));
  }

  // The last fraction place that shows: up to the last "0", or the last non-zero digit.
  int lastShown = layout.lastFractionZero;
  for (int f = 0; f < layout.fractionPlaces && f < static_cast<int>(fractionDigits.size()); ++f)
    if (fractionDigits[static_cast<size_t>(f)] != L'0') lastShown = std::max(lastShown, f);

  std::wstring out;
  // One integer position, counted from the right (1 = ones), with its thousands separator.
  const auto putPosition = [&](int position, bool required) {
    const int from = static_cast<int>(integerDigits.size()) - position;
    if (from >= 0)
      out += integerDigits[static_cast<size_t>(from)];
    else if (required)
      out += L'0';
    else
      return;
    if (layout.thousands && position > 1 && (position - 1) % 3 == 0) out += separators.Thousands;
  };
  // Every digit from the highest down to `lowest`: the digits no placeholder holds.
  const auto putExtraDigits = [&](int lowest) {
    for (int position = static_cast<int>(integerDigits.size()); position >= lowest; --position)
      putPosition(position, true);
  };

  int integerIndex = 0, fractionIndex = 0;
  bool pastPoint = false;
  for (size_t i = 0; i < section.size();) {
    const wchar_t c = section[i];
    if (IsQuote(c)) {
      const size_t next = SkipQuoted(section, i);
      const bool closed = next - i >= 2 && section[next - 1] == c;
      out.append(section.substr(i + 1, next - i - 1 - (closed ? 1 : 0)));
      i = next;
      continue;
    }
    if (layout.exponentAt && i == *layout.exponentAt) {
      out += c;
      if (exponent < 0)
        out += L'-';
      else if (layout.exponentAlwaysSigned)
        out += L'+';
      std::wstring shown = std::to_wstring(exponent < 0 ? -exponent : exponent);
      if (static_cast<int>(shown.size()) < layout.exponentDigits)
        shown.insert(0, static_cast<size_t>(layout.exponentDigits) - shown.size(), L'0');
      out += shown;
      i += 2 + static_cast<size_t>(layout.exponentDigits);
      continue;
    }
    const bool beforeExponent = !layout.exponentAt || i < *layout.exponentAt;
    if (IsPlaceholder(c) && beforeExponent && !pastPoint) {
      const int position = places - integerIndex;
      if (integerIndex == 0) putExtraDigits(position + 1);
      putPosition(position, layout.firstZero >= 0 && integerIndex >= layout.firstZero);
      ++integerIndex;
    } else if (IsPlaceholder(c) && beforeExponent) {
      if (fractionIndex <= lastShown)
        out += fractionIndex < static_cast<int>(fractionDigits.size()) ? fractionDigits[static_cast<size_t>(fractionIndex)] : L'0';
      ++fractionIndex;
    } else if (c == L'.' && beforeExponent) {
      if (!pastPoint) {
        // With no integer placeholder the integer digits go out in front of the point.
        if (places == 0 && !layout.exponentAt) putExtraDigits(1);
        if (lastShown >= 0) out += separators.Decimal;
        pastPoint = true;
      }
    } else if (c != L',' || !beforeExponent) {
      out += c;
    }
    ++i;
  }
  return out;
}

namespace {

// The file name (no folder) of number n; `append` adds the number after the picture's text.
std::wstring AutoFileTitle(std::wstring_view picture, std::wstring_view extension, uint64_t number,
                           const NumberSeparators& separators, bool append) {
  std::wstring title = FormatNumberPicture(number, picture, separators);
  if (append) title += std::to_wstring(number);
  title += extension;
  return title;
}

std::wstring InFolder(std::wstring_view folder, const std::wstring& title) {
  std::wstring name(folder);
  name += L'\\';
  return name + title;
}

}  // namespace

std::wstring AutoFileName(std::wstring_view folder, std::wstring_view picture, std::wstring_view extension,
                          uint64_t number, const NumberSeparators& separators) {
  const bool append = number > 1 && !PictureShowsNumber(picture);
  return InFolder(folder, AutoFileTitle(picture, extension, number, separators, append));
}

std::optional<std::wstring> FirstFreeAutoName(std::wstring_view folder, std::wstring_view picture,
                                              std::wstring_view extension, const NumberSeparators& separators,
                                              size_t takenCount, const NameTaken& taken) {
  const bool showsNumber = PictureShowsNumber(picture);
  const uint64_t last = static_cast<uint64_t>(takenCount) + 1;
  for (uint64_t number = 1; number <= last; ++number) {
    const std::wstring title = AutoFileTitle(picture, extension, number, separators, number > 1 && !showsNumber);
    if (!taken(title)) return InFolder(folder, title);
  }
  if (!showsNumber) return std::nullopt;  // its names were all different already
  for (uint64_t number = 1; number <= last; ++number) {
    const std::wstring title = AutoFileTitle(picture, extension, number, separators, true);
    if (!taken(title)) return InFolder(folder, title);
  }
  return std::nullopt;
}
