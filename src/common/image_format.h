// The formats a picture is saved in, and what each place that names one shows. Window-free.
#pragma once

#include <array>
#include <cstdint>

// As Option.ini's DefaultImage holds it. The file may hold any number: a value outside the table is
// kept as it is, and a picture in it is written nowhere.
enum class ImageFormat : uint8_t { Bmp = 0, Jpeg = 1, Png = 2 };

struct ImageFormatRow {
  ImageFormat Format;
  const wchar_t* Extension;    // of its files, with the dot
  const wchar_t* SaveFilter;   // the Save dialog's entry: "name|patterns"
  const wchar_t* ListCaption;  // in the options dialog's list
};

// In the order of the options dialog's list, and of the Save dialog's entries after "all files".
inline constexpr std::array<ImageFormatRow, 3> kImageFormats = {{
    {ImageFormat::Bmp, L".bmp", L"Bitmaps (*.bmp)|*.bmp", L"bmp图片格式"},
    {ImageFormat::Jpeg, L".jpg", L"JPEG Image File (*.jpg,*.jpeg)|*.jpg;*.jpeg", L"jpg图片格式"},
    {ImageFormat::Png, L".png", L"PNG Image File (*.png)|*.png", L"png图片格式"},
}};

// A format's place in the table is its value: the Save dialog's entries and the options dialog's
// list are counted that way.
static_assert(static_cast<size_t>(kImageFormats[0].Format) == 0 && static_cast<size_t>(kImageFormats[1].Format) == 1 &&
              static_cast<size_t>(kImageFormats[2].Format) == 2);

// The format's place in the table, or -1 for a value outside it.
constexpr int ImageFormatIndex(ImageFormat format) {
  for (size_t i = 0; i < kImageFormats.size(); ++i)
    if (kImageFormats[i].Format == format) return static_cast<int>(i);
  return -1;
}

// The extension of a format's files: ".bmp", ".jpg", ".png"; none for a value outside the table.
constexpr const wchar_t* ImageExtension(ImageFormat format) {
  const int index = ImageFormatIndex(format);
  return index < 0 ? L"" : kImageFormats[static_cast<size_t>(index)].Extension;
}
