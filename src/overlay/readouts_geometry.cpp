#include "overlay/readouts_geometry.h"

#include <algorithm>

std::wstring SizeLabelText(int32_t width, int32_t height) {
  return std::to_wstring(width) + L" x " + std::to_wstring(height);
}

std::wstring ColourText(uint8_t red, uint8_t green, uint8_t blue, bool hex) {
  if (!hex)
    return L"RGB(" + std::to_wstring(red) + L", " + std::to_wstring(green) + L", " + std::to_wstring(blue) + L")";
  constexpr wchar_t kDigits[] = L"0123456789ABCDEF";
  std::wstring text = L"#";
  for (const uint8_t part : {red, green, blue}) {
    text += kDigits[part >> 4];
    text += kDigits[part & 15];
  }
  return text;
}

namespace {

constexpr int32_t kLabelGap = 2;

// The rectangle moved the least to lie within `screen` (its top-left kept where it is too big).
Rect Within(Rect r, const Rect& screen) {
  const int32_t x = std::max(screen.Left, std::min(r.Left, screen.Right - r.Width()));
  const int32_t y = std::max(screen.Top, std::min(r.Top, screen.Bottom - r.Height()));
  return {x, y, x + r.Width(), y + r.Height()};
}

}  // namespace

Rect SizeLabelRect(const Rect& box, int32_t width, int32_t height, const Rect& screen) {
  const int32_t above = box.Top - kLabelGap - height, below = box.Bottom + kLabelGap;
  const int32_t top = above >= screen.Top ? above : below + height <= screen.Bottom ? below : screen.Top;
  return Within({box.Left, top, box.Left + width, top + height}, screen);
}

Rect MagnifierRect(int32_t cursorX, int32_t cursorY, int32_t width, int32_t height, const Rect& screen, int32_t gap) {
  int32_t left = cursorX + gap, top = cursorY + gap;
  if (left + width > screen.Right) left = cursorX - gap - width;
  if (top + height > screen.Bottom) top = cursorY - gap - height;
  return {left, top, left + width, top + height};
}
