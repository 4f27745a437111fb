#include "pins/pin_geometry.h"

#include <algorithm>
#include <cstdint>
#include <iterator>

int32_t NextZoom(int32_t zoom, int32_t wheelSteps) {
  const int32_t* first = std::begin(kPinZooms);
  const int32_t* last = std::end(kPinZooms);
  // The step at or after the zoom, then as many more as the wheel turned.
  const int32_t at = static_cast<int32_t>(std::lower_bound(first, last, zoom) - first);
  const int32_t count = static_cast<int32_t>(std::size(kPinZooms));
  const int32_t base = at < count && kPinZooms[at] == zoom ? at : (wheelSteps > 0 ? at - 1 : at);
  return kPinZooms[std::clamp(base + wheelSteps, 0, count - 1)];
}

int32_t NextOpacity(int32_t opacity, int32_t wheelSteps) {
  return std::clamp((opacity + 5) / 10 * 10 + 10 * wheelSteps, 10, 100);
}

int32_t Zoomed(int32_t pixels, int32_t zoom) {
  return std::max<int32_t>(1, static_cast<int32_t>((static_cast<int64_t>(pixels) * zoom + 50) / 100));
}

Rect ZoomedPlace(const Rect& place, int32_t pictureWidth, int32_t pictureHeight, int32_t to, int32_t cursorX,
                 int32_t cursorY) {
  const int32_t width = Zoomed(pictureWidth, to), height = Zoomed(pictureHeight, to);
  // Where the cursor stands in the picture, as a fraction of it, stays where it is.
  const double fx = place.Width() > 0 ? static_cast<double>(cursorX - place.Left) / place.Width() : 0.5;
  const double fy = place.Height() > 0 ? static_cast<double>(cursorY - place.Top) / place.Height() : 0.5;
  const int32_t left = cursorX - static_cast<int32_t>(fx * width + 0.5), top = cursorY - static_cast<int32_t>(fy * height + 0.5);
  return {left, top, left + width, top + height};
}

Rect Centred(const Rect& area, int32_t width, int32_t height) {
  // One larger than the area starts at its top-left corner, where it can be taken and zoomed out.
  const int32_t left = area.Left + std::max(0, (area.Width() - width) / 2);
  const int32_t top = area.Top + std::max(0, (area.Height() - height) / 2);
  return {left, top, left + width, top + height};
}
