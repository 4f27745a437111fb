// The messages the main form posts itself. Win32 glue.
#pragma once

#include <windows.h>

#include "app/hot_keys.h"

// A job off the window's thread is done (a picture decoded).
inline constexpr UINT kWorkDoneMessage = THotKeys::kStopWatchingMessage + 1;
// The wait of a delayed capture is over; a request of the command line is to be run; 截取上次区域
// was chosen (the menu has returned).
inline constexpr UINT kDelayOverMessage = kWorkDoneMessage + 1;
inline constexpr UINT kRequestMessage = kDelayOverMessage + 1;
inline constexpr UINT kLastRegionMessage = kRequestMessage + 1;
// The clipboard's formats are made off the window's thread.
inline constexpr UINT kClipboardRenderedMessage = kLastRegionMessage + 1;
