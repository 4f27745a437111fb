// The file names of one folder: listed once, then kept up to date from the system's reports of the
// folder's changes, so a search among thousands of files costs no listing per capture.
#pragma once

#include <windows.h>

#include <array>
#include <string>
#include <unordered_set>

#include "toolkit/handles.h"

// A file name as the file system compares it: without regard to case.
std::wstring FileSystemCase(std::wstring name);

class FolderNames {
 public:
  FolderNames() = default;
  ~FolderNames();
  FolderNames(const FolderNames&) = delete;
  FolderNames& operator=(const FolderNames&) = delete;

  // The names of the files in `folder` (folders do not count) in FileSystemCase. The folder is
  // listed anew when it is another one, when it could not be watched (it did not exist yet) or when
  // the reports lost track (too many changes at once). `removed` says whether a name went away
  // since the last call.
  const std::unordered_set<std::wstring>& Of(const std::wstring& folder, bool& removed);
  // Takes in a file just written into `folder` (another folder changes nothing).
  void Written(const std::wstring& folder, const std::wstring& fileName);
  // The next call lists the folder again.
  void Forget() { watching_ = false; }

 private:
  void List(const std::wstring& folder);
  bool Watch(const std::wstring& folder);
  void StopWatching();
  bool Follow(bool& removed);  // false when the reports cannot be trusted

  std::wstring key_;  // the folder, in FileSystemCase
  std::unordered_set<std::wstring> names_;
  bool watching_ = false;
  UniqueFile directory_;
  UniqueHandle<handle_traits::Null<HANDLE, CloseHandle>> event_;
  OVERLAPPED overlapped_{};
  alignas(DWORD) std::array<uint8_t, 64 * 1024> reports_{};
};
