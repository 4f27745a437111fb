// Number pictures ("000", "#,##0", "'IMG'000", "0.00E+00"): how automatic file names show their
// sequence number. Window-free; the caller supplies the system's separators.
#pragma once

#include <cstdint>
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
