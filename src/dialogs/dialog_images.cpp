#include "dialogs/dialog_images.h"

#include "app/resource.h"
#include "toolkit/forms.h"

std::unique_ptr<TDialogImages> DialogImages;

TDialogImages::TDialogImages()
    : PageIcons(ImageList_Create(24, 24, ILC_COLOR32 | ILC_MASK, 1, 4)) {
  HICON tools = static_cast<HICON>(
      LoadImageW(Application.Instance(), MAKEINTRESOURCEW(IDI_TOOLS), IMAGE_ICON, 24, 24, LR_DEFAULTCOLOR));
  ImageList_AddIcon(PageIcons, tools);
  DestroyIcon(tools);
}

TDialogImages::~TDialogImages() { ImageList_Destroy(PageIcons); }
