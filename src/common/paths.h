// Path texts, Windows style ("C:\Dir\file.ext"). Window-free.
#pragma once

#include <string_view>

// The text without one trailing backslash.
std::wstring_view ExcludeTrailingBackslash(std::wstring_view path);
// Everything up to and including the last backslash or drive colon; empty when there is none.
std::wstring_view ExtractFilePath(std::wstring_view path);
