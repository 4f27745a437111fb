#include "dialogs/dialog_images.h"

#include "app/resource.h"
#include "toolkit/forms.h"

std::unique_ptr<TDm> Dm;

TDm::TDm()
    : IL16(ImageList_Create(16, 16, ILC_COLOR32 | ILC_MASK, 0, 4)),
      IL24(ImageList_Create(24, 24, ILC_COLOR32 | ILC_MASK, 1, 4)),
      IL32(ImageList_Create(32, 32, ILC_COLOR32 | ILC_MASK, 0, 4)) {
  HICON tools = static_cast<HICON>(
      LoadImageW(Application.Instance(), MAKEINTRESOURCEW(IDI_TOOLS), IMAGE_ICON, 24, 24, LR_DEFAULTCOLOR));
  ImageList_AddIcon(IL24, tools);
  DestroyIcon(tools);
}

TDm::~TDm() {
  ImageList_Destroy(IL16);
  ImageList_Destroy(IL24);
  ImageList_Destroy(IL32);
}
