// The entries of 最近截图: the ten pictures written last, newest first, among those saved in this
// run that are still where they were saved and those in the save folder (an earlier run's), each
// with a small picture of itself and its name. The small pictures are made once per file and kept
// while the file stays as it was.
#pragma once

#include <windows.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "toolkit/components.h"
#include "toolkit/handles.h"

class TRecentPicturesMenu {
 public:
  // `saved` in this run, newest first; `choose` hears the path of the entry chosen.
  std::vector<TMenuItem> Items(const std::vector<std::wstring>& saved, const std::wstring& folder,
                               const std::function<void(const std::wstring&)>& choose);

 private:
  struct Thumbnail {
    FILETIME Written{};
    UniqueBitmap Picture;
  };
  HBITMAP ThumbnailOf(const std::wstring& path, const FILETIME& written);

  std::map<std::wstring, Thumbnail> thumbnails_;
  bool made_ = false;  // a small picture was made since the last listing
};
