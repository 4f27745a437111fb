#include "app/capture_run.h"

#include <malloc.h>

#include <optional>

#include "capture/capture_sources.h"
#include "common/folders.h"
#include "common/image_format.h"
#include "common/paths.h"
#include "config/option_store.h"
#include "toolkit/error.h"
#include "toolkit/forms.h"
#include "toolkit/scope_exit.h"

namespace {

// "All files", then an entry for each format, in the table's order.
std::wstring SaveFilter() {
  std::wstring filter = L"所有文件(*.*)|*.*";
  for (const ImageFormatRow& format : kImageFormats) filter += std::wstring(L"|") + format.SaveFilter;
  return filter;
}

}  // namespace

TCaptureRun::TCaptureRun(HWND owner, UINT clipboardMessage, std::function<void(const std::wstring&)> saved)
    : owner_(owner), saved_(std::move(saved)), clipboard_(owner, clipboardMessage), saveDialog_(SaveFilter()) {}

void TCaptureRun::RunGuarded(const std::function<void()>& capture) {
  running_ = true;
  const ScopeExit done([this] {
    RememberRegion();
    running_ = false;
  });
  try {
    capture();
  } catch (const std::exception& error) {
    Application.HandleException(error);
  }
}

void TCaptureRun::Run(const HotKeyRec& pressed) {
  RunGuarded([&] { CaptureAndSave(pressed); });
}

void TCaptureRun::RunRegion() {
  RunGuarded([&] {
    std::optional<TAutoNameSearch> search;
    if (HBITMAP picture = TakeRegion()) Deliver(picture, RegionCapture.get(), RegionCapture->Ending(), search);
  });
}

CaptureAnswer TCaptureRun::RunRequest(const CaptureRequest& request) {
  running_ = true;
  const ScopeExit done([this] {
    RememberRegion();
    running_ = false;
  });
  std::wstring written;
  try {
    TCaptureSource* source = nullptr;
    RegionEnding ending = RegionEnding::Done;
    Rect place;
    CaptureAnswer failure;
    std::optional<TAutoNameSearch> search;
    if (request.Out.empty() && request.Kind != CaptureKind::Region) SearchName(search);
    HBITMAP picture = TakeRequested(request, source, ending, place, failure);
    if (!picture) return failure;
    // What the overlay's bar asked for besides: pinned or read, as the request wants a pin.
    if ((ending == RegionEnding::Pin || request.Pin) && OnPin) OnPin(picture, place);
    if (ending == RegionEnding::ReadText && OnReadText) OnReadText(picture, place);
    // Deliver puts it on the clipboard itself where the options say so.
    const bool delivererCopies = request.Out.empty() && OptionStore->Option.CopyToClipboard;
    if ((request.Clipboard || ending == RegionEnding::Copy) && !delivererCopies) clipboard_.Put(picture);
    if (!request.Out.empty()) {
      const ImageFormat format = FormatOfName(request.Out).value_or(ImageFormat::Png);
      if (!files_.Save(picture, format, request.Out, request.Overwrite))
        return {kFailed, L"文件已存在：" + request.Out + L"（加 --overwrite 可以覆盖）"};
      written = request.Out;
      OptionStore->History.AddRecentPicture(written);
    } else {
      Deliver(picture, source, ending == RegionEnding::SaveAs ? RegionEnding::SaveAs : RegionEnding::Done, search,
              &written);
      if (written.empty())
        return ImageFormatIndex(OptionStore->Option.DefaultImage) < 0
                   ? CaptureAnswer{kFailed, L"选项中的图片格式不写文件"}
                   : CaptureAnswer{kCancelled, L"已取消"};
    }
    return {kWritten, written};
  } catch (const std::exception& error) {
    // Written, and the clipboard failed after: the file is what was asked for.
    if (!written.empty()) return {kWritten, written};
    const auto* ours = dynamic_cast<const Error*>(&error);
    return {kFailed, ours ? ours->Message() : L"截图失败：内存不足或系统拒绝"};
  }
}

