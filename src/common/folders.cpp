#include "common/folders.h"

#include <windows.h>

#include "common/paths.h"
#include "toolkit/error.h"

bool DirectoryExists(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool ForceDirectories(std::wstring_view path) {
  if (path.empty()) throw Error(L"Unable to create directory");
  const std::wstring folder(ExcludeTrailingBackslash(path));
  if (folder.size() < 3 || DirectoryExists(folder) || ExtractFilePath(folder) == folder) return true;
  return ForceDirectories(ExtractFilePath(folder)) && CreateDirectoryW(folder.c_str(), nullptr);
}

std::wstring ProgramFileName() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length < path.size()) {
      path.resize(length);
      return path;
    }
    path.resize(path.size() * 2);
  }
}
