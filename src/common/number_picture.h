// Number pictures ("000", "#,##0", "'IMG'000", "0.00E+00"): how automatic file names show their
// sequence number. Window-free; the caller supplies the system's separators.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

struct NumberSeparators {
  wchar_t Decimal = L'.';
  wchar_t Thousands = L',';
};

// Formats a positive whole number with a picture:
// - up to three sections split by ";" (positive; negative; zero): a positive number uses the first;
// - "0" shows a digit or a zero, "#" a digit or nothing ("#" right of the first "0" acts as "0");
//   digits that find no placeholder all go out at the first one, so a number is never cut;
// - "." places the decimal separator (shown only when a "0" follows it); "," anywhere asks for
//   thousands separators in the integer part;
// - "E+", "E-", "e+", "e-" followed by "0"s give scientific notation;
// - text in single or double quotes is copied without its quotes; every other character stays;
// - an empty picture gives plain digits.
std::wstring FormatNumberPicture(uint64_t number, std::wstring_view picture, const NumberSeparators& separators);

// True when the picture shows the number at all: without a digit placeholder every number
// formats to the same text.
bool PictureShowsNumber(std::wstring_view picture);

// The longest picture the program accepts, in bytes of the ANSI code page.
inline constexpr size_t kMaxPictureBytes = 224;

// The name GetAutoFileName tries for number n: folder + "\" + the formatted number + extension.
// A picture that does not show the number gets the number appended from the second name on
// (shot.jpg, shot2.jpg, ...), so the names still differ.
std::wstring AutoFileName(std::wstring_view folder, std::wstring_view picture, std::wstring_view extension,
                          uint64_t number, const NumberSeparators& separators);

// Says whether a file name (no folder) is taken in the folder being searched.
using NameTaken = std::function<bool(std::wstring_view fileName)>;

// The first free automatic name in `folder` (the smallest number whose name is not taken), given
// how many names are taken. Bounded: numbers up to takenCount + 1 are tried, which always finds a
// free name when different numbers give different names. A picture whose names repeat (scientific
// notation: "0E+0" makes 90 names) may have them all taken; its names then get the number appended
// (1E+01.jpg, 2E+02.jpg, ...), tried as far. Nothing when neither finds a free name.
std::optional<std::wstring> FirstFreeAutoName(std::wstring_view folder, std::wstring_view picture,
                                              std::wstring_view extension, const NumberSeparators& separators,
                                              size_t takenCount, const NameTaken& taken);
