#include "history/recent_pictures.h"

#include <algorithm>
#include <cwctype>

namespace {

bool SamePath(const std::wstring& a, const std::wstring& b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](wchar_t x, wchar_t y) {
           const auto fold = [](wchar_t c) { return c == L'/' ? L'\\' : static_cast<wchar_t>(std::towlower(c)); };
           return fold(x) == fold(y);
         });
}

}  // namespace

void AddRecentPicture(std::vector<std::wstring>& paths, const std::wstring& path) {
  paths.erase(std::remove_if(paths.begin(), paths.end(), [&](const std::wstring& p) { return SamePath(p, path); }),
              paths.end());
  paths.insert(paths.begin(), path);
  if (paths.size() > kMaxRecentPictures) paths.resize(kMaxRecentPictures);
}

std::vector<std::wstring> NewestPictures(std::vector<DatedPicture> pictures) {
  std::stable_sort(pictures.begin(), pictures.end(),
                   [](const DatedPicture& a, const DatedPicture& b) { return a.Written > b.Written; });
  std::vector<std::wstring> newest;
  for (const DatedPicture& picture : pictures) {
    if (newest.size() == kMaxRecentPictures) break;
    if (std::none_of(newest.begin(), newest.end(), [&](const std::wstring& p) { return SamePath(p, picture.Path); }))
      newest.push_back(picture.Path);
  }
  return newest;
}

bool IsPictureName(const std::wstring& name) {
  const size_t dot = name.rfind(L'.');
  if (dot == std::wstring::npos) return false;
  std::wstring extension = name.substr(dot);
  for (wchar_t& c : extension) c = static_cast<wchar_t>(std::towlower(c));
  return extension == L".png" || extension == L".jpg" || extension == L".jpeg" || extension == L".bmp";
}
