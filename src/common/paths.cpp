#include "common/paths.h"

std::wstring_view ExcludeTrailingBackslash(std::wstring_view path) {
  if (!path.empty() && path.back() == L'\\') path.remove_suffix(1);
  return path;
}

std::wstring_view ExtractFilePath(std::wstring_view path) {
  const size_t last = path.find_last_of(L"\\:");
  return last == std::wstring_view::npos ? std::wstring_view{} : path.substr(0, last + 1);
}

namespace {
bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }
bool HasDrive(std::wstring_view path) { return path.size() >= 2 && path[1] == L':'; }
}  // namespace

std::wstring AbsoluteFolder(std::wstring_view folder, std::wstring_view programFolder) {
  if (HasDrive(folder)) return std::wstring(folder);  // "C:\x", and "C:x" left to the system
  if (!folder.empty() && IsSeparator(folder[0])) {
    const bool unc = folder.size() >= 2 && IsSeparator(folder[1]);
    if (unc || !HasDrive(programFolder)) return std::wstring(folder);
    return std::wstring(programFolder.substr(0, 2)) + std::wstring(folder);
  }
  if (folder.empty()) return std::wstring(ExcludeTrailingBackslash(programFolder));
  return std::wstring(programFolder) + std::wstring(folder);
}
