// The picture on the clipboard. Win32 glue.
#pragma once

#include <windows.h>

// Puts the picture on the clipboard, in place of what was there, as a 24-bit CF_DIB (what every
// program pastes) and as "PNG" (for the programs that prefer it). Another program holding the
// clipboard is waited for, about half a second at most. Raises "Cannot copy the picture to the
// clipboard: another program is using it", or the picture's own error.
void CopyBitmapToClipboard(HWND owner, HBITMAP bitmap);
