// Image files and their automatic names: the Windows half of image_encoding, png_encoding and
// number_picture.
#pragma once

#include <windows.h>

#include <cstdint>
#include <future>
#include <span>
#include <string>
#include <vector>

#include "common/image_format.h"

// The first free name in `folder` for the number picture `pattern`: folder\001.jpg, 002.jpg, ...
// (the search starts at 1 every time, so gaps fill first; a folder of that name takes it as a file does). The
// folder is listed once, whatever number of files it holds. Raises "Format string too long" for a
// picture over 224 bytes in the ANSI code page, and "No free file name ..." when the picture can
// make no name that is free.
std::wstring GetAutoFileName(const std::wstring& folder, const std::wstring& pattern, const std::wstring& extension);

// GetAutoFileName's search on a thread of its own, begun when made: listing a folder of thousands of
// files takes about as long as taking and encoding a picture, and the two overlap.
class TAutoNameSearch {
 public:
  TAutoNameSearch(std::wstring folder, std::wstring pattern, std::wstring extension);
  TAutoNameSearch(const TAutoNameSearch&) = delete;
  TAutoNameSearch& operator=(const TAutoNameSearch&) = delete;

  // The name found, waited for (once); raises what GetAutoFileName raised.
  std::wstring Name() { return found_.get(); }
  // The search again, here and now: the name found was taken meanwhile.
  std::wstring Again() const { return GetAutoFileName(folder_, pattern_, extension_); }

 private:
  const std::wstring folder_, pattern_, extension_;
  std::future<std::wstring> found_;  // last: the search reads the three above until it ends
};

// Writes pictures as image files. It owns the memory encoding takes and keeps it from one picture to
// the next, so back-to-back captures allocate nothing once it has grown; Release gives it back.
class TImageFileWriter {
 public:
  // Writes a bitmap to `path`: BMP at the bitmap's own colour depth, JPEG or PNG; a format outside
  // the table writes nothing. The folder is made with its parents. The file appears whole or not at
  // all: an existing file of that name is replaced only by a complete new one. Raises
  // "Cannot create file "<path>". <system error>", "JPEG error #<n>" or "PNG error #<n>". Without
  // `replace` an existing file stays as it is, and the result is false.
  bool Save(HBITMAP bitmap, ImageFormat format, const std::wstring& path, bool replace = true);
  // An automatic save: the picture under the name the search finds, written as Save writes it but
  // never over a file; a name another program takes meanwhile is looked for again. Returns the
  // path; raises as the two do.
  std::wstring SaveAuto(HBITMAP bitmap, ImageFormat format, TAutoNameSearch& search);

  // The bytes of the file the last save wrote. They are the writer's: they hold until its next save
  // or Release.
  std::span<const uint8_t> LastFile() const { return file_; }
  // Gives the memory back, between captures.
  void Release();

 private:
  // The file's bytes (in file_), or false for a format outside the table.
  bool Encode(HBITMAP bitmap, ImageFormat format);

  std::vector<uint8_t> pixels_;  // the picture's pixels, when they had to be copied to be read
  std::vector<uint8_t> file_;
};
