// The system's words for an error. Win32 glue.
#pragma once

#include <windows.h>

#include <string>

// The system's text for an error code, without its trailing period and line break.
std::wstring SysErrorMessage(DWORD code);
