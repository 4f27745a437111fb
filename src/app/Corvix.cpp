// Program entry: the hidden application window and the message loop.
#include <windows.h>

#include "app/resource.h"
#include "common/app_title.h"

namespace {

LRESULT CALLBACK ApplicationProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  WNDCLASSEXW windowClass{sizeof windowClass};
  windowClass.lpfnWndProc = ApplicationProc;
  windowClass.hInstance = instance;
  windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_MAINICON));
  windowClass.lpszClassName = L"TCorvixApplication";
  if (!RegisterClassExW(&windowClass)) return 1;

  // Never shown: it owns the taskbar button that the program keeps hidden.
  HWND application = CreateWindowExW(0, windowClass.lpszClassName, kAppTitle, WS_POPUP, 0, 0, 0, 0,
                                     nullptr, nullptr, instance, nullptr);
  if (!application) return 1;

  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return static_cast<int>(message.wParam);
}
