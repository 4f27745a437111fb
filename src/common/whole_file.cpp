#include "common/whole_file.h"

#include <algorithm>

#include "common/system_error.h"
#include "toolkit/handles.h"

namespace {

// A file or a folder: either takes the name.
bool EntryExists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool FileExists(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// ReplaceFile, once the file can be opened for deletion as it opens it: a replacement that fails
// midway may leave a file of its own beside the two (Wine's does). Sets the last error on failure.
bool ReplaceWith(const std::wstring& path, const std::wstring& replacement) {
  {
    UniqueFile probe(CreateFileW(path.c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, 0, nullptr));
    if (!probe) return false;
  }
  return ReplaceFileW(path.c_str(), replacement.c_str(), nullptr,
                      REPLACEFILE_IGNORE_MERGE_ERRORS | REPLACEFILE_IGNORE_ACL_ERRORS, nullptr, nullptr);
}

}  // namespace

Error CannotCreateFile(const std::wstring& path, DWORD code) {
  return Error(L"Cannot create file \"" + path + L"\". " + SysErrorMessage(code));
}

bool WriteWholeFile(const std::wstring& path, const uint8_t* data, size_t size, bool replace) {
  const std::wstring temporary = path + L".corvix-tmp";
  {
    UniqueFile file(CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file) throw CannotCreateFile(path, GetLastError());
    const auto fail = [&](DWORD code) {
      file.reset();
      DeleteFileW(temporary.c_str());
      return CannotCreateFile(path, code ? code : ERROR_DISK_FULL);
    };
    while (size > 0) {
      const DWORD chunk = static_cast<DWORD>(std::min<size_t>(size, 1u << 30));
      DWORD written = 0;
      if (!WriteFile(file.get(), data, chunk, &written, nullptr) || written != chunk) throw fail(GetLastError());
      data += chunk;
      size -= chunk;
    }
    // On the disk before it takes the name: a power cut after the rename must not leave an empty
    // file where the old one was.
    if (!FlushFileBuffers(file.get())) throw fail(GetLastError());
  }
  // A file replaced keeps its attributes and security, which ReplaceFile carries over; a folder
  // is never replaced.
  const bool replaced = replace && FileExists(path);
  if (replaced ? !ReplaceWith(path, temporary)
               : !MoveFileExW(temporary.c_str(), path.c_str(), MOVEFILE_WRITE_THROUGH | (replace ? MOVEFILE_REPLACE_EXISTING : 0))) {
    const DWORD code = GetLastError();
    // A replacement that failed once the old file was gone leaves the new one only under its
    // temporary name: it is moved into place, or kept there.
    if (replaced && (code == ERROR_UNABLE_TO_MOVE_REPLACEMENT || code == ERROR_UNABLE_TO_MOVE_REPLACEMENT_2)) {
      if (MoveFileExW(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return true;
      throw CannotCreateFile(path, GetLastError());
    }
    DeleteFileW(temporary.c_str());
    if (!replace && (code == ERROR_ALREADY_EXISTS || code == ERROR_FILE_EXISTS || code == ERROR_ACCESS_DENIED) &&
        EntryExists(path))
      return false;
    throw CannotCreateFile(path, code);
  }
  return true;
}
