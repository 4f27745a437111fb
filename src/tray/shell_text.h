// Texts for the notification area's fixed fields. Window-free.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// The text cut to at most `maxChars` characters, never inside a character: a surrogate pair is
// kept whole or dropped whole.
std::wstring FitText(std::wstring_view text, size_t maxChars);

// The notification area's fields, in characters (without their terminating zero).
inline constexpr size_t kTipChars = 127, kBalloonTextChars = 255, kBalloonTitleChars = 63;
