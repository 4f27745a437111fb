// One section of an INI file's text rewritten at once. Window-free.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

using IniKeys = std::vector<std::pair<std::wstring, std::wstring>>;

// The text with `section`'s keys set to `keys`, in their order: a key the section holds keeps its
// line's place and spelling, a new one follows the section's last key, and the section is added at the end
// when there is none. Sections and keys match as the system's profile functions match them
// (case aside, blanks trimmed); every other line, comments and other keys included, stays as it is.
// Lines end as the text's first line ends (CR LF when it has none).
std::wstring WithSection(std::wstring_view text, std::wstring_view section, const IniKeys& keys);
