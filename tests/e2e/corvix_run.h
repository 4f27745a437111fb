// The end-to-end driver: starts the real Corvix.exe in a fresh folder of its own (its program
// folder, so Option.ini and Save\ land there), finds its windows, and ends it by its process.
#pragma once

#include <windows.h>

#include <filesystem>
#include <string>

#include "support/windows.h"

namespace e2e {

using namespace testsupport;

// The default combinations of the three hot keys.
struct Combination {
  UINT Modifiers, Key;
};
inline constexpr Combination kCtrlF1{MOD_CONTROL, VK_F1}, kCtrlF2{MOD_CONTROL, VK_F2}, kCtrlF3{MOD_CONTROL, VK_F3};

class CorvixRun {
 public:
  // Makes <build>\e2e-runs\<test name>, empty, and copies Corvix.exe there. Start() runs it.
  CorvixRun();
  // The same in a folder of the caller's choosing.
  explicit CorvixRun(const std::filesystem::path& folder);
  // Where the test programs and Corvix.exe are built.
  static std::filesystem::path BinFolder();
  ~CorvixRun();
  CorvixRun(const CorvixRun&) = delete;
  CorvixRun& operator=(const CorvixRun&) = delete;

  const std::filesystem::path& Folder() const { return folder_; }
  // Writes Option.ini in the program folder as a user's editor would: ANSI (GBK) text.
  void WriteOptionIni(const std::wstring& text) const;

  // Starts Corvix.exe, waits (bounded) until its start-up has registered the hot keys, and checks
  // that the given one is taken; false when either did not happen.
  bool Start(Combination registered = kCtrlF1);

  DWORD Pid() const { return process_.dwProcessId; }
  bool IsRunning() const;
  // Waits (bounded) for the process to end by itself.
  bool WaitForExit(DWORD milliseconds = 10000) const;
  HWND MainForm() const { return FindProcessWindow(Pid(), L"CorvixForm", L"CorvixForm"); }
  HWND ApplicationWindow() const { return FindProcessWindow(Pid(), L"TApplication", L"Corvix截屏助手"); }

  // What sits in the program folder besides Corvix.exe.
  std::vector<std::wstring> FolderEntries() const;

 private:
  std::filesystem::path folder_;
  PROCESS_INFORMATION process_{};
};

}  // namespace e2e
