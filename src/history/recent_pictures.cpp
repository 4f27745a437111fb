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
