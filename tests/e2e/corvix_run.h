// Starts the real Corvix.exe in a fresh folder of its own and ends it when the test is done.
// The folder is its program folder, so Option.ini and Save\ land there.
#pragma once

#include <windows.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>

namespace e2e {

using namespace std::chrono_literals;

// Polls a condition until it holds or the time is up; true when it held.
bool WaitFor(const std::function<bool()>& condition, std::chrono::milliseconds limit = 10s);

// The top-level windows of a process with the given class (empty: any) and title (empty: any).
HWND FindProcessWindow(DWORD pid, const std::wstring& className, const std::wstring& title);

std::wstring WindowText(HWND window);

class CorvixRun {
 public:
  // Makes <work root>\<test name>, empty, copies Corvix.exe there and starts it.
  CorvixRun();
  ~CorvixRun();
  CorvixRun(const CorvixRun&) = delete;
  CorvixRun& operator=(const CorvixRun&) = delete;

  const std::filesystem::path& Folder() const { return folder_; }
  DWORD Pid() const { return process_.dwProcessId; }
  bool IsRunning() const;
  // Waits (bounded) for the program's hidden application window.
  HWND ApplicationWindow() const;

 private:
  std::filesystem::path folder_;
  PROCESS_INFORMATION process_{};
};

}  // namespace e2e
