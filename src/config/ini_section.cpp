#include "config/ini_section.h"

#include <algorithm>
#include <cwctype>
#include <optional>

namespace {

std::wstring_view Trimmed(std::wstring_view text) {
  while (!text.empty() && std::iswspace(text.front())) text.remove_prefix(1);
  while (!text.empty() && std::iswspace(text.back())) text.remove_suffix(1);
  return text;
}

bool SameName(std::wstring_view a, std::wstring_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](wchar_t x, wchar_t y) { return std::towlower(x) == std::towlower(y); });
}

// The name of the section a line opens, if it opens one.
std::optional<std::wstring_view> SectionName(std::wstring_view line) {
  line = Trimmed(line);
  if (line.size() < 2 || line.front() != L'[') return std::nullopt;
  const size_t close = line.find(L']');
  if (close == std::wstring_view::npos) return std::nullopt;
  return Trimmed(line.substr(1, close - 1));
}

// The key a line sets, if it sets one.
std::optional<std::wstring_view> KeyName(std::wstring_view line) {
  const std::wstring_view trimmed = Trimmed(line);
  if (trimmed.empty() || trimmed.front() == L';') return std::nullopt;
  const size_t equals = line.find(L'=');
  if (equals == std::wstring_view::npos) return std::nullopt;
  return Trimmed(line.substr(0, equals));
}

}  // namespace

std::wstring WithSection(std::wstring_view text, std::wstring_view section, const IniKeys& keys) {
  const size_t firstEnd = text.find(L'\n');
  const std::wstring eol = firstEnd != std::wstring_view::npos && firstEnd > 0 && text[firstEnd - 1] == L'\r' ? L"\r\n"
                           : firstEnd != std::wstring_view::npos                                        ? L"\n"
                                                                                                        : L"\r\n";
  std::vector<std::wstring_view> lines;
  for (size_t at = 0; at < text.size();) {
    const size_t end = std::min(text.find(L'\n', at), text.size());
    std::wstring_view line = text.substr(at, end - at);
    if (!line.empty() && line.back() == L'\r') line.remove_suffix(1);
    lines.push_back(line);
    at = end + 1;
  }
  std::vector<bool> written(keys.size(), false);
  const auto setting = [&](size_t key) { return keys[key].first + L"=" + keys[key].second; };
  std::wstring out;
  bool inSection = false, found = false;
  size_t insertAt = std::wstring::npos;  // after the section's last key line
  for (const std::wstring_view line : lines) {
    if (const auto name = SectionName(line)) {
      inSection = SameName(*name, section);
      found = found || inSection;
      if (inSection) insertAt = out.size() + line.size() + eol.size();
    } else if (inSection) {
      if (const auto key = KeyName(line)) {
        const auto match = std::find_if(keys.begin(), keys.end(), [&](const auto& k) { return SameName(k.first, *key); });
        if (match != keys.end()) {
          const auto index = static_cast<size_t>(match - keys.begin());
          // The line keeps its key's spelling; a key set twice keeps its first line.
          if (!written[index]) out += std::wstring(*key) + L"=" + keys[index].second + eol;
          written[index] = true;
          insertAt = out.size();
          continue;
        }
        insertAt = out.size() + line.size() + eol.size();
      }
    }
    out.append(line);
    out += eol;
  }
  std::wstring missing;
  for (size_t key = 0; key < keys.size(); ++key)
    if (!written[key]) missing += setting(key) + eol;
  if (!found) {
    if (!out.empty() && !Trimmed(lines.back()).empty()) out += eol;
    out += L"[" + std::wstring(section) + L"]" + eol + missing;
  } else {
    out.insert(insertAt, missing);
  }
  return out;
}
