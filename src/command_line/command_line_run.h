// A start of Corvix with arguments that begin with "--": the usage, a refusal, or a capture carried
// out by the running Corvix or, when none runs, by this start alone (no tray icon, no hot keys, not
// the one Corvix of the session), which then ends. Returns the exit code.
#pragma once

#include <windows.h>

#include "command_line/capture_request.h"

int RunCommandLine(const ParsedArguments& parsed, HINSTANCE instance);
