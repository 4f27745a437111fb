// Start with Windows: the program's value under the Run key of the local machine and of the user.
#pragma once

#include <windows.h>

#include <initializer_list>
#include <string>

// Makes sure the value exists (an existing one is left as it is, whatever path it holds) under
// every root whose Run key can be opened; roots that cannot are skipped silently. Raises
// "Failed to set data for 'Corvix截屏助手'" when a value cannot be written.
void AddAutoRun();
// Makes sure the value is absent under both roots, whatever path it held.
void RemoveAutoRun();

// The same over a given list of roots, in order.
void AddAutoRunUnder(std::initializer_list<HKEY> roots);
void RemoveAutoRunUnder(std::initializer_list<HKEY> roots);

// What the value holds: the program's full path in double quotes, so a path with spaces can
// never start another program.
std::wstring AutoRunCommand();
