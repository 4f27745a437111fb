#include "common/folder_names.h"

#include "common/uCommand.h"

// ASCII by hand: a search among thousands of names makes thousands of these.
std::wstring FileSystemCase(std::wstring name) {
  bool ascii = true;
  for (wchar_t& c : name) {
    if (c >= L'a' && c <= L'z')
      c = static_cast<wchar_t>(c - L'a' + L'A');
    else if (c >= 0x80)
      ascii = false;
  }
  if (!ascii) CharUpperBuffW(name.data(), static_cast<DWORD>(name.size()));
  return name;
}

FolderNames::~FolderNames() { StopWatching(); }

const std::unordered_set<std::wstring>& FolderNames::Of(const std::wstring& folder, bool& removed) {
  removed = false;
  if (!watching_ || FileSystemCase(folder) != key_ || !Follow(removed)) {
    List(folder);
    removed = true;  // what was known before counts for nothing
  }
  return names_;
}

void FolderNames::Written(const std::wstring& folder, const std::wstring& fileName) {
  if (watching_ && FileSystemCase(folder) == key_) names_.insert(FileSystemCase(fileName));
}

// The watch starts first, so a change made while the listing runs is reported too.
void FolderNames::List(const std::wstring& folder) {
  key_ = FileSystemCase(folder);
  watching_ = Watch(folder);
  names_.clear();
  WIN32_FIND_DATAW entry;
  HANDLE find = FindFirstFileExW((folder + L"\\*").c_str(), FindExInfoBasic, &entry, FindExSearchNameMatch, nullptr,
                                 FIND_FIRST_EX_LARGE_FETCH);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names_.insert(FileSystemCase(entry.cFileName));
  } while (FindNextFileW(find, &entry));
  FindClose(find);
}

bool FolderNames::Watch(const std::wstring& folder) {
  StopWatching();
  directory_.reset(CreateFileW(folder.c_str(), FILE_LIST_DIRECTORY, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                               nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OVERLAPPED, nullptr));
  if (!directory_) return false;
  if (!event_) event_.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  overlapped_ = {};
  overlapped_.hEvent = event_.get();
  // Names of files only: folders never count.
  if (event_ && ReadDirectoryChangesW(directory_.get(), reports_.data(), static_cast<DWORD>(reports_.size()), FALSE,
                                      FILE_NOTIFY_CHANGE_FILE_NAME, nullptr, &overlapped_, nullptr))
    return true;
  directory_.reset();
  return false;
}

void FolderNames::StopWatching() {
  if (!directory_) return;
  DWORD ignored = 0;
  if (CancelIoEx(directory_.get(), &overlapped_) || GetLastError() != ERROR_NOT_FOUND)
    GetOverlappedResult(directory_.get(), &overlapped_, &ignored, TRUE);  // the buffer is free again
  directory_.reset();
}

// Applies every report that came since the last call, and asks for the next ones.
bool FolderNames::Follow(bool& removed) {
  static const std::wstring temporary = FileSystemCase(kTemporarySuffix);
  for (;;) {
    DWORD bytes = 0;
    if (!GetOverlappedResult(directory_.get(), &overlapped_, &bytes, FALSE))
      return GetLastError() == ERROR_IO_INCOMPLETE;  // nothing new; anything else: the watch broke
    if (bytes == 0) return false;                   // more changes than the reports could hold
    for (size_t at = 0;;) {
      const auto* report = reinterpret_cast<const FILE_NOTIFY_INFORMATION*>(reports_.data() + at);
      std::wstring name = FileSystemCase({report->FileName, report->FileNameLength / sizeof(wchar_t)});
      const DWORD action = report->Action;
      if (name.ends_with(temporary)) {
        // a file being written: it comes and goes under this name
      } else if (action == FILE_ACTION_ADDED || action == FILE_ACTION_RENAMED_NEW_NAME) {
        names_.insert(std::move(name));
      } else if (action == FILE_ACTION_REMOVED || action == FILE_ACTION_RENAMED_OLD_NAME) {
        removed = names_.erase(name) > 0 || removed;
      }
      if (!report->NextEntryOffset) break;
      at += report->NextEntryOffset;
    }
    ResetEvent(event_.get());
    if (!ReadDirectoryChangesW(directory_.get(), reports_.data(), static_cast<DWORD>(reports_.size()), FALSE,
                               FILE_NOTIFY_CHANGE_FILE_NAME, nullptr, &overlapped_, nullptr))
      return false;
  }
}
