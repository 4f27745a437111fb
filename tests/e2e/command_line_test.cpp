// Corvix.exe with arguments, as a script runs it: the capture handed to the running copy or taken
// alone, the path written on standard output, the reason on standard error, the exit code.
#include <gtest/gtest.h>

#include "corvix_run.h"
#include "pattern_window.h"
#include "support/decode_png.h"
#include "support/read_bmp.h"

namespace e2e {
namespace {

// One start of Corvix.exe with arguments, its standard output and error going to files; it is
// ended with the test should it still run.
class CommandLine {
 public:
  CommandLine(const CorvixRun& corvix, const std::wstring& arguments) : folder_(corvix.Folder()) {
    static int runs = 0;
    const std::wstring mark = std::to_wstring(++runs);
    out_ = folder_ / (L"out" + mark + L".txt");
    err_ = folder_ / (L"err" + mark + L".txt");
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE out = CreateFileW(out_.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr);
    HANDLE err = CreateFileW(err_.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr);
    STARTUPINFOW startup{sizeof startup};
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = out, startup.hStdError = err;
    std::wstring line = L"\"" + (folder_ / L"Corvix.exe").wstring() + L"\" " + arguments;
    job_ = CreateJobObjectW(nullptr, nullptr);
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    SetInformationJobObject(job_, JobObjectExtendedLimitInformation, &limits, sizeof limits);
    started_ = CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, folder_.c_str(), &startup, &process_);
    if (started_) AssignProcessToJobObject(job_, process_.hProcess);
    CloseHandle(out);
    CloseHandle(err);
  }
  ~CommandLine() {
    if (started_) {
      CloseHandle(process_.hThread);
      CloseHandle(process_.hProcess);
    }
    CloseHandle(job_);
  }
  // The exit code once it has ended (bounded); STILL_ACTIVE when it has not.
  DWORD Finish(DWORD milliseconds = 20000) const {
    DWORD code = STILL_ACTIVE;
    if (started_ && WaitForSingleObject(process_.hProcess, milliseconds) == WAIT_OBJECT_0) GetExitCodeProcess(process_.hProcess, &code);
    return code;
  }
  bool Running() const { return started_ && WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT; }
  DWORD Pid() const { return process_.dwProcessId; }
  std::wstring Out() const { return Text(out_); }
  std::wstring Error() const { return Text(err_); }

 private:
  // The bytes in the system's code page, as a program without a console writes them.
  static std::wstring Text(const std::filesystem::path& path) {
    const std::string bytes = FileBytes(path);
    std::wstring text(bytes.size(), L'\0');
    text.resize(static_cast<size_t>(MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), text.data(),
                                                        static_cast<int>(text.size()))));
    return text;
  }
  std::filesystem::path folder_, out_, err_;
  HANDLE job_ = nullptr;
  PROCESS_INFORMATION process_{};
  bool started_ = false;
};

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

