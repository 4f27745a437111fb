// Program entry: module start-up, the application and its hidden main form, the message loop, and
// the shut-down in the reverse order.
#include <windows.h>

#include "app/uCorvixForm.h"
#include "capture/uSnapBase.h"
#include "common/app_title.h"
#include "config/uConfigure.h"
#include "toolkit/forms.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  // Before any window: the program folder, the option store (it reads Option.ini), the capture
  // sources.
  SetAppPath();
  OptionConfigure = std::make_unique<TOptionConfigure>();
  CreateSnaps();

  try {
    Application.Initialize(instance);
    Application.SetTitle(kAppTitle);
    CorvixForm = Application.CreateForm<TCorvixForm>();
    Application.Run();
  } catch (const std::exception& error) {
    Application.HandleException(error);
  }
  // The forms go while the option store still exists; then the modules, in reverse order.
  Application.DestroyForms();
  CorvixForm = nullptr;
  FreeSnaps();
  OptionConfigure.reset();
  AppPath.clear();
  return 0;
}