HBITMAP TCaptureRun::TakeRequested(const CaptureRequest& request, TCaptureSource*& source, RegionEnding& ending,
                                   Rect& place, CaptureAnswer& failure) {
  HBITMAP picture = nullptr;
  switch (request.Kind) {
    case CaptureKind::Desktop:
    case CaptureKind::Window:
      source = request.Kind == CaptureKind::Desktop ? static_cast<TCaptureSource*>(ScreenCapture.get())
                                                    : ActiveWindowCapture.get();
      picture = source->Capture();
      place = source->CapturedRect();
      if (!picture) failure = {kFailed, L"没有可截取的前台窗口"};
      break;
    case CaptureKind::Region:
      source = RegionCapture.get();
      picture = TakeRegion();
      ending = RegionCapture->Ending();
      place = RegionCapture->Place();
      if (!picture) failure = {kCancelled, L"已取消"};
      break;
    case CaptureKind::Last:
      source = RegionCapture.get();
      picture = TakeLastRegion();
      place = RegionCapture->Place();
      if (!picture) failure = {kFailed, L"没有上次的区域，或它已不在屏幕上"};
      break;
  }
  return picture;
}

std::optional<Rect> TCaptureRun::LastRegion() {
  const std::vector<Rect> regions = RegionsOnScreens(OptionStore->History.Regions());
  if (regions.empty() || regions.front() != OptionStore->History.Regions().front()) return std::nullopt;
  return regions.front();
}

// Taken again, it stays the last region: the history has nothing to add.
HBITMAP TCaptureRun::TakeLastRegion() {
  const std::optional<Rect> box = LastRegion();
  return box ? RegionCapture->CaptureBox(*box) : nullptr;
}

void TCaptureRun::RunLastRegion() {
  if (!LastRegion()) return;
  RunGuarded([&] {
    std::optional<TAutoNameSearch> search;
    SearchName(search);
    if (HBITMAP picture = TakeLastRegion()) Deliver(picture, RegionCapture.get(), RegionEnding::Done, search);
  });
}

void TCaptureRun::Copy(HBITMAP picture) {
  try {
    clipboard_.Put(picture);
  } catch (const std::exception& error) {
    Application.HandleException(error);
  }
}

void TCaptureRun::SaveAs(HBITMAP picture, HWND owner) {
  try {
    SaveThroughDialog(picture, AbsoluteFolder(OptionStore->Option.DefaultDir, AppPath), owner);
  } catch (const std::exception& error) {
    Application.HandleException(error);
  }
}

void TCaptureRun::ReleaseMemory() {
  clipboard_.StartRendering();
  ReleaseCapturePictures();
  files_.Release();
  _heapmin();  // the C runtime's free blocks back to the system heap, and what it can give back
}

// An automatic name is looked for while the picture is taken; a region's once it is marked, in the
// folder as it is then.
void TCaptureRun::SearchName(std::optional<TAutoNameSearch>& search) {
  const DefaultOptionRec& option = OptionStore->Option;
  if (option.AutoSave && !search)
    search.emplace(AbsoluteFolder(option.DefaultDir, AppPath), option.DefaultFormat, ImageExtension(option.DefaultImage));
}

void TCaptureRun::CaptureAndSave(const HotKeyRec& pressed) {
  std::optional<TAutoNameSearch> search;
  // Matched by the keys, not by the id.
  TCaptureSource* const sources[] = {ScreenCapture.get(), ActiveWindowCapture.get(), RegionCapture.get()};
  HBITMAP picture = nullptr;
  TCaptureSource* source = nullptr;
  RegionEnding ending = RegionEnding::Done;
  for (size_t slot = 0; slot < 3; ++slot) {
    if (!(OptionStore->HotKeys[slot] == pressed)) continue;
    source = sources[slot];
    if (sources[slot] != RegionCapture.get()) {
      SearchName(search);
      picture = sources[slot]->Capture();
      continue;
    }
    picture = TakeRegion();
    ending = RegionCapture->Ending();
  }
  if (picture) Deliver(picture, source, ending, search);
}

HBITMAP TCaptureRun::TakeRegion() {
  RegionCapture->DrawingStyle = OptionStore->DrawingStyle.Load();
  RegionCapture->Alone = !OnPin || !OnReadText;
  RegionCapture->Regions = RegionsOnScreens(OptionStore->History.Regions());
  HBITMAP picture = RegionCapture->Capture();
  try {
    OptionStore->DrawingStyle.Save(RegionCapture->DrawingStyle);
  } catch (const Error&) {
    // A read-only Option.ini stays as it is; the style is only not remembered.
  }
  // Every region taken counts, whatever becomes of it.
  if (picture) takenRegion_ = RegionCapture->TakenBox();
  return picture;
}

void TCaptureRun::RememberRegion() {
  if (takenRegion_) OptionStore->History.AddRegion(*takenRegion_);
  takenRegion_.reset();
}

