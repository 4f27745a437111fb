#include "overlay/frozen_picture.h"

void TFrozenPicture::Hold(HBITMAP picture) {
  GiveBack();
  dc_.reset(CreateCompatibleDC(nullptr));
  old_ = SelectObject(dc_.get(), picture);
}

void TFrozenPicture::GiveBack() {
  if (!dc_) return;
  SelectObject(dc_.get(), old_);
  dc_.reset();
}

void TFrozenPicture::CopyTo(HDC dc, int x, int y, const Rect& area) const {
  if (dc_) BitBlt(dc, x, y, area.Width(), area.Height(), dc_.get(), area.Left, area.Top, SRCCOPY);
}
