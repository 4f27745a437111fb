// How the real program hides, asks before exiting, and ends with the Windows session.
#include <gtest/gtest.h>

#include "app/resource.h"
#include "toolkit/scope_exit.h"
#include "corvix_run.h"

namespace e2e {
namespace {

constexpr wchar_t kExitQuestion[] = L"要退出Corvix截屏助手吗？";

void RunExitAction(const CorvixRun& corvix) { PostMessageW(corvix.MainForm(), WM_COMMAND, IDA_EXIT, 0); }

bool DefaultKeysFree() {
  for (Combination keys : {kCtrlF1, kCtrlF2, kCtrlF3})
    if (IsHotKeyTaken(keys.Modifiers, keys.Key)) return false;
  return true;
}

// The system may end a process as soon as it has answered the end of the session, so by then it
// must have given back its hot keys and its icon. A hook (corvix_answer_hold.dll) holds the
// program's thread right after its answer, its windows still standing: the system frees the keys of
// a window that is gone, so only then do free keys say something about the program. (Once a process
// has ended, the system frees its hot keys itself: no check after the end is made.)
void EndSessionAndExpectReleased(const CorvixRun& corvix, HWND form, HWND notify) {
  const HMODULE library = LoadLibraryW((CorvixRun::BinFolder() / L"corvix_answer_hold.dll").c_str());
  ASSERT_NE(library, nullptr) << "no corvix_answer_hold.dll";
  const auto hook = reinterpret_cast<HOOKPROC>(reinterpret_cast<void*>(GetProcAddress(library, "AnswerHoldHook")));
  HANDLE answered = CreateEventW(nullptr, TRUE, FALSE, L"CorvixTestEndAnswered");
  HANDLE looked = CreateEventW(nullptr, TRUE, FALSE, L"CorvixTestEndLooked");
  HHOOK hold = hook ? SetWindowsHookExW(WH_CALLWNDPROCRET, hook, library, GetThreadId(corvix.MainThread())) : nullptr;
  const ScopeExit release([&] {
    if (looked) SetEvent(looked);
    if (hold) UnhookWindowsHookEx(hold);
    CloseHandle(answered);
    CloseHandle(looked);
    FreeLibrary(library);
  });
  ASSERT_TRUE(hold && answered && looked) << "the program's answer cannot be held (error " << GetLastError() << ")";
  // Not waited for: the hold keeps the answer from coming back until the test has looked.
  ASSERT_TRUE(SendNotifyMessageW(form, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF));
  ASSERT_EQ(WaitForSingleObject(answered, 5000), WAIT_OBJECT_0) << "the program did not answer the end of the session";
  EXPECT_TRUE(IsWindow(form)) << "the program's window went while it answered";
  EXPECT_TRUE(DefaultKeysFree()) << "a hot key is still held when the end of the session was answered";
  EXPECT_FALSE(ShellHasIcon(notify)) << "the icon is still shown when the end of the session was answered";
}

TEST(Closing, ACloseRequestOrAMinimizeOnlyHides) {
  CorvixRun corvix;
  ASSERT_TRUE(corvix.Start());
  PostMessageW(corvix.MainForm(), WM_CLOSE, 0, 0);
  PostMessageW(corvix.MainForm(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
  EXPECT_FALSE(corvix.WaitForExit(1500));
  EXPECT_EQ(WaitForMessageBox(corvix.Pid(), 500ms).Handle, nullptr) << "a close request asked something";
  EXPECT_FALSE(IsWindowVisible(corvix.MainForm()));
  EXPECT_FALSE(IsIconic(corvix.MainForm()));
  EXPECT_TRUE(IsHotKeyTaken(MOD_CONTROL, VK_F1));
}

TEST(Closing, TheExitActionAsksAndNoKeepsTheProgramRunningYesEndsIt) {
  CorvixRun corvix;
  ASSERT_TRUE(corvix.Start());

  RunExitAction(corvix);
  MessageBoxView box = WaitForMessageBox(corvix.Pid());
  ASSERT_NE(box.Handle, nullptr) << "no exit question";
  EXPECT_EQ(box.Caption, L"Corvix截屏助手");
  EXPECT_EQ(box.Text, kExitQuestion);
  EXPECT_TRUE(box.Yes && box.No);
  EXPECT_FALSE(box.Cancel || box.Ok);
  // Answered at the keyboard: N is the No button's accelerator.
  ASSERT_TRUE(WaitFor([&] { return GetForegroundWindow() == box.Handle; })) << "the question has no focus";
  PressKeys(0, 'N');
  EXPECT_FALSE(corvix.WaitForExit(1000)) << "No ended the program";
  EXPECT_TRUE(IsHotKeyTaken(MOD_CONTROL, VK_F1));

  RunExitAction(corvix);
  box = WaitForMessageBox(corvix.Pid());
  ASSERT_NE(box.Handle, nullptr) << "no exit question the second time";
  Answer(box, IDYES);
  EXPECT_TRUE(corvix.WaitForExit()) << "Yes did not end the program";
  EXPECT_TRUE(corvix.FolderEntries().empty()) << "exit wrote into the program folder";
}

TEST(Closing, WithoutExitHintTheExitActionEndsAtOnce) {
  CorvixRun corvix;
  corvix.WriteOptionIni(L"[Default]\r\nExitHint=0\r\n");
  ASSERT_TRUE(corvix.Start());
  RunExitAction(corvix);
  EXPECT_TRUE(corvix.WaitForExit());
}

struct SessionCase {
  UINT message;
  WPARAM wParam;
  const char* name;
};

class SessionEndTest : public testing::TestWithParam<SessionCase> {};

TEST_P(SessionEndTest, EndsTheProgramWithoutTheExitQuestion) {
  CorvixRun corvix;  // ExitHint is on by default
  ASSERT_TRUE(corvix.Start());
  const HWND form = corvix.MainForm(), notify = corvix.NotifyWindow();
  ASSERT_TRUE(WaitFor([&] { return ShellHasIcon(notify); })) << "no icon in the notification area";
  if (GetParam().message == WM_ENDSESSION && GetParam().wParam) {
    EndSessionAndExpectReleased(corvix, form, notify);
  } else {
    DWORD_PTR answer = 0;
    ASSERT_TRUE(SendMessageTimeoutW(form, GetParam().message, GetParam().wParam, ENDSESSION_LOGOFF, SMTO_ABORTIFHUNG,
                                    5000, &answer));
    if (GetParam().message == WM_QUERYENDSESSION) {
      EXPECT_NE(answer, 0u) << "the program held up the session";
    }
  }
  EXPECT_TRUE(corvix.WaitForExit()) << "still running";
}

INSTANTIATE_TEST_SUITE_P(Messages, SessionEndTest,
                         testing::Values(SessionCase{WM_QUERYENDSESSION, 0, "QueryEndSession"},
                                         SessionCase{WM_ENDSESSION, TRUE, "EndSession"},
                                         SessionCase{WM_ENDSESSION, FALSE, "EndSessionCancelled"}),
                         [](const testing::TestParamInfo<SessionCase>& param) { return param.param.name; });

// The session ends while the program waits for the user in one of its windows.
struct OpenWindowCase {
  const char* name;
  const wchar_t* options;
  HWND (*open)(const CorvixRun& corvix);
};

const OpenWindowCase kOpenWindows[] = {
    {"Overlay", L"AutoSave=1",
     [](const CorvixRun& corvix) {
       Press(kCtrlF3);
       return corvix.WaitForOverlay();
     }},
    {"SaveDialog", L"AutoSave=0",
     [](const CorvixRun& corvix) {
       Press(kCtrlF1);
       return corvix.WaitForSaveDialog();
     }},
    {"OptionsDialog", L"AutoSave=1", [](const CorvixRun& corvix) { return corvix.OpenOptions(); }},
    {"ExitQuestion", L"AutoSave=1",
     [](const CorvixRun& corvix) {
       RunExitAction(corvix);
       return WaitForMessageBox(corvix.Pid()).Handle;
     }},
    {"ErrorBox", L"AutoSave=1\r\nDefaultDir=Z:\\dev\\null\\shots",  // a folder that cannot be made
     [](const CorvixRun& corvix) {
       Press(kCtrlF1);
       return WaitForMessageBox(corvix.Pid()).Handle;
     }},
};

class SessionEndWhileOpenTest : public testing::TestWithParam<OpenWindowCase> {};

TEST_P(SessionEndWhileOpenTest, EndsCleanlyWithoutHangingOrCrashing) {
  CorvixRun corvix;
  corvix.WriteOptionIni(std::wstring(L"[Default]\r\n") + GetParam().options + L"\r\n");
  ASSERT_TRUE(corvix.Start());
  const HWND notify = corvix.NotifyWindow();
  ASSERT_TRUE(WaitFor([&] { return ShellHasIcon(notify); })) << "no icon in the notification area";
  ASSERT_NE(GetParam().open(corvix), nullptr) << "the window did not open";
  Sleep(300);

  // As the system does: the question, then the end, each answered within the time.
  DWORD_PTR answer = 0;
  ASSERT_TRUE(SendMessageTimeoutW(corvix.MainForm(), WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, SMTO_ABORTIFHUNG, 5000,
                                  &answer))
      << "the program hung on the question";
  EXPECT_NE(answer, 0u) << "the program held up the session";
  const HWND form = corvix.MainForm();
  ASSERT_NE(form, nullptr);
  EndSessionAndExpectReleased(corvix, form, notify);
  ASSERT_TRUE(corvix.WaitForExit()) << "still running";
  EXPECT_EQ(corvix.ExitCode(), 0u) << "ended abnormally";
}

INSTANTIATE_TEST_SUITE_P(Windows, SessionEndWhileOpenTest, testing::ValuesIn(kOpenWindows),
                         [](const testing::TestParamInfo<OpenWindowCase>& param) { return param.param.name; });

}  // namespace
}  // namespace e2e
