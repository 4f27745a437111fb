#include "corvix_run.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <stdexcept>

#include "app/resource.h"
#include "common/image_files.h"

namespace e2e {
namespace {

std::wstring CurrentTestName() {
  const testing::TestInfo* info = testing::UnitTest::GetInstance()->current_test_info();
  std::string name = std::string(info->test_suite_name()) + "." + info->name();
  for (char& c : name)
    if (c == '/') c = '_';
  return std::wstring(name.begin(), name.end());
}

}  // namespace

// The C++ library's file calls stop at MAX_PATH even with the "\\?\" prefix; these use the
// system's own, which do not.
void WalkTree(const std::wstring& folder, const std::function<void(const std::wstring&, bool)>& visit) {
  const std::wstring root = folder.starts_with(L"\\\\?\\") ? folder : L"\\\\?\\" + folder;
  WIN32_FIND_DATAW entry;
  HANDLE find = FindFirstFileW((root + L"\\*").c_str(), &entry);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    const std::wstring name = entry.cFileName, path = root + L"\\" + name;
    if (name == L"." || name == L"..") continue;
    const bool isFolder = entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY;
    if (isFolder) WalkTree(path, visit);
    visit(path, isFolder);  // a folder after its contents
  } while (FindNextFileW(find, &entry));
  FindClose(find);
}

std::vector<std::wstring> FilesUnder(const std::wstring& folder) {
  std::vector<std::wstring> files;
  WalkTree(folder, [&](const std::wstring& path, bool isFolder) {
    if (!isFolder) files.push_back(path);
  });
  return files;
}

void RemoveTree(const std::wstring& folder) {
  WalkTree(folder, [](const std::wstring& path, bool isFolder) {
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    isFolder ? RemoveDirectoryW(path.c_str()) : DeleteFileW(path.c_str());
  });
  RemoveDirectoryW((L"\\\\?\\" + folder).c_str());
}

std::filesystem::path CorvixRun::BinFolder() {
  // The test programs sit beside Corvix.exe in the build tree's bin folder.
  wchar_t path[MAX_PATH];
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  return std::filesystem::path(path).parent_path();
}

CorvixRun::CorvixRun() : CorvixRun(BinFolder().parent_path() / L"e2e-runs" / CurrentTestName()) {}

CorvixRun::CorvixRun(const std::filesystem::path& folder) : folder_(folder) {
  // What an earlier run left, paths longer than MAX_PATH included.
  RemoveTree(folder_.wstring());
  std::filesystem::create_directories(folder_);
  std::filesystem::copy_file(BinFolder() / L"Corvix.exe", folder_ / L"Corvix.exe");
}

CorvixRun::~CorvixRun() {
  CloseProcess();
  if (job_) CloseHandle(job_);
}

void CorvixRun::CloseProcess() {
  if (!process_.hProcess) return;
  if (IsRunning()) {
    TerminateProcess(process_.hProcess, 1);
    WaitForSingleObject(process_.hProcess, 10000);
  }
  CloseHandle(process_.hThread);
  CloseHandle(process_.hProcess);
  process_ = {};
  procFolder_.clear();
}

void CorvixRun::WriteOptionIni(const std::wstring& text) const {
  const int length = WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string ansi(length, '\0');
  WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, ansi.data(), length, nullptr, nullptr);
  ansi.resize(length - 1);
  WriteOptionIniBytes(ansi);
}

void CorvixRun::WriteOptionIniBytes(const std::string& bytes) const {
  std::ofstream(folder_ / L"Option.ini", std::ios::binary) << bytes;
}

size_t FilesIn(const std::filesystem::path& folder) {
  std::error_code error;
  return static_cast<size_t>(std::distance(std::filesystem::directory_iterator(folder, error), {}));
}

std::string FileBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool CorvixRun::Start(Combination registered, const std::filesystem::path& workingFolder) {
  return Launch(workingFolder) && WaitUntilStarted(registered);
}

// The application window turns into a tool window right after the hot keys are registered; only
// then are they probed, so a probe never holds a combination while Corvix registers it.
bool CorvixRun::WaitUntilStarted(Combination registered) const {
  return WaitFor([&] {
           HWND application = ApplicationWindow();
           return MainForm() && application && (GetWindowLongW(application, GWL_EXSTYLE) & WS_EX_TOOLWINDOW);
         }) &&
         (registered.Key == 0 || IsHotKeyTaken(registered.Modifiers, registered.Key));
}