void TCaptureRun::Deliver(HBITMAP picture, TCaptureSource* source, RegionEnding ending,
                          std::optional<TAutoNameSearch>& search, std::wstring* written) {
  const DefaultOptionRec& option = OptionStore->Option;
  const std::wstring folder = AbsoluteFolder(option.DefaultDir, AppPath);  // a relative one is the program folder's
  if (ending == RegionEnding::Pin) {
    if (OnPin) OnPin(picture, RegionCapture->Place());
    return;
  }
  if (ending == RegionEnding::ReadText) {
    if (OnReadText) OnReadText(picture, RegionCapture->Place());
    return;
  }
  if (ending == RegionEnding::Copy) {
    clipboard_.Put(picture);  // the clipboard alone, whatever the options say
    return;
  }
  if (ending == RegionEnding::SaveAs) search.reset();  // the Save dialog, whatever AutoSave says
  else SearchName(search);

  // The clipboard first (a Save dialog cancelled later leaves the picture there); should it fail, the
  // file is still written and the clipboard's error comes after.
  std::optional<Error> clipboardError;
  uint64_t put = 0;
  if (option.CopyToClipboard) {
    try {
      put = clipboard_.Put(picture, true);
    } catch (const Error& error) {
      clipboardError = error;
    }
  }
  // No copy of the pixels on the capture's way: the clipboard reads the source's own picture, and
  // keeps it once it is saved; the next capture makes one anew.
  const ScopeExit handOver([&] {
    if (put != 0) clipboard_.Keep(put, source->TakePicture());
  });
  try {
    const std::wstring path = search ? SaveAutomatically(picture, *search) : SaveThroughDialog(picture, folder, owner_);
    if (written && ImageFormatIndex(option.DefaultImage) >= 0) *written = path;
    // A PNG file's bytes are the clipboard's PNG too: the picture is encoded once.
    if (!path.empty() && put != 0 && option.DefaultImage == ImageFormat::Png) clipboard_.TakePng(put, files_.LastFile());
  } catch (const Error& saveError) {
    if (clipboardError) throw Error(saveError.Message() + L"\r\n\r\n" + clipboardError->Message());  // one box, both
    throw;
  }
  if (clipboardError) throw *clipboardError;
}

// The picture under the name the search finds; the balloon names the file.
std::wstring TCaptureRun::SaveAutomatically(HBITMAP picture, TAutoNameSearch& search) {
  const DefaultOptionRec& option = OptionStore->Option;
  const std::wstring path = files_.SaveAuto(picture, option.DefaultImage, search);
  Saved(path);
  if (option.SavedTip && ImageFormatIndex(option.DefaultImage) >= 0 && saved_) saved_(path);
  return path;
}

// A format outside the table writes no file.
void TCaptureRun::Saved(const std::wstring& path) {
  if (ImageFormatIndex(OptionStore->Option.DefaultImage) >= 0) OptionStore->History.AddRecentPicture(path);
}

// The dialog opens in the default folder, made first as an automatic save would make it (the system
// would open a folder that does not exist yet somewhere else).
std::wstring TCaptureRun::SaveThroughDialog(HBITMAP picture, const std::wstring& folder, HWND owner) {
  const DefaultOptionRec& option = OptionStore->Option;
  if (!folder.empty() && !DirectoryExists(folder)) ForceDirectories(folder);
  // The dialog comes up in front; a message-only owner (a command line's own start) cannot bring it
  // there, and it stands alone then, this start's first window since the overlay.
  if (owner && GetAncestor(owner, GA_PARENT) != GetDesktopWindow()) owner = nullptr;
  SetForegroundWindow(owner);
  // A dialog of its own each time: a pin's may open while a capture's is open, and the other way
  // round. The name accepted last is offered again.
  TSaveDialog dialog = saveDialog_;
  // The format's own entry, after "all files": the entries follow the table, where a format's place
  // is its value.
  dialog.FilterIndex = static_cast<int>(option.DefaultImage) + 2;
  dialog.DefaultExt = ImageExtension(option.DefaultImage);
  dialog.InitialDir = folder;
  // The format follows DefaultImage alone, whatever name was typed.
  if (!dialog.Execute(owner)) return {};
  saveDialog_.FileName = dialog.FileName;
  files_.Save(picture, option.DefaultImage, dialog.FileName);
  Saved(dialog.FileName);
  return dialog.FileName;
}
