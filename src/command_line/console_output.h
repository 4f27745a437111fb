// The command line's words: to the handles a script redirected, or to the console Corvix was
// started from (a windowed program has none of its own). Win32 glue.
#pragma once

#include <string>

void WriteOut(const std::wstring& text);
void WriteError(const std::wstring& text);
