// A capture source's picture: a bitmap of the screen's own colour depth, made once and made again
// only when the captured size changes. 24- and 32-bit screens get a DIB section, so the pixels can
// be encoded where they lie.
#pragma once

#include <windows.h>

#include <functional>

#include "toolkit/handles.h"

class TCapturePicture {
 public:
  TCapturePicture();
  HBITMAP Handle() const { return bitmap_.get(); }
  int Width() const { return width_; }
  int Height() const { return height_; }

  // Makes the picture this size; its pixels are undefined until drawn. Raises "Cannot make a
  // picture of W x H pixels. <system error>" when the system gives no bitmap.
  void SetSize(int width, int height);
  // Copies a rectangle of a device context into the whole picture (one BitBlt, SRCCOPY); raises
  // "Cannot copy the screen" when the system refuses.
  void CopyFrom(HDC source, int left, int top);
  // Draws on the picture: `draw` gets a DC with the picture selected.
  void Draw(const std::function<void(HDC)>& draw);
  // Takes over the size and pixels of another bitmap; raises when there is none.
  void Assign(HBITMAP other);
  // Gives the picture's memory back; the next SetSize makes it anew.
  void Release();
  // Hands the picture over to a new owner; the next SetSize makes it anew.
  UniqueBitmap Take();
  // Takes a picture made elsewhere as its own.
  void Adopt(UniqueBitmap bitmap, int width, int height);

 private:
  UniqueMemoryDc dc_;
  UniqueBitmap bitmap_;
  int width_ = 0, height_ = 0;
};

// A bottom-up DIB section of this size at 24 or 32 bits, its pixels at `pixels`. Raises "Cannot
// make a picture of W x H pixels. <system error>" when the system gives none.
UniqueBitmap NewDibSection(int width, int height, int bits, void** pixels = nullptr);