// With Corvix running: a region marked in its overlay goes to --out (relative to the caller's
// folder) and the path is printed; the same file again is refused at once, unless --overwrite; a
// request while the overlay is open is told "正在截图"; `last` takes the same region again; Esc
// during a delay's count or in the overlay is a cancel.
TEST(CommandLine, WithARunningCopyTheRegionGoesToTheFileAndItsPathIsPrinted) {
  CorvixRun corvix;
  corvix.WriteOptionIni(L"[Default]\r\nExitHint=0\r\n");
  ASSERT_TRUE(corvix.Start());
  PatternWindow pattern(200, 150, 300, 200);
  ASSERT_TRUE(WaitFor([&] { return pattern.OnScreen(); }));
  const std::filesystem::path shot = corvix.Folder() / L"shot.png";

  CommandLine region(corvix, L"--capture region --out shot.png");
  HWND overlay = corvix.WaitForOverlay();
  ASSERT_TRUE(overlay) << "the running copy opened no overlay: " << Narrow(region.Error());
  {
    CommandLine busy(corvix, L"--capture desktop --out busy.png");
    EXPECT_EQ(busy.Finish(), 2u);
    EXPECT_NE(busy.Error().find(L"正在截图"), std::wstring::npos) << Narrow(busy.Error());
  }
  const RECT client = pattern.Client();
  const RECT marked = corvix.MarkRegion(overlay, {client.left + 10, client.top + 10}, 120, 80);
  ASSERT_FALSE(IsRectEmpty(&marked));
  ASSERT_EQ(region.Finish(), 0u) << Narrow(region.Error());
  EXPECT_EQ(region.Out(), shot.wstring() + L"\r\n");
  const std::string written = FileBytes(shot);
  const DecodedPng png = DecodePng({written.begin(), written.end()});
  ASSERT_TRUE(png.ok);
  EXPECT_EQ(png.width, 120 - 10) << "not the region inside the box's band";
  EXPECT_FALSE(std::filesystem::exists(corvix.Folder() / L"busy.png"));
  CommandLine last(corvix, L"--capture last --out last.png");  // the same region, without the overlay
  ASSERT_EQ(last.Finish(), 0u) << Narrow(last.Error());
  EXPECT_EQ(FileBytes(corvix.Folder() / L"last.png"), written);

  CommandLine again(corvix, L"--capture desktop --out shot.png");
  EXPECT_EQ(again.Finish(), 2u);
  EXPECT_NE(again.Error().find(L"文件已存在"), std::wstring::npos) << Narrow(again.Error());
  EXPECT_EQ(FileBytes(shot), written) << "the file was replaced";
  ASSERT_TRUE(OpenClipboard(nullptr) && EmptyClipboard() && CloseClipboard());  // nothing an earlier capture left
  CommandLine replace(corvix, L"--capture desktop --out shot.png --overwrite --clipboard");
  EXPECT_EQ(replace.Finish(), 0u) << Narrow(replace.Error());
  const std::string desktop = FileBytes(shot);
  EXPECT_EQ(DecodePng({desktop.begin(), desktop.end()}).width, GetSystemMetrics(SM_CXVIRTUALSCREEN));
  EXPECT_TRUE(IsClipboardFormatAvailable(CF_DIB)) << "--clipboard put nothing on the clipboard";

  CommandLine counted(corvix, L"--capture desktop --delay 5 --out later.png");  // Esc during the count
  ASSERT_TRUE(WaitFor([&] { return FindProcessWindow(corvix.Pid(), L"TCountdownForm", L"延时截屏", true) != nullptr; }));
  PressKeys(0, VK_ESCAPE);
  EXPECT_EQ(counted.Finish(), 1u) << Narrow(counted.Error());
  EXPECT_FALSE(std::filesystem::exists(corvix.Folder() / L"later.png"));

  CommandLine cancelled(corvix, L"--capture region");
  overlay = corvix.WaitForOverlay();
  ASSERT_TRUE(overlay && WaitFor([&] { return GetForegroundWindow() == overlay; }));
  // Another program answers in the running copy's name: the waiting start does not take it.
  HWND reply = nullptr;
  DWORD pid = 0;
  ASSERT_TRUE(WaitFor([&] {
    for (reply = nullptr; (reply = FindWindowExW(HWND_MESSAGE, reply, L"TCorvixCommandReply", nullptr));)
      if (GetWindowThreadProcessId(reply, &pid) && pid == cancelled.Pid()) return true;
    return false;
  }));
  wchar_t forged[] = L"0\nC:\\forged.png";
  COPYDATASTRUCT data{0x43525841, sizeof forged - sizeof(wchar_t), forged};
  EXPECT_FALSE(SendMessageW(reply, WM_COPYDATA, reinterpret_cast<WPARAM>(corvix.MainForm()), reinterpret_cast<LPARAM>(&data)));
  PressKeys(0, VK_ESCAPE);
  EXPECT_EQ(cancelled.Finish(), 1u);
  EXPECT_TRUE(cancelled.Out().empty()) << Narrow(cancelled.Out());
  EXPECT_TRUE(corvix.IsRunning());
}

