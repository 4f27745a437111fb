// The selection box: for any box size and point, the hit test names a grip only where that grip
// lies, and the frame and the selected region stay inside the box.
#include "overlay/box_geometry.h"
#include "fuzz_support.h"

#include <algorithm>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
  FuzzedDataProvider data(bytes, size);
  const int32_t width = data.ConsumeIntegralInRange<int32_t>(0, 20000);
  const int32_t height = data.ConsumeIntegralInRange<int32_t>(0, 20000);
  const int32_t x = data.ConsumeIntegralInRange<int32_t>(-20, width + 20);
  const int32_t y = data.ConsumeIntegralInRange<int32_t>(-20, height + 20);

  const std::array<Rect, 8> grips = GripRects(width, height);
  const int32_t hit = SizerHitTest(width, height, x, y);
  if (hit != 0) {
    const auto code = std::find(kGripHitCodes.begin(), kGripHitCodes.end(), hit);
    FUZZ_CHECK(code != kGripHitCodes.end());
    FUZZ_CHECK(grips[code - kGripHitCodes.begin()].Contains(x, y));
  } else {
    // No grip claims the point (the later one wins where they overlap, so none may contain it).
    for (const Rect& grip : grips) FUZZ_CHECK(!grip.Contains(x, y));
  }
  for (const Rect& grip : grips) FUZZ_CHECK(grip.Width() == kGripSize && grip.Height() == kGripSize);

  const Rect frame = FrameRect(width, height);
  if (width >= 2 * kGripSize && height >= 2 * kGripSize) {
    FUZZ_CHECK(frame.Left >= 0 && frame.Top >= 0 && frame.Right <= width && frame.Bottom <= height);
    const Rect box{x, y, x + width, y + height};
    const Rect inside = SelectionInside(box);
    FUZZ_CHECK(inside.Left >= box.Left && inside.Top >= box.Top && inside.Right <= box.Right &&
               inside.Bottom <= box.Bottom);
  }
  return 0;
}
