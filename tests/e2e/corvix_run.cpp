#include "corvix_run.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <thread>

namespace e2e {
namespace {

// The test program sits beside Corvix.exe in the build tree's bin folder.
std::filesystem::path BinFolder() {
  wchar_t path[MAX_PATH];
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  return std::filesystem::path(path).parent_path();
}

std::wstring CurrentTestName() {
  const testing::TestInfo* info = testing::UnitTest::GetInstance()->current_test_info();
  std::string name = std::string(info->test_suite_name()) + "." + info->name();
  for (char& c : name)
    if (c == '/') c = '_';
  return std::wstring(name.begin(), name.end());
}

}  // namespace

bool WaitFor(const std::function<bool()>& condition, std::chrono::milliseconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  for (;;) {
    if (condition()) return true;
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(25ms);
  }
}

std::wstring WindowText(HWND window) {
  std::wstring text(GetWindowTextLengthW(window) + 1, L'\0');
  text.resize(GetWindowTextW(window, text.data(), static_cast<int>(text.size())));
  return text;
}

HWND FindProcessWindow(DWORD pid, const std::wstring& className, const std::wstring& title) {
  for (HWND window = FindWindowExW(nullptr, nullptr, className.empty() ? nullptr : className.c_str(),
                                   title.empty() ? nullptr : title.c_str());
       window;
       window = FindWindowExW(nullptr, window, className.empty() ? nullptr : className.c_str(),
                              title.empty() ? nullptr : title.c_str())) {
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == pid) return window;
  }
  return nullptr;
}

CorvixRun::CorvixRun() {
  const std::filesystem::path exe = BinFolder() / L"Corvix.exe";
  folder_ = BinFolder().parent_path() / L"e2e-runs" / CurrentTestName();
  std::filesystem::remove_all(folder_);
  std::filesystem::create_directories(folder_);
  std::filesystem::copy_file(exe, folder_ / L"Corvix.exe");

  std::wstring commandLine = L"\"" + (folder_ / L"Corvix.exe").wstring() + L"\"";
  STARTUPINFOW startup{sizeof startup};
  if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      folder_.c_str(), &startup, &process_))
    throw std::runtime_error("Corvix.exe did not start");
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

bool CorvixRun::IsRunning() const { return WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT; }

HWND CorvixRun::ApplicationWindow() const {
  HWND window = nullptr;
  WaitFor([&] { return (window = FindProcessWindow(Pid(), L"", L"Corvix截屏助手")) != nullptr; });
  return window;
}

}  // namespace e2e
