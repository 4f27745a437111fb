#include "common/paths.h"

std::wstring_view ExcludeTrailingBackslash(std::wstring_view path) {
  if (!path.empty() && path.back() == L'\\') path.remove_suffix(1);
  return path;
}

std::wstring_view ExtractFilePath(std::wstring_view path) {
  const size_t last = path.find_last_of(L"\\:");
  return last == std::wstring_view::npos ? std::wstring_view{} : path.substr(0, last + 1);
}
