#include "overlay/snap_targets.h"

#include <algorithm>
#include <cstdlib>

namespace {

bool OnEdge(const Rect& r, int32_t x, int32_t y, int32_t edge) {
  return x < r.Left + edge || x >= r.Right - edge || y < r.Top + edge || y >= r.Bottom - edge;
}

}  // namespace

std::vector<int32_t> SnapChainAt(std::span<const SnapWindow> windows, int32_t x, int32_t y, int32_t edgePixels) {
  std::vector<int32_t> chain;
  const int32_t count = static_cast<int32_t>(windows.size());
  int32_t current = -1;
  // Each pass looks among the children of `current` (top-level windows first) for the topmost that
  // holds the point: the first such in the list, since siblings come in z-order.
  for (;;) {
    int32_t found = -1;
    for (int32_t i = current + 1; i < count; ++i) {
      const SnapWindow& window = windows[static_cast<size_t>(i)];
      if (window.Parent != current || !window.Bounds.Contains(x, y)) continue;
      found = i;
      break;
    }
    if (found < 0) return chain;
    chain.push_back(found);
    if (OnEdge(windows[static_cast<size_t>(found)].Bounds, x, y, edgePixels)) return chain;
    current = found;
  }
}

int32_t SnapTarget(std::span<const int32_t> chain, int32_t levelsUp) {
  if (chain.empty()) return -1;
  const int32_t deepest = static_cast<int32_t>(chain.size()) - 1;
  return chain[static_cast<size_t>(deepest - std::clamp(levelsUp, 0, deepest))];
}

Rect BoxAround(const Rect& target) {
  const int32_t band = kGripSize + 1;  // the grips' band, then the frame line
  return {target.Left - band, target.Top - band, target.Right + band, target.Bottom + band};
}

bool IsClick(int32_t dx, int32_t dy, int32_t dragWidth, int32_t dragHeight) {
  // The system's drag rectangle is centred on the press: half of it each way.
  return std::abs(dx) <= dragWidth / 2 && std::abs(dy) <= dragHeight / 2;
}
