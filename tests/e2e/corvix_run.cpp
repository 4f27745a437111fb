#include "corvix_run.h"

#include <gtest/gtest.h>

#include <fstream>
#include <stdexcept>

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

std::filesystem::path CorvixRun::BinFolder() {
  // The test programs sit beside Corvix.exe in the build tree's bin folder.
  wchar_t path[MAX_PATH];
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  return std::filesystem::path(path).parent_path();
}

CorvixRun::CorvixRun() : CorvixRun(BinFolder().parent_path() / L"e2e-runs" / CurrentTestName()) {}

CorvixRun::CorvixRun(const std::filesystem::path& folder) : folder_(folder) {
  std::filesystem::remove_all(folder_);
  std::filesystem::create_directories(folder_);
  std::filesystem::copy_file(BinFolder() / L"Corvix.exe", folder_ / L"Corvix.exe");
}

CorvixRun::~CorvixRun() {
  if (!process_.hProcess) return;
  if (IsRunning()) {
    TerminateProcess(process_.hProcess, 1);
    WaitForSingleObject(process_.hProcess, 10000);
  }
  CloseHandle(process_.hThread);
  CloseHandle(process_.hProcess);
}

void CorvixRun::WriteOptionIni(const std::wstring& text) const {
  const int length = WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string ansi(length, '\0');
  WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, ansi.data(), length, nullptr, nullptr);
  ansi.resize(length - 1);
  std::ofstream(folder_ / L"Option.ini", std::ios::binary) << ansi;
}

bool CorvixRun::Start(Combination registered) {
  std::wstring commandLine = L"\"" + (folder_ / L"Corvix.exe").wstring() + L"\"";
  STARTUPINFOW startup{sizeof startup};
  if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, folder_.c_str(),
                      &startup, &process_))
    return false;
  // The application window turns into a tool window right after the hot keys are registered; only
  // then are they probed, so a probe never holds a combination while Corvix registers it.
  return WaitFor([&] {
           HWND application = ApplicationWindow();
           return MainForm() && application && (GetWindowLongW(application, GWL_EXSTYLE) & WS_EX_TOOLWINDOW);
         }) &&
         IsHotKeyTaken(registered.Modifiers, registered.Key);
}

bool CorvixRun::IsRunning() const { return WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT; }

bool CorvixRun::WaitForExit(DWORD milliseconds) const {
  return WaitForSingleObject(process_.hProcess, milliseconds) == WAIT_OBJECT_0;
}

std::vector<std::wstring> CorvixRun::FolderEntries() const {
  std::vector<std::wstring> entries;
  for (const auto& entry : std::filesystem::directory_iterator(folder_))
    if (entry.path().filename() != L"Corvix.exe") entries.push_back(entry.path().filename().wstring());
  return entries;
}

}  // namespace e2e
