// What every run of Corvix sets up before its first window and takes down after its last, in that
// order: COM and the common controls, the program folder, the option store (it reads Option.ini),
// the capture sources, the drawing library, the application window and the dialogs' images.
#pragma once

#include <windows.h>

void StartModules(HINSTANCE instance);
// In the reverse order; the forms are gone by then.
void EndModules();
