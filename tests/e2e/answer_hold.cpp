// Hooks the tests set on Corvix's thread (the system loads this into the program), each seeing a
// message answered by Corvix's window procedure.
#include <windows.h>

// Once WM_ENDSESSION(TRUE) is answered, the thread waits here, its windows standing and nothing
// after the answer done yet, until the test has looked at what it left (bounded, so a test that
// dies does not leave it hanging).
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

// Once a later start's "show the welcome" is answered, the test hears of it.
extern "C" __declspec(dllexport) LRESULT CALLBACK WelcomeAskedHook(int code, WPARAM wParam, LPARAM lParam) {
  const auto* call = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
  if (code == HC_ACTION && call->message == RegisterWindowMessageW(L"Corvix.ShowWelcome"))
    if (HANDLE asked = OpenEventW(EVENT_MODIFY_STATE, FALSE, L"CorvixTestWelcomeAsked")) {
      SetEvent(asked);
      CloseHandle(asked);
    }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}
