// The program's Yes/No question. Win32 glue.
#pragma once

#include <windows.h>

#include <string>

// A modal Yes/No question captioned with the program's title; true on Yes.
bool AskYesNo(HWND owner, const std::wstring& question);
