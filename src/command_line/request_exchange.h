// A capture request handed from a later start to the running Corvix, and its answer handed back:
// WM_COPYDATA both ways. The later start waits in a window of its own, as long as the capture takes
// (a region is marked by a person), or until the running Corvix ends. Win32 glue.
#pragma once

#include <windows.h>

#include <optional>

#include "command_line/capture_request.h"

// What the running Corvix returns from the request's WM_COPYDATA: taken, to be answered later;
// busy with a capture, or ending (answered so at once); 0 for a request it cannot read.
inline constexpr LRESULT kRequestTaken = 1, kRequestBusy = 2, kRequestEnding = 3;

// From the later start: the request to the running Corvix's main form; what it printed and the exit
// code come from the answer.
int HandOver(HWND form, const CaptureRequest& request);

// The request to the running Corvix's main form, its answer to go to `reply` with `secret`: false
// when the form did not take it in time; `taken` is what it returned.
bool SendRequest(HWND form, HWND reply, const CaptureRequest& request, const std::wstring& secret, LRESULT& taken);

// In the running Corvix: the request a WM_COPYDATA carries, the window its answer goes to and the
// secret the answer carries back.
std::optional<CaptureRequest> ReceivedRequest(LPARAM copyData, HWND& reply, std::wstring& secret);
void SendAnswer(HWND reply, HWND from, const CaptureAnswer& answer, const std::wstring& secret);

// Prints the answer as the command line does: the path on standard output, or why on standard
// error; the exit code.
int PrintAnswer(const CaptureAnswer& answer);
