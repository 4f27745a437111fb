// Folders on disk.
#pragma once

#include <string>
#include <string_view>

bool DirectoryExists(const std::wstring& path);

// Creates a folder and every missing parent; true when it exists afterwards. A name shorter than
// three characters (C:, a single letter) counts as existing. An empty name raises
// "Unable to create directory".
bool ForceDirectories(std::wstring_view path);

// The running program's full file name.
std::wstring ProgramFileName();
