// The entries of 最近截图: the ten pictures written last, newest first, among those saved in this
// run that are still where they were saved and those in the save folder (an earlier run's), each
// with a small picture of itself and its name. The small pictures are made off the window's thread:
// the menu opens at once, an entry blank where its small picture is still being made, shown as
// soon as it is. Each is made once per file and kept while the file stays as it was, and so is a
// file's failure (an entry without a picture).
#pragma once

#include <windows.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "toolkit/components.h"
#include "toolkit/handles.h"
#include "toolkit/work_queue.h"

class TRecentPicturesMenu {
 public:
  // The small pictures are made by `work`'s jobs; `made` hears each one's file and picture once
  // it is made (on the window's thread).
  void MakeWith(TWorkQueue* work, std::function<void(const std::wstring&, HBITMAP)> made);
  // `saved` in this run, newest first; `choose` hears the path of the entry chosen.
  std::vector<TMenuItem> Items(const std::vector<std::wstring>& saved, const std::wstring& folder,
                               const std::function<void(const std::wstring&)>& choose);
  // The files of the entries listed last, in their order.
  const std::vector<std::wstring>& Listed() const { return listed_; }

 private:
  struct Thumbnail {
    FILETIME Written{};
    UniqueBitmap Picture;  // null once made: the file could not be read
    bool Made = false;
  };
  // The file's small picture; a blank one while it is being made.
  HBITMAP ThumbnailOf(const std::wstring& path, const FILETIME& written);
  void Made(const std::wstring& path, const FILETIME& written, UniqueBitmap picture);

  TWorkQueue* work_ = nullptr;
  std::function<void(const std::wstring&, HBITMAP)> made_;
  std::map<std::wstring, Thumbnail> thumbnails_;
  std::vector<std::wstring> listed_;
  UniqueBitmap blank_;
};
