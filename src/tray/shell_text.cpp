#include "tray/shell_text.h"

std::wstring FitText(std::wstring_view text, size_t maxChars) {
  if (text.size() <= maxChars) return std::wstring(text);
  size_t keep = maxChars;
  // A high surrogate at the cut would lose its partner.
  if (keep > 0 && text[keep - 1] >= 0xD800 && text[keep - 1] <= 0xDBFF) --keep;
  return std::wstring(text.substr(0, keep));
}
