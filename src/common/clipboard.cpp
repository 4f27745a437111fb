#include "common/clipboard.h"

#include <algorithm>
#include <array>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>

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

// The bytes as a movable global block; null when there is no memory for it (or no bytes).
UniqueGlobal GlobalBytes(std::span<const uint8_t> bytes) {
  if (bytes.empty()) return {};
  UniqueGlobal block(GlobalAlloc(GMEM_MOVEABLE, bytes.size()));
  void* at = block ? GlobalLock(block.get()) : nullptr;
  if (!at) return {};
  std::memcpy(at, bytes.data(), bytes.size());
  GlobalUnlock(block.get());
  return block;
}

// The clipboard takes the block over once SetClipboardData has succeeded; freed here otherwise. A
// delayed format's failure is not said: the program that asked gets nothing in that format.
bool SetClipboardBlock(UINT format, UniqueGlobal block) {
  if (!block || !SetClipboardData(format, block.get())) return false;
  block.release();
  return true;
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
  return EmptyClipboard() && SetClipboardBlock(CF_UNICODETEXT, GlobalBytes({bytes, (text.size() + 1) * sizeof(wchar_t)}));
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

// Each format offered goes from ToMake (a null handle on the clipboard) to Done (set, or given up);
// through Working and Made when the worker makes it.
enum class Stage : uint8_t { ToMake, Working, Made, Done };
constexpr size_t kDib = 0, kPng = 1;

struct TClipboardPicture::Picture {
  std::vector<uint8_t> Pixels;  // a copy of the picture's rows
  UniqueBitmap Kept;            // or the picture itself, put borrowed and kept
  PixelView View;               // of Pixels, Kept or the borrowed picture
  std::vector<uint8_t> Png;     // the saved file's, when it was a PNG

  // The worker reads only what is above (nothing changes it meanwhile) and shares what follows.
  std::mutex Lock;
  std::condition_variable Progressed;  // the worker made a format
  struct Format {
    UINT Id;
    Stage State = Stage::ToMake;
    UniqueGlobal Block;  // made by the worker, null when there was no memory for it
  };
  std::array<Format, 2> Formats{{{CF_DIB}, {PngFormat()}}};

  bool Owned() const { return Kept || !Pixels.empty(); }

  Stage StateOf(size_t format) {
    const std::lock_guard hold(Lock);
    return Formats[format].State;
  }

  // Whether every format stands at one of the two stages.
  bool AllAt(Stage one, Stage other) {
    const std::lock_guard hold(Lock);
    return std::all_of(Formats.begin(), Formats.end(), [&](const Format& f) { return f.State == one || f.State == other; });
  }

  // ToMake becomes Working for the worker; false when there is nothing to make.
  bool HandToWorker() {
    const std::lock_guard hold(Lock);
    bool any = false;
    for (Format& format : Formats) {
      if (format.State != Stage::ToMake) continue;
      format.State = Stage::Working;
      any = true;
    }
    return any;
  }

  // The worker's part: it touches no window and sends nothing, so a thread that waits for it never
  // holds it up.
  void MakeWorking() {
    for (size_t format = 0; format < Formats.size(); ++format) {
      if (StateOf(format) != Stage::Working) continue;
      UniqueGlobal block = Make(format);
      {
        const std::lock_guard hold(Lock);
        Formats[format].Block = std::move(block);
        Formats[format].State = Stage::Made;
      }
      Progressed.notify_all();
    }
  }

  // The format's block, to set now: the worker's (waited for while it makes it), else made here.
  // The format is Done after.
  UniqueGlobal Take(size_t format) {
    std::unique_lock hold(Lock);
    Progressed.wait(hold, [&] { return Formats[format].State != Stage::Working; });
    const Stage was = std::exchange(Formats[format].State, Stage::Done);
    if (was == Stage::Made) return std::move(Formats[format].Block);
    hold.unlock();
    return was == Stage::ToMake ? Make(format) : UniqueGlobal();
  }

  // Out of memory is not said: the format is not offered then.
  UniqueGlobal Make(size_t format) const {
    try {
      if (format == kDib) return GlobalBytes(PackedDib24(View));
      if (!Png.empty()) return GlobalBytes(Png);
      std::vector<uint8_t> png;
      return EncodePng(View, png) == 0 ? GlobalBytes(png) : UniqueGlobal();
    } catch (const std::bad_alloc&) {
      return {};
    }
  }
};

uint64_t TClipboardPicture::Put(HBITMAP bitmap, bool borrowed) {
  // The rows are copied as they are (the quickest copy there is): the formats are made from them
  // later, off the capture's way. What the clipboard offers now stays until it is replaced.
  std::shared_ptr<Picture> picture;
  try {
    picture = std::make_shared<Picture>();
    PixelView& view = picture->View;
    std::vector<uint8_t>& rows = picture->Pixels;
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
  picture_ = std::move(picture);  // the last picture's pixels go, or go with its worker
  // Offered with null handles: made when asked for. (A null handle comes back either way, so there
  // is nothing to check.)
  for (const Picture::Format& format : picture_->Formats) SetClipboardData(format.Id, nullptr);
  return ++puts_;
}

// Only a picture read where it lay needs its bitmap: one copied lets it go at once.
void TClipboardPicture::Keep(uint64_t put, UniqueBitmap bitmap) {
  if (put == puts_ && picture_ && !picture_->Owned()) picture_->Kept = std::move(bitmap);
}

// Without memory for the copy, the PNG is made from the pixels when asked for.
void TClipboardPicture::TakePng(uint64_t put, std::span<const uint8_t> png) {
  if (put != puts_ || !picture_ || picture_->StateOf(kPng) != Stage::ToMake) return;
  try {
    picture_->Png.assign(png.begin(), png.end());
  } catch (const std::bad_alloc&) {
    picture_->Png.clear();
  }
}

// On the clipboard, open for this program or for the one that asked.
void TClipboardPicture::Set(size_t format) {
  SetClipboardBlock(picture_->Formats[format].Id, picture_->Take(format));
}

void TClipboardPicture::Render(UINT format) {
  if (!picture_) return;
  for (size_t at = 0; at < picture_->Formats.size(); ++at)
    if (picture_->Formats[at].Id == format) Set(at);
  if (picture_->AllAt(Stage::Done, Stage::Done)) picture_.reset();
}

void TClipboardPicture::StartRendering() {
  if (!picture_) return;
  if (!picture_->Owned()) return RenderNow();  // its owner frees it once this returns
  if (!picture_->HandToWorker()) return;
  try {
    // The worker's share keeps the pixels until it ends, though another picture was put meanwhile.
    std::thread([picture = picture_, owner = owner_, message = renderedMessage_] {
      picture->MakeWorking();
      PostMessageW(owner, message, 0, 0);
    }).detach();
  } catch (const std::system_error&) {
    picture_->MakeWorking();  // no thread to be had: made here
    Rendered();
  }
}

void TClipboardPicture::Rendered() {
  if (picture_ && picture_->AllAt(Stage::Made, Stage::Done)) RenderNow();
}

void TClipboardPicture::RenderNow() {
  if (!picture_) return;
  if (!OpenClipboard(owner_)) return;  // held by another program: made when asked for, or at the end
  const ScopeExit close([] { CloseClipboard(); });
  if (GetClipboardOwner() == owner_)
    for (size_t format = 0; format < picture_->Formats.size(); ++format) Set(format);
  picture_.reset();
}
