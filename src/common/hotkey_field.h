// Hot-key edit fields: they show the keys pressed in them. Win32 glue over hotkey_text.
#pragma once

#include <windows.h>

#include <string>

// The names of the table keys held down at the time of the key message being handled.
std::wstring PressedKeysText();

// Fills a hot-key edit field on a key-down: the held modifiers and the pressed key when it has a
// name ("CTRL+SHIFT+F5"). Keys without a name (Space, Delete, ...) leave only the modifiers, so with
// none held they empty the field. The key message itself is left alone.
void ShowPressedKeys(HWND edit, WPARAM pressedKey);
