// Path texts, Windows style ("C:\Dir\file.ext"). Window-free.
#pragma once

#include <string>
#include <string_view>

// The text without one trailing backslash.
std::wstring_view ExcludeTrailingBackslash(std::wstring_view path);
// Everything up to and including the last backslash or drive colon; empty when there is none.
std::wstring_view ExtractFilePath(std::wstring_view path);

// A folder as the program uses it: an absolute folder ("C:\Shots", "\\server\share") as it is; a
// relative one ("shots", "..\shots", empty) in the program folder (given with its trailing
// backslash), whatever the working folder; one from the root ("\shots") on the program's drive.
std::wstring AbsoluteFolder(std::wstring_view folder, std::wstring_view programFolder);
