// The end-to-end driver: starts the real Corvix.exe in a fresh folder of its own (its program
// folder, so Option.ini and Save\ land there), finds its windows, and ends it by its process. Every
// Corvix.exe it starts belongs to a job that ends it when the job's last handle closes, so a test
// program that is killed (a ctest timeout, say) takes its Corvix.exe with it.
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
inline constexpr Combination kNoKey{0, 0};  // Start() probes no hot key
inline void Press(Combination keys) { PressKeys(keys.Modifiers, keys.Key); }

// The Save dialog's controls.
inline constexpr int kFileTypeCombo = 0x470, kFolderCombo = 0x471, kFileNameCombo = 0x47C, kFileNameEdit = 0x480;
HWND FileNameField(HWND saveDialog);

// Every file under a folder, and deleting a folder with everything in it: paths longer than
// MAX_PATH included.
std::vector<std::wstring> FilesUnder(const std::wstring& folder);
void RemoveTree(const std::wstring& folder);

// How many entries a folder holds; 0 when it does not exist.
size_t FilesIn(const std::filesystem::path& folder);

// A whole file's bytes; empty when it cannot be read.
std::string FileBytes(const std::filesystem::path& path);

// The whole screen as a person sees it, written as a JPEG file by the program's own writer.
void SaveScreenshot(const std::filesystem::path& path);

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
  // Writes Option.ini byte for byte (other encodings, broken text).
  void WriteOptionIniBytes(const std::string& bytes) const;

  // Starts Corvix.exe, waits (bounded) until its start-up has registered the hot keys, and checks
  // that the given one is taken (none with kNoKey); false when either did not happen. It runs in
  // `workingFolder` (empty: the program folder), as a start from elsewhere (the Run key, a shortcut)
  // would. A run may be started again; a Corvix.exe still running from before is ended first.
  bool Start(Combination registered = kCtrlF1, const std::filesystem::path& workingFolder = {});
  // Start in two halves: the process started, waiting for nothing; then its start-up waited for.
  bool Launch(const std::filesystem::path& workingFolder = {});
  bool WaitUntilStarted(Combination registered = kCtrlF1) const;

  DWORD Pid() const { return process_.dwProcessId; }
  // The last word of this start's command line, its alone: Linux's view of the process is found
  // by it.
  const std::wstring& RunMark() const { return runMark_; }
  // The process and its first thread (the one with the windows).
  HANDLE Process() const { return process_.hProcess; }
  HANDLE MainThread() const { return process_.hThread; }
  bool IsRunning() const;
  // Waits (bounded) for the process to end by itself.
  bool WaitForExit(DWORD milliseconds = 10000) const;
  // The exit code of a process that has ended.
  DWORD ExitCode() const;
  HWND MainForm() const { return FindProcessWindow(Pid(), L"CorvixForm", L"CorvixForm"); }
  HWND ApplicationWindow() const { return FindProcessWindow(Pid(), L"TApplication", L"Corvix截屏助手"); }
  HWND NotifyWindow() const { return FindProcessWindow(Pid(), L"TTrayIconNotify", L""); }

  // What sits in the program folder besides Corvix.exe.
  std::vector<std::wstring> FolderEntries() const;

  // The windows a user meets, each waited for (bounded); null when it did not come.
  // The options dialog, opened with the tray menu's command.
  HWND OpenOptions() const;
  // The Save dialog of a capture, once its file-name field shows.
  HWND WaitForSaveDialog() const;
  // The region overlay, once it shows.
  HWND WaitForOverlay() const;
  // Once the open overlay is in front, a press at `corner` and a short drag place the 10 x 10 box
  // there (over a window too): its window, or null (with what was seen on stderr).
  HWND PlaceBox(HWND overlay, POINT corner) const;
  // PlaceBox, then the box's bottom-right grip dragged until the box, frame included, is `width` x
  // `height`: the box's screen rectangle, or an empty one when it did not take that size.
  RECT SizeBox(HWND overlay, POINT corner, int width, int height) const;
  // Marks a region on the open overlay as a person does: SizeBox, then a double-click inside
  // accepts it. Returns the box's screen rectangle as accepted; an empty one when the box did not
  // come or did not take that size (the overlay is then still open). `beforeAccepting` runs once
  // the box has its size.
  RECT MarkRegion(HWND overlay, POINT corner, int width, int height,
                  const std::function<void(const RECT&)>& beforeAccepting = {}) const;
  // The process's private memory (anonymous resident KB) as Linux reports it, read through Wine's
  // view of /proc (Wine gives no memory figures for another process); 0 when it cannot be read.
  uint64_t PrivateKb() const;
  // True when the program answers a message within the time: it is neither hung nor gone.
  bool Answers(DWORD milliseconds = 5000) const;

 private:
  void CloseProcess();

  std::filesystem::path folder_;
  HANDLE job_ = nullptr;  // kills what is left in it when closed
  PROCESS_INFORMATION process_{};
  std::wstring runMark_;             // the last word of this start's command line, its alone
  mutable std::wstring procFolder_;  // Z:\proc\<Linux pid>, found on first use
};

}  // namespace e2e