// Without a running copy the start captures alone and ends: a BMP of the desktop; --pin is refused,
// since the pin would end with it.
TEST(CommandLine, WithoutARunningCopyTheStartCapturesAloneAndEnds) {
  CorvixRun corvix;
  CommandLine desktop(corvix, L"--capture desktop --out desk.bmp");
  ASSERT_EQ(desktop.Finish(), 0u) << Narrow(desktop.Error());
  const std::filesystem::path desk = corvix.Folder() / L"desk.bmp";
  EXPECT_EQ(desktop.Out(), desk.wstring() + L"\r\n");
  EXPECT_EQ(ReadBmp(desk).width, GetSystemMetrics(SM_CXVIRTUALSCREEN));
  CommandLine pin(corvix, L"--capture desktop --pin");
  EXPECT_EQ(pin.Finish(), 2u);
  EXPECT_NE(pin.Error().find(L"--pin"), std::wstring::npos) << Narrow(pin.Error());

  // Its overlay has no pin or reading to offer: F3 only beeps, and Esc then cancels. Without
  // automatic saving, the Save dialog comes up in front.
  const auto overlayOf = [](const CommandLine& start, HWND overlay = nullptr) {
    return WaitFor([&] { return (overlay = FindProcessWindow(start.Pid(), L"TCustomSnapForm", L"", true)) && GetForegroundWindow() == overlay; }) ? overlay : nullptr;
  };
  CommandLine region(corvix, L"--capture region --out alone.png");
  HWND overlay = overlayOf(region);
  ASSERT_TRUE(overlay);
  ASSERT_NE(corvix.SizeBox(overlay, {100, 100}, 200, 150).right, 0);
  PressKeys(0, VK_F3);
  PressKeys(0, VK_ESCAPE);
  EXPECT_EQ(region.Finish(), 1u) << "钉在屏幕 saved the picture instead";
  EXPECT_FALSE(std::filesystem::exists(corvix.Folder() / L"alone.png"));
  corvix.WriteOptionIni(L"[Default]\r\nAutoSave=0\r\nExitHint=0\r\n");
  CommandLine asked(corvix, L"--capture region");
  overlay = overlayOf(asked);
  ASSERT_TRUE(overlay);
  ASSERT_NE(corvix.SizeBox(overlay, {100, 100}, 200, 150).right, 0);
  PressKeys(0, VK_RETURN);
  HWND dialog = nullptr;
  EXPECT_TRUE(WaitFor([&] { return (dialog = FindProcessWindow(asked.Pid(), L"#32770", L"", true)) && GetForegroundWindow() == dialog; }))
      << "the Save dialog is not in front";
  if (dialog) PostMessageW(dialog, WM_CLOSE, 0, 0);
  EXPECT_EQ(asked.Finish(), 1u);
}

// A wrong "--" argument prints why and the usage and touches nothing; --help prints the usage;
// words that do not begin with "--" start Corvix as ever.
TEST(CommandLine, AWrongArgumentPrintsTheUsageTouchesNothingAndOtherWordsStartCorvix) {
  CorvixRun corvix;
  for (const wchar_t* wrong : {L"--capture screen", L"--capture desktop --out a.gif", L"--delay 3", L"--capture",
                               L"--capture desktop --frobnicate", L"--capture last --capture last"}) {
    CommandLine bad(corvix, wrong);
    EXPECT_EQ(bad.Finish(), 2u) << Narrow(wrong);
    EXPECT_NE(bad.Error().find(L"用法"), std::wstring::npos) << Narrow(wrong) << ": " << Narrow(bad.Error());
  }
  CommandLine help(corvix, L"--help");
  EXPECT_EQ(help.Finish(), 0u);
  EXPECT_NE(help.Out().find(L"--capture desktop|window|region|last"), std::wstring::npos);
  for (const auto& entry : std::filesystem::directory_iterator(corvix.Folder())) {
    const std::wstring name = entry.path().filename().wstring();
    EXPECT_TRUE(name == L"Corvix.exe" || name.starts_with(L"out") || name.starts_with(L"err")) << Narrow(name);
  }
  CommandLine plain(corvix, L"/minimized from-a-shortcut");
  EXPECT_TRUE(WaitFor([&] { return FindProcessWindow(plain.Pid(), L"TTrayIconNotify", L"") != nullptr; }))
      << "Corvix did not start";
  EXPECT_TRUE(plain.Running());
}

}  // namespace
}  // namespace e2e
