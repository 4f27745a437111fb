// Holds Wine's desktop up for a whole test run. The desktop comes with a program's first window and
// goes about a second after the last program on it ends; a test program that starts or ends while
// it goes can hang. This program's window is never shown, so no test sees it. It says "ready" on
// its standard output once the desktop is up and runs until the Wine server ends it.
#include <windows.h>

#include <cstdio>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  WNDCLASSW windowClass = {};
  windowClass.lpfnWndProc = DefWindowProcW;
  windowClass.hInstance = instance;
  windowClass.lpszClassName = L"CorvixTestDesktopKeeper";
  if (!RegisterClassW(&windowClass)) return 1;
  HWND window = CreateWindowExW(WS_EX_TOOLWINDOW, windowClass.lpszClassName, L"", WS_POPUP, 0, 0, 1, 1,
                                nullptr, nullptr, instance, nullptr);
  if (!window) return 1;
  std::puts("ready");
  std::fflush(stdout);
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
  return 0;
}
