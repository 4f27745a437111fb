#include "app/recent_pictures_menu.h"

#include <malloc.h>
#include <shlwapi.h>

#include "common/picture_file.h"
#include "history/recent_pictures.h"
#include "toolkit/controls.h"

namespace {

// The small pictures' largest size at 96 DPI.
constexpr int kThumbnailWidth = 64, kThumbnailHeight = 40;

uint64_t Written(const FILETIME& time) { return uint64_t{time.dwHighDateTime} << 32 | time.dwLowDateTime; }

}  // namespace

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
  for (const std::wstring& path : NewestPictures(std::move(pictures))) {
    WIN32_FILE_ATTRIBUTE_DATA file{};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &file)) continue;
    TMenuItem item;
    item.Caption = PathFindFileNameW(path.c_str());
    item.Picture = ThumbnailOf(path, file.ftLastWriteTime);
    item.OnClick = [choose, path] { choose(path); };
    items.push_back(std::move(item));
    if (auto made = thumbnails_.extract(path)) kept.insert(std::move(made));
  }
  thumbnails_ = std::move(kept);  // the files no longer listed let theirs go
  if (made_) _heapmin();  // what decoding took goes back to the system, as a capture's does
  made_ = false;
  return items;
}

HBITMAP TRecentPicturesMenu::ThumbnailOf(const std::wstring& path, const FILETIME& written) {
  Thumbnail& thumbnail = thumbnails_[path];
  if (thumbnail.Picture && CompareFileTime(&thumbnail.Written, &written) == 0) return thumbnail.Picture.get();
  const int width = MulDiv(kThumbnailWidth, SystemDpi(), 96), height = MulDiv(kThumbnailHeight, SystemDpi(), 96);
  // A JPEG is decoded at an eighth of its size, whole when that is smaller than the small picture.
  BITMAP shape{};
  const bool jpeg = IsJpegFile(path);
  UniqueBitmap picture = ReadPictureFile(path, jpeg ? 8 : 1);
  if (jpeg && picture && GetObjectW(picture.get(), sizeof shape, &shape) && shape.bmWidth < width && shape.bmHeight < height)
    picture = ReadPictureFile(path);
  thumbnail.Written = written;
  made_ = true;
  thumbnail.Picture = picture ? FittedCopy(picture.get(), width, height) : UniqueBitmap();
  return thumbnail.Picture.get();
}
