// The dialogs' images, made once at start-up.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <memory>

class TDialogImages {
 public:
  TDialogImages();
  ~TDialogImages();
  TDialogImages(const TDialogImages&) = delete;
  TDialogImages& operator=(const TDialogImages&) = delete;
  // The options dialog's page icons, 24 pixels: image 0, a crossed wrench and screwdriver.
  HIMAGELIST PageIcons = nullptr;
};

extern std::unique_ptr<TDialogImages> DialogImages;
