// Set by the overlay benchmark as a system-wide CBT hook, so the system loads it into the program:
// it holds the making of the region overlay's window until the benchmark has covered the screen
// with its canvas. The program has copied the screen by then, so only the overlay's own paint can
// bring the picture back; the benchmark times the hold and takes it off its figure.
#include <windows.h>

#include <string_view>

extern "C" __declspec(dllexport) LRESULT CALLBACK OverlayGateHook(int code, WPARAM wParam, LPARAM lParam) {
  wchar_t name[32] = {};
  if (code == HCBT_CREATEWND && GetClassNameW(reinterpret_cast<HWND>(wParam), name, 32) &&
      std::wstring_view(name) == L"TCustomSnapForm") {
    HANDLE made = OpenEventW(EVENT_MODIFY_STATE, FALSE, L"CorvixBenchOverlayMade");
    HANDLE covered = OpenEventW(SYNCHRONIZE, FALSE, L"CorvixBenchCanvasShown");
    if (made && covered && SetEvent(made)) WaitForSingleObject(covered, 5000);
    if (made) CloseHandle(made);
    if (covered) CloseHandle(covered);
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}
