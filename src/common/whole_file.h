// Files that appear whole or not at all. Win32 glue.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "toolkit/error.h"

// Writes the bytes to a temporary file beside `path`, then moves it to `path`: the file appears
// whole or not at all, and a failure never costs the file that was there. A file replaced keeps
// its attributes and security. Without `replace` an existing file or folder stays as it is and the
// result is false. Raises CannotCreateFile's error.
bool WriteWholeFile(const std::wstring& path, const uint8_t* data, size_t size, bool replace = true);

// "Cannot create file "<path>". <system error>"
Error CannotCreateFile(const std::wstring& path, DWORD code);
