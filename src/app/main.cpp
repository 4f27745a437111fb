// Program entry: module start-up, the application and its hidden main form, the message loop, and
// the shut-down in the reverse order.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include "app/main_form.h"
#include "app/single_instance.h"
#include "capture/capture_sources.h"
#include "markup/markup_bar_look.h"
#include "common/app_title.h"
#include "config/option_store.h"
#include "dialogs/dialog_images.h"
#include "toolkit/forms.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  // A second start touches nothing: no Option.ini, no registry, no hot keys.
  TSingleInstance instances;
  if (!instances.First()) instances.WakeFirst();
  if (!instances.First()) return 0;
  // The shell's folder dialog needs COM; the tree view needs the common controls.
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_TREEVIEW_CLASSES | ICC_STANDARD_CLASSES | ICC_BAR_CLASSES};
  InitCommonControlsEx(&controls);
  // Before any window: the program folder, the option store (it reads Option.ini), the capture
  // sources.
  SetAppPath();
  OptionStore = std::make_unique<TOptionStore>();
  CreateCaptureSources();
  // The drawing library sets itself up on first use: here, not in the first region overlay.
  PrepareBarDrawing();

  try {
    Application.Initialize(instance);
    Application.SetTitle(kAppTitle);
    DialogImages = std::make_unique<TDialogImages>();
    MainForm = Application.CreateForm<TMainForm>();
    Application.Run();
  } catch (const std::exception& error) {
    Application.HandleException(error);
  }
  // The forms go while the option store still exists; then the modules, in reverse order.
  Application.DestroyForms();
  MainForm = nullptr;
  instances.Release();  // hot keys and icon are gone: a new start may run
  DialogImages.reset();
  FreeCaptureSources();
  OptionStore.reset();
  AppPath.clear();
  CoUninitialize();
  return 0;
}
