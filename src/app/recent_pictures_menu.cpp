#include "app/recent_pictures_menu.h"

#include <malloc.h>
#include <algorithm>
#include <memory>
#include <shlwapi.h>

#include "common/picture_file.h"
#include "history/recent_pictures.h"
#include "toolkit/controls.h"

namespace {

// The small pictures' largest size at 96 DPI.
constexpr int kThumbnailWidth = 64, kThumbnailHeight = 40;

uint64_t Written(const FILETIME& time) { return uint64_t{time.dwHighDateTime} << 32 | time.dwLowDateTime; }

// The menu's own colour, opaque, the size of a small picture: where one is still being made.
UniqueBitmap Blank(int width, int height) {
  BITMAPINFO info{{sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB}};
  void* bits = nullptr;
  UniqueBitmap blank(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  const COLORREF menu = GetSysColor(COLOR_MENU);
  if (blank)
    std::fill_n(static_cast<uint32_t*>(bits), static_cast<size_t>(width) * height,
                0xFF000000u | GetRValue(menu) << 16 | GetGValue(menu) << 8 | GetBValue(menu));
  return blank;
}

}  // namespace

void TRecentPicturesMenu::MakeWith(TWorkQueue* work, std::function<void(const std::wstring&, HBITMAP)> made) {
  work_ = work;
  made_ = std::move(made);
}

std::vector<TMenuItem> TRecentPicturesMenu::Items(const std::vector<std::wstring>& saved, const std::wstring& folder,
                                                  const std::function<void(const std::wstring&)>& choose) {
  std::vector<DatedPicture> pictures;
  for (const std::wstring& path : saved) {
    WIN32_FILE_ATTRIBUTE_DATA file{};
    // Deleted or moved since, or a folder of that name now: left out.
    if (GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &file) && !(file.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
      pictures.push_back({Written(file.ftLastWriteTime), path});
  }
  WIN32_FIND_DATAW found{};
  HANDLE listing = FindFirstFileExW((folder + L"\\*").c_str(), FindExInfoBasic, &found, FindExSearchNameMatch, nullptr,
                                    FIND_FIRST_EX_LARGE_FETCH);
  if (listing != INVALID_HANDLE_VALUE) {
    do {
      if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && IsPictureName(found.cFileName))
        pictures.push_back({Written(found.ftLastWriteTime), folder + L"\\" + found.cFileName});
    } while (FindNextFileW(listing, &found));
    FindClose(listing);
  }
  std::vector<TMenuItem> items;
  std::map<std::wstring, Thumbnail> kept;
  listed_.clear();
  for (const std::wstring& path : NewestPictures(std::move(pictures))) {
    WIN32_FILE_ATTRIBUTE_DATA file{};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &file)) continue;
    TMenuItem item;
    item.Caption = PathFindFileNameW(path.c_str());
    item.Picture = ThumbnailOf(path, file.ftLastWriteTime);
    item.OnClick = [choose, path] { choose(path); };
    items.push_back(std::move(item));
    listed_.push_back(path);
    if (auto made = thumbnails_.extract(path)) kept.insert(std::move(made));
  }
  thumbnails_ = std::move(kept);  // the files no longer listed let theirs go
  return items;
}

HBITMAP TRecentPicturesMenu::ThumbnailOf(const std::wstring& path, const FILETIME& written) {
  const int width = MulDiv(kThumbnailWidth, SystemDpi(), 96), height = MulDiv(kThumbnailHeight, SystemDpi(), 96);
  Thumbnail& thumbnail = thumbnails_[path];
  const bool current = CompareFileTime(&thumbnail.Written, &written) == 0;
  if (thumbnail.Made && current) return thumbnail.Picture.get();
  if (!blank_) blank_ = Blank(width, height);
  if (current && work_) return blank_.get();  // on its way
  thumbnail.Written = written;
  thumbnail.Picture.reset();
  thumbnail.Made = false;
  if (!work_) return nullptr;
  work_->Start([this, path, written, width, height]() -> TWorkQueue::Ending {
    // A JPEG is decoded at an eighth of its size, whole when that is smaller than the small picture.
    BITMAP shape{};
    const bool jpeg = IsJpegFile(path);
    UniqueBitmap picture = ReadPictureFile(path, jpeg ? 8 : 1);
    if (jpeg && picture && GetObjectW(picture.get(), sizeof shape, &shape) && shape.bmWidth < width && shape.bmHeight < height)
      picture = ReadPictureFile(path);
    auto small = std::make_shared<UniqueBitmap>(picture ? FittedCopy(picture.get(), width, height) : UniqueBitmap());
    picture.reset();
    _heapmin();  // what decoding took goes back to the system, as a capture's does
    return [this, path, written, small] { Made(path, written, std::move(*small)); };
  });
  return blank_.get();
}

void TRecentPicturesMenu::Made(const std::wstring& path, const FILETIME& written, UniqueBitmap picture) {
  const auto thumbnail = thumbnails_.find(path);
  // No longer listed, or changed since it was asked for.
  if (thumbnail == thumbnails_.end() || CompareFileTime(&thumbnail->second.Written, &written) != 0) return;
  thumbnail->second.Picture = std::move(picture);
  thumbnail->second.Made = true;
  if (made_) made_(path, thumbnail->second.Picture.get());
}
