// The regions taken last, newest first, as they are kept between runs, and the walk back through
// them that `,` and `.` make in the region overlay. Window-free.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "common/rect.h"

inline constexpr size_t kMaxRegions = 20;

// A region's box (screen coordinates) in its stored form "left,top,right,bottom", and back; a text
// that is not four integers or gives an empty box is no region.
std::wstring RegionText(const Rect& box);
std::optional<Rect> RegionFromText(const std::wstring& text);

// `box` first, an equal one further down gone, at most kMaxRegions kept.
void AddRegion(std::vector<Rect>& regions, const Rect& box);

// The walk through the regions, newest first: Back (`,`) goes to an older one, Forward (`.`) to a
// newer one; each gives the region to show, or nothing past either end.
class TRegionWalk {
 public:
  explicit TRegionWalk(std::vector<Rect> regions) : regions_(std::move(regions)) {}
  std::optional<Rect> Back();
  std::optional<Rect> Forward();

 private:
  std::vector<Rect> regions_;
  int32_t at_ = -1;  // the region shown, -1 before the first
};
