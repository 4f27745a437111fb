// The frozen picture the overlay shows: the desktop as it stood at the key press, borrowed from its
// capture source and held in a memory DC to paint from while the overlay runs.
#pragma once

#include <windows.h>

#include "common/rect.h"
#include "toolkit/handles.h"

class TFrozenPicture {
 public:
  TFrozenPicture() = default;
  ~TFrozenPicture() { GiveBack(); }
  TFrozenPicture(const TFrozenPicture&) = delete;
  TFrozenPicture& operator=(const TFrozenPicture&) = delete;

  // Holds `picture` (borrowed; its top-left is the overlay's) to paint from.
  void Hold(HBITMAP picture);
  // Gives the picture back to its owner, who reads it with GetDIBits: a bitmap selected into a DC
  // cannot be read.
  void GiveBack();
  // The picture's DC, or null while none is held.
  HDC Dc() const { return dc_.get(); }
  // Copies `area` of the picture into `dc` at (x, y); nothing while none is held.
  void CopyTo(HDC dc, int x, int y, const Rect& area) const;

 private:
  UniqueMemoryDc dc_;
  HGDIOBJ old_ = nullptr;
};
