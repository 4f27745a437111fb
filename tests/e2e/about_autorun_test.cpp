// The about box, the Run entry of the real program, and its second start.
#include <gtest/gtest.h>

#include "app/resource.h"
#include "corvix_run.h"
#include "dialogs/options_controls.h"
#include "toolkit/scope_exit.h"

namespace e2e {
namespace {

constexpr wchar_t kRun[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";

std::wstring RunValue(HKEY root) {
  wchar_t data[1024] = {};
  DWORD size = sizeof data;
  if (RegGetValueW(root, kRun, L"Corvix截屏助手", RRF_RT_REG_SZ, nullptr, data, &size) != ERROR_SUCCESS) return L"(none)";
  return data;
}

void ClearRunValues() {
  for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) RegDeleteKeyValueW(root, kRun, L"Corvix截屏助手");
}

HWND OpenAbout(const CorvixRun& corvix) {
  PostMessageW(corvix.MainForm(), WM_COMMAND, IDA_ABOUT, 0);
  HWND box = nullptr;
  WaitFor([&] { return (box = FindProcessWindow(corvix.Pid(), L"TVersionDialog", L"关于", true)) != nullptr; });
  Sleep(300);
  return box;
}

std::vector<std::wstring> StaticTexts(HWND dialog) {
  std::vector<std::wstring> texts;
  for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
    if (ClassName(child) == L"Static" && !WindowText(child).empty()) texts.push_back(WindowText(child));
  return texts;
}

TEST(About, ShowsTheNameAndVersionAndClosesWithOkEnterOrEscape) {
  CorvixRun corvix;
  ASSERT_TRUE(corvix.Start());
  HWND box = OpenAbout(corvix);
  ASSERT_NE(box, nullptr) << "no about box";
  RECT client;
  GetClientRect(box, &client);
  EXPECT_EQ(client.right, 323);
  EXPECT_EQ(client.bottom, 178);
  const std::vector<std::wstring> texts = StaticTexts(box);
  ASSERT_EQ(texts.size(), 3u);
  EXPECT_EQ(texts[0], L"Corvix截屏助手");
  EXPECT_NE(texts[1].find(L"截图"), std::wstring::npos);
  EXPECT_EQ(texts[2], L"产品版本 1.0.12.18");
  EXPECT_EQ(WindowText(GetDlgItem(box, IDOK)), L"确定");

  PostMessageW(corvix.MainForm(), WM_COMMAND, IDA_ABOUT, 0);  // a second choice opens no second box
  Sleep(500);
  EXPECT_EQ(CountVisibleWindows(L"TVersionDialog"), 1);

  PostMessageW(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
  EXPECT_TRUE(WaitFor([&] { return !IsWindow(box); })) << "OK did not close it";
  for (UINT key : {VK_RETURN, VK_ESCAPE}) {
    box = OpenAbout(corvix);
    ASSERT_NE(box, nullptr);
    PressKeys(0, key);
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(box); })) << "key " << key << " did not close it";
  }
  EXPECT_TRUE(corvix.IsRunning());
}

TEST(AutoRun, TheRunEntryFollowsTheOptionAtStartAndAtExit) {
  ClearRunValues();
  RegSetKeyValueW(HKEY_CURRENT_USER, kRun, L"Corvix截屏助手", REG_SZ, L"D:\\elsewhere\\Corvix.exe", 48);
  CorvixRun corvix;
  corvix.WriteOptionIni(L"[Default]\r\nAutoRun=1\r\nExitHint=0\r\n");
  ASSERT_TRUE(corvix.Start());
  const std::wstring quoted = L"\"" + (corvix.Folder() / L"Corvix.exe").wstring() + L"\"";
  EXPECT_EQ(RunValue(HKEY_LOCAL_MACHINE), quoted);
  EXPECT_EQ(RunValue(HKEY_CURRENT_USER), L"D:\\elsewhere\\Corvix.exe") << "an existing value was changed";

  // AutoRun off in the options dialog: the entry goes at exit.
  PostMessageW(corvix.MainForm(), WM_COMMAND, IDA_OPTION, 0);
  HWND dialog = nullptr;
  ASSERT_TRUE(WaitFor([&] { return (dialog = FindProcessWindow(corvix.Pid(), L"TOptionDialog", L"选项", true)); }));
  Sleep(300);
  HWND autoRun = FindControl(dialog, ID_AUTORUN);
  ASSERT_NE(autoRun, nullptr);
  PostMessageW(autoRun, BM_CLICK, 0, 0);
  Sleep(200);
  PostMessageW(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
  ASSERT_TRUE(WaitFor([&] { return !IsWindow(dialog); }));
  EXPECT_EQ(RunValue(HKEY_LOCAL_MACHINE), quoted) << "the entry changed before exit";
  PostMessageW(corvix.MainForm(), WM_COMMAND, IDA_EXIT, 0);
  ASSERT_TRUE(corvix.WaitForExit());
  EXPECT_EQ(RunValue(HKEY_LOCAL_MACHINE), L"(none)");
  EXPECT_EQ(RunValue(HKEY_CURRENT_USER), L"(none)");
}

// Starts a Corvix.exe and waits (bounded) for it to end by itself: its exit code, or STILL_ACTIVE
// (the process then ended here).
DWORD StartAgain(const std::filesystem::path& exe) {
  std::wstring commandLine = L"\"" + exe.wstring() + L"\"";
  STARTUPINFOW startup{sizeof startup};
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, exe.parent_path().c_str(),
                      &startup, &process))
    return STILL_ACTIVE;
  DWORD code = STILL_ACTIVE;
  if (WaitForSingleObject(process.hProcess, 10000) != WAIT_OBJECT_0) TerminateProcess(process.hProcess, 1);
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return code;
}

