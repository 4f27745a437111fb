// A fresh, empty folder for one test, removed afterwards.
#pragma once

#include <windows.h>

#include <filesystem>
#include <string>

class TempFolder {
 public:
  TempFolder() {
    wchar_t base[MAX_PATH];
    GetTempPathW(MAX_PATH, base);
    path_ = std::filesystem::path(base) /
            (L"corvix-test-" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++count_));
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
  }
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::filesystem::path& Path() const { return path_; }
  // The folder with a trailing backslash, the form the program folder has.
  std::wstring WithBackslash() const { return path_.wstring() + L"\\"; }

 private:
  static inline int count_ = 0;
  std::filesystem::path path_;
};
