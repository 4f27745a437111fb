// Hooked by the end-of-session tests onto Corvix's thread (the system loads it into the program):
// once Corvix's window procedure has answered WM_ENDSESSION(TRUE), its thread waits here, its
// windows standing and nothing after the answer done yet, until the test has looked at what it
// left (bounded, so a test that dies does not leave it hanging).
#include <windows.h>

extern "C" __declspec(dllexport) LRESULT CALLBACK AnswerHoldHook(int code, WPARAM wParam, LPARAM lParam) {
  const auto* call = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
  if (code == HC_ACTION && call->message == WM_ENDSESSION && call->wParam) {
    HANDLE answered = OpenEventW(EVENT_MODIFY_STATE, FALSE, L"CorvixTestEndAnswered");
    HANDLE looked = OpenEventW(SYNCHRONIZE, FALSE, L"CorvixTestEndLooked");
    if (answered && looked && SetEvent(answered)) WaitForSingleObject(looked, 10000);
    if (answered) CloseHandle(answered);
    if (looked) CloseHandle(looked);
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}