bool CorvixRun::Launch(const std::filesystem::path& workingFolder) {
  CloseProcess();
  if (!job_) {
    job_ = CreateJobObjectW(nullptr, nullptr);
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    if (!job_ || !SetInformationJobObject(job_, JobObjectExtendedLimitInformation, &limits, sizeof limits)) {
      ADD_FAILURE() << "no job object to hold Corvix.exe (error " << GetLastError() << ")";
      return false;
    }
  }
  // A mark of this start alone at the end of its command line (which Corvix ignores): Linux's view
  // of the process is found by it. (Wine gives a process the Linux environment of the Wine server's
  // side, not the Windows one, so an environment variable would not do.)
  static int starts = 0;
  runMark_ = L"/corvix-run=" + std::to_wstring(GetCurrentProcessId()) + L"." + std::to_wstring(++starts) + L"." +
             std::to_wstring(GetTickCount64());
  std::wstring commandLine = L"\"" + (folder_ / L"Corvix.exe").wstring() + L"\" " + runMark_;
  const std::filesystem::path& working = workingFolder.empty() ? folder_ : workingFolder;
  STARTUPINFOW startup{sizeof startup};
  // Suspended until it is in the job, so nothing it does escapes it.
  if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr,
                      working.c_str(), &startup, &process_))
    return false;
  if (!AssignProcessToJobObject(job_, process_.hProcess)) {
    ADD_FAILURE() << "Corvix.exe could not join the job (error " << GetLastError() << ")";
    CloseProcess();
    return false;
  }
  ResumeThread(process_.hThread);
  return true;
}

bool CorvixRun::IsRunning() const { return WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT; }

bool CorvixRun::WaitForExit(DWORD milliseconds) const {
  return WaitForSingleObject(process_.hProcess, milliseconds) == WAIT_OBJECT_0;
}

DWORD CorvixRun::ExitCode() const {
  DWORD code = STILL_ACTIVE;
  GetExitCodeProcess(process_.hProcess, &code);
  return code;
}

std::vector<std::wstring> CorvixRun::FolderEntries() const {
  std::vector<std::wstring> entries;
  for (const auto& entry : std::filesystem::directory_iterator(folder_))
    if (entry.path().filename() != L"Corvix.exe") entries.push_back(entry.path().filename().wstring());
  return entries;
}

HWND CorvixRun::OpenOptions() const {
  PostMessageW(MainForm(), WM_COMMAND, IDA_OPTION, 0);
  HWND dialog = nullptr;
  WaitFor([&] { return (dialog = FindProcessWindow(Pid(), L"TOptionDialog", L"选项", true)) != nullptr; });
  Sleep(300);
  return dialog;
}

HWND FileNameField(HWND saveDialog) {
  HWND field = GetDlgItem(saveDialog, kFileNameEdit);
  return field ? field : GetDlgItem(saveDialog, kFileNameCombo);
}

HWND CorvixRun::WaitForSaveDialog() const {
  HWND dialog = nullptr;
  WaitFor([&] {
    dialog = FindProcessWindow(Pid(), L"#32770", L"", true);
    return dialog && FileNameField(dialog) && IsWindowVisible(FileNameField(dialog));
  });
  return dialog;
}

void SaveScreenshot(const std::filesystem::path& path) {
  HDC screen = GetDC(nullptr);
  const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
  HDC memory = CreateCompatibleDC(screen);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY);
  SelectObject(memory, old);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  TImageFileWriter().Save(bitmap, ImageFormat::Jpeg, path.wstring());
  DeleteObject(bitmap);
}

HWND CorvixRun::WaitForOverlay() const {
  HWND overlay = nullptr;
  WaitFor([&] { return (overlay = FindProcessWindow(Pid(), L"TCustomSnapForm", L"", true)) != nullptr; });
  return overlay;
}

RECT CorvixRun::SizeBox(HWND overlay, POINT corner, int width, int height) const {
  HWND box = PlaceBox(overlay, corner);
  if (!box) return {};
  RECT placed{};
  GetWindowRect(box, &placed);
  const RECT marked{placed.left, placed.top, placed.left + width, placed.top + height};
  if (!DragInMoveSizeLoop(box, {placed.right - 2, placed.bottom - 2}, {marked.right - 2, marked.bottom - 2}, marked))
    return {};
  return marked;
}

