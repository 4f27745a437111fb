#include "history/region_history.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cwchar>

std::wstring RegionText(const Rect& box) {
  return std::to_wstring(box.Left) + L',' + std::to_wstring(box.Top) + L',' + std::to_wstring(box.Right) + L',' +
         std::to_wstring(box.Bottom);
}

std::optional<Rect> RegionFromText(const std::wstring& text) {
  int32_t values[4] = {};
  const wchar_t* at = text.c_str();
  for (int i = 0; i < 4; ++i) {
    if (i > 0 && *at++ != L',') return std::nullopt;
    while (*at == L' ') ++at;
    wchar_t* end = nullptr;
    errno = 0;
    const long long value = std::wcstoll(at, &end, 10);
    if (end == at || errno != 0 || value < INT32_MIN / 2 || value > INT32_MAX / 2) return std::nullopt;
    values[i] = static_cast<int32_t>(value);
    at = end;
    while (*at == L' ') ++at;
  }
  const Rect box{values[0], values[1], values[2], values[3]};
  if (*at != L'\0' || box.Width() <= 0 || box.Height() <= 0) return std::nullopt;
  return box;
}

void AddRegion(std::vector<Rect>& regions, const Rect& box) {
  regions.erase(std::remove(regions.begin(), regions.end(), box), regions.end());
  regions.insert(regions.begin(), box);
  if (regions.size() > kMaxRegions) regions.resize(kMaxRegions);
}

std::optional<Rect> TRegionWalk::Back() {
  if (at_ + 1 >= static_cast<int32_t>(regions_.size())) return std::nullopt;
  return regions_[static_cast<size_t>(++at_)];
}

std::optional<Rect> TRegionWalk::Forward() {
  if (at_ <= 0) return std::nullopt;
  return regions_[static_cast<size_t>(--at_)];
}
