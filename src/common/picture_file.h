// Picture files read back (a saved capture shown in a menu or pinned again). Win32 glue.
#pragma once

#include <windows.h>

#include <string>

#include "toolkit/handles.h"

// A BMP, JPEG or PNG file as a 32-bit DIB section; a JPEG shrunk by 1, 2, 4 or 8 as it is decoded
// (for a small picture). Null for a file that is gone, unreadable or of another kind.
UniqueBitmap ReadPictureFile(const std::wstring& path, int shrink = 1);

// Whether the file begins as a JPEG does (only a JPEG is shrunk as it is read).
bool IsJpegFile(const std::wstring& path);

// The picture scaled to fit in width x height, its proportions kept, never enlarged.
UniqueBitmap FittedCopy(HBITMAP picture, int width, int height);
