// The picture on the clipboard. Win32 glue.
#pragma once

#include <windows.h>

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "common/image_encoding.h"
#include "toolkit/handles.h"

// Unicode text on the clipboard in place of what was there; false when another program holds it.
bool PutClipboardText(HWND owner, const std::wstring& text);

// Why the clipboard gave no picture.
enum class ClipboardMiss { None, Held, NoPicture, Unreadable, TooLarge, NoMemory };

// The picture on the clipboard: a DIB section of its own of the clipboard's bitmap (the system makes
// one of a DIB), else the bytes of its "PNG", to decode with DecodeClipboardPng. Neither when there
// is none; `miss` then says why.
struct ClipboardRead {
  UniqueBitmap Bitmap;
  std::vector<uint8_t> Png;
};
ClipboardRead ReadClipboardPicture(HWND owner, ClipboardMiss& miss);
// A PNG as a 32-bit DIB section of its own, on any thread; null when it cannot be, `miss` saying why.
UniqueBitmap DecodeClipboardPng(const std::vector<uint8_t>& png, ClipboardMiss& miss);

// What the program put on the clipboard: each picture offered as a 24-bit CF_DIB (what every
// program pastes) and as "PNG" (for the programs that prefer it), each made only when a program
// asks for it, a few seconds after the capture, or before the program ends, whichever comes first.
// Until then it keeps a copy of the pixels; the owner window passes on the clipboard's messages.
class TClipboardPicture {
 public:
  explicit TClipboardPicture(HWND owner) : owner_(owner) {}
  TClipboardPicture(const TClipboardPicture&) = delete;
  TClipboardPicture& operator=(const TClipboardPicture&) = delete;

  // Puts the picture on the clipboard in place of what was there. Another program holding the
  // clipboard is waited for, about half a second at most. Raises "Cannot copy the picture to the
  // clipboard: another program is using it", or "Cannot copy the picture to the clipboard: " and
  // the system's reason (running out of memory included).
  // Returns the picture's number, which TakePng and Keep ask for. A `borrowed` picture's pixels are
  // read where they lie, not copied: nothing may draw on it until its owner hands it over with Keep.
  uint64_t Put(HBITMAP bitmap, bool borrowed = false);
  // The picture `put` numbers, put borrowed, is the clipboard's own from now on; it goes at once when
  // its formats are made or another picture was put.
  void Keep(uint64_t put, UniqueBitmap bitmap);
  // The PNG file saved of the picture `put` numbers: the clipboard's PNG is these bytes, not made
  // again. Ignored once another picture was put (a pin copied while the Save dialog was open).
  void TakePng(uint64_t put, std::span<const uint8_t> png);

  // WM_RENDERFORMAT: the clipboard is open for the program that asked.
  void Render(UINT format);
  // Whatever is still to be made, made and put on the clipboard now while it is still this
  // program's (WM_RENDERALLFORMATS, or a few seconds after the capture); the copy of the pixels goes.
  void RenderNow();
  // WM_DESTROYCLIPBOARD: another program has emptied it; what was kept goes.
  void Emptied() {
    if (!putting_) Forget();
  }

 private:
  void SetDib();
  void SetPng();
  void Forget();
  HWND owner_;
  std::vector<uint8_t> pixels_;  // a copy of the picture's rows, while a format is still to be made
  UniqueBitmap kept_;            // or the picture itself, put borrowed and kept
  PixelView view_;               // of pixels_, kept_ or the borrowed picture
  std::vector<uint8_t> png_;     // the saved file's, when it was a PNG
  bool dibToMake_ = false, pngToMake_ = false;
  uint64_t puts_ = 0;  // how many pictures were put
  bool putting_ = false;  // Put empties the clipboard, which tells its owner: this program itself
};
