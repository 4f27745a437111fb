#include "common/clipboard.h"

#include <cstring>
#include <vector>

#include "common/image_encoding.h"
#include "common/png_encoding.h"
#include "common/uCommand.h"
#include "toolkit/error.h"
#include "toolkit/scope_exit.h"

namespace {

// The bytes as a movable global block, which the clipboard takes over once SetClipboardData has
// succeeded; freed here otherwise.
void SetClipboardBytes(UINT format, const std::vector<uint8_t>& bytes) {
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
  void* at = block ? GlobalLock(block) : nullptr;
  if (!at) {
    if (block) GlobalFree(block);
    throw Error(L"Cannot copy the picture to the clipboard: " + SysErrorMessage(ERROR_NOT_ENOUGH_MEMORY));
  }
  std::memcpy(at, bytes.data(), bytes.size());
  GlobalUnlock(block);
  if (!SetClipboardData(format, block)) {
    const DWORD code = GetLastError();
    GlobalFree(block);
    throw Error(L"Cannot copy the picture to the clipboard: " + SysErrorMessage(code));
  }
}

}  // namespace

void CopyBitmapToClipboard(HWND owner, HBITMAP bitmap) {
  // Both forms are made before the clipboard is opened: it is held as briefly as can be.
  const PixelView pixels = BitmapPixels(bitmap);
  const std::vector<uint8_t> dib = PackedDib24(pixels);
  std::vector<uint8_t> png;
  if (dib.empty() || EncodePng(pixels, png) != 0) throw Error(L"Cannot read the picture's pixels");

  constexpr int kTries = 25, kPauseMs = 20;  // about half a second in all
  bool open = false;
  for (int attempt = 0; attempt < kTries && !(open = OpenClipboard(owner)); ++attempt) Sleep(kPauseMs);
  if (!open) throw Error(L"Cannot copy the picture to the clipboard: another program is using it");
  const ScopeExit close([] { CloseClipboard(); });
  if (!EmptyClipboard()) throw Error(L"Cannot copy the picture to the clipboard: " + SysErrorMessage(GetLastError()));
  SetClipboardBytes(CF_DIB, dib);
  SetClipboardBytes(RegisterClipboardFormatW(L"PNG"), png);
}
