// The picture on the clipboard. Win32 glue.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
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
// asks for it, a few seconds after the capture (on a worker thread: a long picture's take seconds),
// or before the program ends, whichever comes first. Until then it keeps the pixels; the owner
// window passes on the clipboard's messages and the worker's.
class TClipboardPicture {
 public:
  // The formats made off the window's thread are announced to `owner` with `renderedMessage`.
  TClipboardPicture(HWND owner, UINT renderedMessage) : owner_(owner), renderedMessage_(renderedMessage) {}
  TClipboardPicture(const TClipboardPicture&) = delete;
  TClipboardPicture& operator=(const TClipboardPicture&) = delete;

  // Puts the picture on the clipboard in place of what was there. Another program holding the
  // clipboard is waited for, about half a second at most. Raises "Cannot copy the picture to the
  // clipboard: another program is using it", or "Cannot copy the picture to the clipboard: " and
  // the system's reason (running out of memory included).
  // Returns the picture's number, which TakePng and Keep ask for. A `borrowed` picture's pixels are
  // read where they lie, not copied: nothing may draw on it until its owner hands it over with Keep.
  // What a worker still makes of the earlier picture goes nowhere.
  uint64_t Put(HBITMAP bitmap, bool borrowed = false);
  // The picture `put` numbers, put borrowed, is the clipboard's own from now on; it goes at once when
  // its formats are made or another picture was put.
  void Keep(uint64_t put, UniqueBitmap bitmap);
  // The PNG file saved of the picture `put` numbers: the clipboard's PNG is these bytes, not made
  // again. Ignored once another picture was put (a pin copied while the Save dialog was open).
  void TakePng(uint64_t put, std::span<const uint8_t> png);

  // WM_RENDERFORMAT: the clipboard is open for the program that asked. A format the worker is
  // making is waited for.
  void Render(UINT format);
  // A few seconds after the capture: whatever is still to be made is made on a worker thread, and
  // put on the clipboard at `renderedMessage` (Rendered). A borrowed picture not yet kept is made here.
  void StartRendering();
  // At `renderedMessage`: what the worker made goes on the clipboard while it is still this
  // program's, and the pixels go. A message about an earlier picture is ignored.
  void Rendered();
  // Whatever is still to be made, made (the worker waited for) and put on the clipboard now while it
  // is still this program's (WM_RENDERALLFORMATS, the program's end); the pixels go.
  void RenderNow();
  // WM_DESTROYCLIPBOARD: another program has emptied it; what was kept goes, the worker's results too.
  void Emptied() {
    if (!putting_) picture_.reset();
  }

 private:
  struct Picture;  // the pixels and the formats, shared with the worker
  void Set(size_t format);

  HWND owner_;
  UINT renderedMessage_;
  std::shared_ptr<Picture> picture_;  // while a format is still to be set
  uint64_t puts_ = 0;  // how many pictures were put
  bool putting_ = false;  // Put empties the clipboard, which tells its owner: this program itself
};