// A second start, of the same copy or of another in another folder, has the running Corvix show
// its welcome again and ends with 0; it leaves Option.ini, the Run entry and the hot keys alone.
TEST(OneInstance, ASecondStartWelcomesAgainThroughTheFirstAndEnds) {
  ClearRunValues();
  struct Clear {
    ~Clear() { ClearRunValues(); }
  } clear;
  CorvixRun first;
  first.WriteOptionIni(L"[Default]\r\nAutoRun=1\r\nAutoSave=1\r\nKeyScreen=CTRL+F6\r\n");
  const std::string options = FileBytes(first.Folder() / L"Option.ini");
  ASSERT_TRUE(first.Start({MOD_CONTROL, VK_F6}));
  const std::wstring run = RunValue(HKEY_CURRENT_USER);
  ASSERT_NE(run.find(L"Corvix.exe"), std::wstring::npos) << "AutoRun=1 made no Run entry";
  const CorvixRun other(first.Folder().parent_path() / (first.Folder().filename().wstring() + L" other copy"));

  int saved = 0;
  for (const auto& exe : {first.Folder() / L"Corvix.exe", other.Folder() / L"Corvix.exe"}) {
    // A balloon of a save first, so that the welcome seen next is a new one.
    PressKeys(MOD_CONTROL, VK_F6);
    ASSERT_TRUE(WaitFor([&] { return FilesIn(first.Folder() / L"Save") == static_cast<size_t>(saved + 1); }));
    ++saved;
    ASSERT_NE(WaitForBalloon([](const BalloonView& view) { return view.Text.starts_with(L"已保存 "); }).Handle, nullptr);
    EXPECT_EQ(StartAgain(exe), 0u) << exe;
    EXPECT_NE(WaitForBalloon([](const BalloonView& view) { return view.Text.starts_with(L"欢迎使用"); }).Handle, nullptr)
        << "the running Corvix did not welcome again";
  }
  EXPECT_TRUE(first.Answers());
  EXPECT_EQ(FileBytes(first.Folder() / L"Option.ini"), options);
  EXPECT_EQ(other.FolderEntries(), std::vector<std::wstring>{}) << "the second copy wrote in its folder";
  EXPECT_EQ(RunValue(HKEY_CURRENT_USER), run);
  PressKeys(MOD_CONTROL, VK_F6);
  EXPECT_TRUE(WaitFor([&] { return FilesIn(first.Folder() / L"Save") == 3; })) << "the first one stopped capturing";
}

// A second start while the first asks whether to exit: the first, ending, does not take the
// welcome; once it is gone the second runs. The question is answered only once the first has
// answered the second's request (a hook on its thread says so), so a second start that wrongly
// took that answer would have ended by then.
TEST(OneInstance, ASecondStartWhileTheFirstEndsRunsItself) {
  CorvixRun first;
  ASSERT_TRUE(first.Start());
  PostMessageW(first.MainForm(), WM_COMMAND, IDA_EXIT, 0);
  const MessageBoxView question = WaitForMessageBox(first.Pid());
  ASSERT_NE(question.Handle, nullptr) << "no exit question";
  const HMODULE library = LoadLibraryW((CorvixRun::BinFolder() / L"corvix_answer_hold.dll").c_str());
  ASSERT_NE(library, nullptr) << "no corvix_answer_hold.dll";
  const auto hook = reinterpret_cast<HOOKPROC>(reinterpret_cast<void*>(GetProcAddress(library, "WelcomeAskedHook")));
  HANDLE asked = CreateEventW(nullptr, TRUE, FALSE, L"CorvixTestWelcomeAsked");
  HHOOK watch = hook ? SetWindowsHookExW(WH_CALLWNDPROCRET, hook, library, GetThreadId(first.MainThread())) : nullptr;
  const ScopeExit release([&] {
    if (watch) UnhookWindowsHookEx(watch);
    CloseHandle(asked);
    FreeLibrary(library);
  });
  ASSERT_TRUE(watch && asked) << "the first's answers cannot be watched (error " << GetLastError() << ")";
  CorvixRun second(first.Folder().parent_path() / (first.Folder().filename().wstring() + L" second"));
  ASSERT_TRUE(second.Launch());
  ASSERT_EQ(WaitForSingleObject(asked, 10000), WAIT_OBJECT_0) << "the second start never asked the first";
  Answer(question, IDYES);
  ASSERT_TRUE(first.WaitForExit()) << "the first did not end";
  EXPECT_TRUE(second.WaitUntilStarted()) << "nothing runs: the second start " << (second.IsRunning() ? "did not start" : "ended");
}

}  // namespace
}  // namespace e2e
