#include "app/program_modules.h"

#include <commctrl.h>
#include <objbase.h>

#include "capture/capture_sources.h"
#include "common/app_title.h"
#include "config/option_store.h"
#include "dialogs/dialog_images.h"
#include "markup/markup_bar_look.h"
#include "toolkit/forms.h"

void StartModules(HINSTANCE instance) {
  // The shell's folder dialog needs COM; the tree view needs the common controls.
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_TREEVIEW_CLASSES | ICC_STANDARD_CLASSES | ICC_BAR_CLASSES};
  InitCommonControlsEx(&controls);
  SetAppPath();
  OptionStore = std::make_unique<TOptionStore>();
  CreateCaptureSources();
  // The drawing library sets itself up on first use: here, not in the first region overlay.
  PrepareBarDrawing();
  Application.Initialize(instance);
  Application.SetTitle(kAppTitle);
  DialogImages = std::make_unique<TDialogImages>();
}

void EndModules() {
  DialogImages.reset();
  FreeCaptureSources();
  OptionStore.reset();
  AppPath.clear();
  CoUninitialize();
}