RECT CorvixRun::MarkRegion(HWND overlay, POINT corner, int width, int height,
                           const std::function<void(const RECT&)>& beforeAccepting) const {
  const RECT marked = SizeBox(overlay, corner, width, height);
  if (IsRectEmpty(&marked)) return {};
  if (beforeAccepting) beforeAccepting(marked);
  DoubleClick((marked.left + marked.right) / 2, (marked.top + marked.bottom) / 2);
  return marked;
}

HWND CorvixRun::PlaceBox(HWND overlay, POINT corner) const {
  // As a person clicks once the frozen picture is up in front. (Under Wine a click that lands while
  // the window is still being brought to the front can be swallowed by that activation.)
  if (!WaitFor([&] { return GetForegroundWindow() == overlay; })) {
    std::fprintf(stderr, "the overlay did not come to the front: the foreground is %ls\n",
                 ClassName(GetForegroundWindow()).c_str());
    return nullptr;
  }
  // Pressed and dragged a little, so that a window under the point is not taken whole: the drag
  // draws the box from the press, as small as a box can be. It is placed once the drag has ended
  // (the overlay lets the mouse go).
  MouseButton(corner.x, corner.y, true);
  MouseMoveTo(corner.x + 8, corner.y + 8);
  MouseButton(corner.x + 8, corner.y + 8, false);
  HWND box = nullptr;
  const DWORD overlayThread = GetWindowThreadProcessId(overlay, nullptr);
  const auto dragEnded = [&] {
    GUITHREADINFO info{sizeof info};
    return GetGUIThreadInfo(overlayThread, &info) && info.hwndCapture == nullptr;
  };
  if (!WaitFor([&] { return (box = FindWindowExW(overlay, nullptr, L"TSizerControl", nullptr)) && IsWindowVisible(box) && dragEnded(); })) {
    RECT shown{};
    GetWindowRect(overlay, &shown);
    GUITHREADINFO thread{sizeof thread};
    GetGUIThreadInfo(GetWindowThreadProcessId(overlay, nullptr), &thread);
    POINT cursor{};
    GetCursorPos(&cursor);
    std::fprintf(stderr,
                 "the click at %ld,%ld placed no box: overlay %s at %ld,%ld-%ld,%ld; under the point %ls; foreground "
                 "%ls; its thread's capture %ls, active %ls, flags %lx; cursor %ld,%ld\n",
                 corner.x, corner.y, IsWindowVisible(overlay) ? "visible" : "hidden", shown.left, shown.top, shown.right,
                 shown.bottom, ClassName(WindowFromPoint(corner)).c_str(), ClassName(GetForegroundWindow()).c_str(),
                 ClassName(thread.hwndCapture).c_str(), ClassName(thread.hwndActive).c_str(), thread.flags, cursor.x,
                 cursor.y);
    return nullptr;
  }
  return box;
}

uint64_t CorvixRun::PrivateKb() const {
  if (procFolder_.empty()) {
    // The Linux process whose command line holds this start's mark; no other may.
    const std::string mark(runMark_.begin(), runMark_.end());
    std::error_code error;
    std::vector<std::wstring> found;
    for (const auto& entry : std::filesystem::directory_iterator(L"Z:\\proc", error)) {
      const std::string name = entry.path().filename().string();
      if (name.find_first_not_of("0123456789") != std::string::npos) continue;
      std::string command = FileBytes(entry.path() / L"cmdline");
      std::replace(command.begin(), command.end(), '\0', ' ');
      if ((command + ' ').find(' ' + mark + ' ') != std::string::npos) found.push_back(entry.path().wstring());
    }
    if (found.size() != 1) return 0;  // none, or two that cannot be told apart
    procFolder_ = found.front();
  }
  if (procFolder_.empty()) return 0;
  const std::string status = FileBytes(std::filesystem::path(procFolder_) / L"status");
  const size_t at = status.find("RssAnon:");
  return at == std::string::npos ? 0 : std::strtoull(status.c_str() + at + 8, nullptr, 10);
}

bool CorvixRun::Answers(DWORD milliseconds) const {
  DWORD_PTR ignored = 0;
  return IsRunning() &&
         SendMessageTimeoutW(MainForm(), WM_NULL, 0, 0, SMTO_ABORTIFHUNG, milliseconds, &ignored) != 0;
}

}  // namespace e2e
