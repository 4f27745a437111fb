#include "common/clipboard.h"

#include <cstring>
#include <new>

#include "common/bitmap_pixels.h"
#include "common/png_decoding.h"
#include "common/png_encoding.h"
#include "common/system_error.h"
#include "toolkit/error.h"
#include "toolkit/scope_exit.h"

namespace {

[[noreturn]] void CannotCopy(DWORD code) {
  throw Error(L"Cannot copy the picture to the clipboard: " + SysErrorMessage(code));
}

// The bytes as a movable global block, which the clipboard takes over once SetClipboardData has
// succeeded; freed here otherwise. A delayed format's failure is not said: the program that asked
// gets nothing in that format.
bool SetClipboardBytes(UINT format, std::span<const uint8_t> bytes) {
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
  void* at = block ? GlobalLock(block) : nullptr;
  if (!at) {
    if (block) GlobalFree(block);
    return false;
  }
  std::memcpy(at, bytes.data(), bytes.size());
  GlobalUnlock(block);
  if (SetClipboardData(format, block)) return true;
  GlobalFree(block);
  return false;
}

UINT PngFormat() {
  static const UINT format = RegisterClipboardFormatW(L"PNG");
  return format;
}

}  // namespace

bool PutClipboardText(HWND owner, const std::wstring& text) {
  if (text.empty() || !OpenClipboard(owner)) return false;
  const ScopeExit close([] { CloseClipboard(); });
  const auto* bytes = reinterpret_cast<const uint8_t*>(text.c_str());
  return EmptyClipboard() && SetClipboardBytes(CF_UNICODETEXT, {bytes, (text.size() + 1) * sizeof(wchar_t)});
}

UniqueBitmap DecodeClipboardPng(const std::vector<uint8_t>& png, ClipboardMiss& miss) {
  UniqueBitmap made;
  bool noMemory = false;
  const PngRead read = DecodePngBgrx(png.data(), png.size(), [&](int32_t width, int32_t height, int32_t) {
    BITMAPINFO info{{sizeof(BITMAPINFOHEADER), width, height, 1, 32, BI_RGB}};
    void* rows = nullptr;
    made.reset(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &rows, nullptr, 0));
    noMemory = !made;
    return static_cast<uint8_t*>(rows);
  });
  if (read == PngRead::Ok) return made;
  miss = noMemory ? ClipboardMiss::NoMemory : read == PngRead::TooLarge ? ClipboardMiss::TooLarge : ClipboardMiss::Unreadable;
  return {};
}

ClipboardRead ReadClipboardPicture(HWND owner, ClipboardMiss& miss) {
  ClipboardRead read;
  if (!OpenClipboard(owner)) {
    miss = ClipboardMiss::Held;
    return read;
  }
  const ScopeExit close([] { CloseClipboard(); });
  if (HANDLE bitmap = GetClipboardData(CF_BITMAP)) {
    read.Bitmap.reset(static_cast<HBITMAP>(CopyImage(bitmap, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
    if (!read.Bitmap) miss = ClipboardMiss::NoMemory;
    return read;
  }
  HANDLE block = GetClipboardData(PngFormat());
  const auto* bytes = block ? static_cast<const uint8_t*>(GlobalLock(block)) : nullptr;
  if (!bytes) {
    miss = ClipboardMiss::NoPicture;
    return read;
  }
  const ScopeExit unlock([block] { GlobalUnlock(block); });
  try {  // the bytes copied out: the clipboard is not held while they are decoded
    read.Png.assign(bytes, bytes + GlobalSize(block));
  } catch (const std::bad_alloc&) {
    miss = ClipboardMiss::NoMemory;
  }
  return read;
}

uint64_t TClipboardPicture::Put(HBITMAP bitmap, bool borrowed) {
  // The rows are copied as they are (the quickest copy there is): the formats are made from them
  // later, off the capture's way. What the clipboard offers now stays until it is replaced.
  std::vector<uint8_t> rows;
  PixelView view;
  try {
    view = BitmapPixels(bitmap, rows);
    if (view.Pixels != rows.data() && !borrowed) {  // the bitmap's own: copied, since the next capture draws on it
      rows.assign(view.Pixels, view.Pixels + view.Stride * static_cast<size_t>(view.Height));
      view.Pixels = rows.data();
    }
  } catch (const std::bad_alloc&) {
    CannotCopy(ERROR_NOT_ENOUGH_MEMORY);
  }

  // Another program holding the clipboard may be waiting for this one to make a format it offers:
  // what other threads send is handled while waiting.
  constexpr DWORD kWaitMs = 500;
  const DWORD start = GetTickCount();
  while (!OpenClipboard(owner_)) {
    if (GetTickCount() - start >= kWaitMs)
      throw Error(L"Cannot copy the picture to the clipboard: another program is using it");
    MSG sent;
    if (MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_SENDMESSAGE) == WAIT_OBJECT_0)
      PeekMessageW(&sent, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
  }
  const ScopeExit close([] { CloseClipboard(); });
  putting_ = true;
  const ScopeExit put([this] { putting_ = false; });
  if (!EmptyClipboard()) CannotCopy(GetLastError());
  Forget();
  pixels_.swap(rows);
  view_ = view;
  // Offered with null handles: made when asked for. (A null handle comes back either way, so there
  // is nothing to check.)
  SetClipboardData(CF_DIB, nullptr);
  SetClipboardData(PngFormat(), nullptr);
  dibToMake_ = pngToMake_ = true;
  return ++puts_;
}

void TClipboardPicture::Keep(uint64_t put, UniqueBitmap bitmap) {
  if (put == puts_ && (dibToMake_ || pngToMake_)) kept_ = std::move(bitmap);
}

// Without memory for the copy, the PNG is made from the pixels when asked for.
void TClipboardPicture::TakePng(uint64_t put, std::span<const uint8_t> png) {
  try {
    if (pngToMake_ && put == puts_) png_.assign(png.begin(), png.end());
  } catch (const std::bad_alloc&) {
    png_.clear();
  }
}

void TClipboardPicture::SetDib() {
  dibToMake_ = false;
  try {
    const std::vector<uint8_t> dib = PackedDib24(view_);
    if (!dib.empty()) SetClipboardBytes(CF_DIB, dib);
  } catch (const std::bad_alloc&) {
  }
}

// From the kept pixels unless the saved file's bytes came.
void TClipboardPicture::SetPng() {
  pngToMake_ = false;
  try {
    if (png_.empty() && EncodePng(view_, png_) != 0) return;
    SetClipboardBytes(PngFormat(), png_);
  } catch (const std::bad_alloc&) {
  }
}

void TClipboardPicture::Render(UINT format) {
  if (format == CF_DIB && dibToMake_) SetDib();
  if (format == PngFormat() && pngToMake_) SetPng();
  if (!dibToMake_ && !pngToMake_) Forget();
}

void TClipboardPicture::RenderNow() {
  if (!dibToMake_ && !pngToMake_) return;
  if (!OpenClipboard(owner_)) return;  // held by another program: made when asked for, or at the end
  const ScopeExit close([] { CloseClipboard(); });
  if (GetClipboardOwner() == owner_) {
    if (dibToMake_) SetDib();
    if (pngToMake_) SetPng();
  }
  Forget();
}

void TClipboardPicture::Forget() {
  std::vector<uint8_t>().swap(pixels_);
  std::vector<uint8_t>().swap(png_);
  kept_.reset();
  view_ = {};
  dibToMake_ = pngToMake_ = false;
}
