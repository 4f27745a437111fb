// Shared operations of the program that stand on Windows: hot-key fields and the Yes/No question.
#pragma once

#include <windows.h>

#include <cstdint>
#include <future>
#include <string>

#include "common/image_encoding.h"

// The names of the table keys held down at the time of the key message being handled.
std::wstring PressedKeysText();

// Fills a hot-key edit field on a key-down: the held modifiers and the pressed key when it has a
// name ("CTRL+SHIFT+F5"). Keys without a name (Space, Delete, ...) leave only the modifiers, so with
// none held they empty the field. The key message itself is left alone.
void ShowPressedKeys(HWND edit, WPARAM pressedKey);

// A modal Yes/No question captioned with the program's title; true on Yes.
bool AskYesNo(HWND owner, const std::wstring& question);

// The first free name in `folder` for the number picture `pattern`: folder\001.jpg, 002.jpg, ...
// (the search starts at 1 every time, so gaps fill first; a folder of that name takes it as a file does). The
// folder is listed once, whatever number of files it holds. Raises "Format string too long" for a
// picture over 224 bytes in the ANSI code page, and "No free file name ..." when the picture can
// make no name that is free.
std::wstring GetAutoFileName(const std::wstring& folder, const std::wstring& pattern, const std::wstring& extension);

// The picture's 24- or 32-bit pixels: where they lie in a DIB section (as the capture sources make
// them), otherwise read with GetDIBits into a buffer of the module, which the next picture reuses
// (32-bit pixels as they are, any other depth as a 24-bit copy). Raises "Cannot read the
// picture's pixels".
PixelView BitmapPixels(HBITMAP bitmap);

// Gives back the buffers that pictures and encoded files reuse, between captures.
void ReleaseImageBuffers();
// The bytes of the JPEG or PNG file last written, until the next picture is encoded.
std::span<const uint8_t> LastEncodedFile();

// The extension of a format's files: ".bmp", ".jpg", ".png"; none for any other value.
std::wstring ImageExtension(uint8_t format);

// Writes a bitmap to `path`: format 0 BMP at the bitmap's own colour depth, 1 JPEG, 2 PNG, any other
// value nothing. The folder is made with its parents. The file appears whole or not at all: an
// existing file of that name is replaced only by a complete new one. Raises
// "Cannot create file "<path>". <system error>", "JPEG error #<n>" or "PNG error #<n>".
void SaveBitmapToFile(HBITMAP bitmap, uint8_t format, const std::wstring& path);

// Writes the bytes to a temporary file beside `path`, then moves it to `path`: the file appears
// whole or not at all, and a failure never costs the file that was there. A file replaced keeps
// its attributes and security. Without `replace` an
// existing file or folder stays as it is and the result is false. Raises "Cannot create file ...".
bool WriteWholeFile(const std::wstring& path, const uint8_t* data, size_t size, bool replace = true);

// GetAutoFileName's search on a thread of its own, begun when made: listing a folder of thousands of
// files takes about as long as taking and encoding a picture, and the two overlap.
class AutoNameSearch {
 public:
  AutoNameSearch(std::wstring folder, std::wstring pattern, std::wstring extension);
  AutoNameSearch(const AutoNameSearch&) = delete;
  AutoNameSearch& operator=(const AutoNameSearch&) = delete;

  // The name found, waited for (once); raises what GetAutoFileName raised.
  std::wstring Name() { return found_.get(); }
  // The search again, here and now: the name found was taken meanwhile.
  std::wstring Again() const { return GetAutoFileName(folder_, pattern_, extension_); }

 private:
  const std::wstring folder_, pattern_, extension_;
  std::future<std::wstring> found_;  // last: the search reads the three above until it ends
};

// An automatic save: the picture under the name the search finds, written as SaveBitmapToFile
// writes it but never over a file; a name another program takes meanwhile is looked for again.
// Returns the path; raises as the two do.
std::wstring SaveBitmapToAutoFile(HBITMAP bitmap, uint8_t format, AutoNameSearch& search);

// The system's text for an error code, without its trailing period and line break.
std::wstring SysErrorMessage(DWORD code);
