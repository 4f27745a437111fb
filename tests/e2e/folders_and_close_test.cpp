// Where captures go and what a close request does, on the real program: close requests from the
// system to each of its windows, a Unicode folder kept in Option.ini across a restart, relative
// folders whatever the working folder, the automatic name search in full folders, and the Save
// dialog on a first start.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "app/resource.h"
#include "corvix_run.h"
#include "dialogs/options_controls.h"

namespace e2e {
namespace {

// A working folder that is not the program folder.
const std::filesystem::path kSystemFolder = L"C:\\windows\\system32";

bool WaitForFile(const std::filesystem::path& path) {
  return WaitFor([&] { return std::filesystem::is_regular_file(path); });
}

void CreateEmptyFile(const std::filesystem::path& path) { std::ofstream(path, std::ios::binary).close(); }

// Option.ini's lines: UTF-16 after its byte-order mark, the ANSI code page without one.
std::vector<std::wstring> IniLines(const std::string& bytes) {
  std::wstring text;
  if (bytes.starts_with("\xFF\xFE")) {
    text.assign(reinterpret_cast<const wchar_t*>(bytes.data() + 2), (bytes.size() - 2) / sizeof(wchar_t));
  } else {
    const int length = MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    text.resize(static_cast<size_t>(length));
    MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), text.data(), length);
  }
  std::vector<std::wstring> lines;
  std::wstringstream in(text);
  for (std::wstring line; std::getline(in, line);) {
    if (!line.empty() && line.back() == L'\r') line.pop_back();
    if (!line.empty()) lines.push_back(line);
  }
  return lines;
}

bool Holds(const std::vector<std::wstring>& lines, const std::wstring& line) {
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

bool MenuOpen(const CorvixRun& corvix) { return FindProcessWindow(corvix.Pid(), L"#32768", L"", true) != nullptr; }

bool ForegroundIsTheProgram(const CorvixRun& corvix) {
  DWORD owner = 0;
  GetWindowThreadProcessId(GetForegroundWindow(), &owner);
  return owner == corvix.Pid();
}

// ---- Close requests from outside only hide

// Wine's own taskkill without /F: it posts WM_CLOSE to every top-level window of the process.
bool RunTaskkill(const CorvixRun& corvix) {
  std::wstring commandLine = L"C:\\windows\\system32\\taskkill.exe /PID " + std::to_wstring(corvix.Pid());
  STARTUPINFOW startup{sizeof startup};
  PROCESS_INFORMATION taskkill{};
  if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &taskkill))
    return false;
  const bool ended = WaitForSingleObject(taskkill.hProcess, 30000) == WAIT_OBJECT_0;
  DWORD code = 1;
  GetExitCodeProcess(taskkill.hProcess, &code);
  if (!ended) TerminateProcess(taskkill.hProcess, 1);
  CloseHandle(taskkill.hThread);
  CloseHandle(taskkill.hProcess);
  return ended && code == 0;
}

struct CloseCase {
  const char* name;
  bool (*request)(const CorvixRun& corvix);  // false when the request could not be made
};

const CloseCase kCloseRequests[] = {
    {"ApplicationWindow",
     [](const CorvixRun& corvix) { return PostMessageW(corvix.ApplicationWindow(), WM_CLOSE, 0, 0) != 0; }},
    {"MainForm", [](const CorvixRun& corvix) { return PostMessageW(corvix.MainForm(), WM_CLOSE, 0, 0) != 0; }},
    {"TrayWindow", [](const CorvixRun& corvix) { return PostMessageW(corvix.NotifyWindow(), WM_CLOSE, 0, 0) != 0; }},
    {"Taskkill", RunTaskkill},
};

class CloseRequestTest : public testing::TestWithParam<CloseCase> {};

TEST_P(CloseRequestTest, OnlyHidesAndHotKeysAndTheTrayMenuStillWork) {
  CorvixRun corvix;  // ExitHint is on: a close that meant exit would ask
  corvix.WriteOptionIni(L"[Default]\r\nAutoSave=1\r\n");
  ASSERT_TRUE(corvix.Start());
  HWND application = corvix.ApplicationWindow(), form = corvix.MainForm(), notify = corvix.NotifyWindow();
  ASSERT_TRUE(application && form && notify);

  ASSERT_TRUE(GetParam().request(corvix)) << "the close request could not be made";
  // The hot key's message is queued behind the close request: once its file is there, the close
  // request has been handled.
  Press(kCtrlF1);
  EXPECT_TRUE(WaitForFile(corvix.Folder() / L"Save" / L"001.jpg")) << "the hot key no longer captures";
  ASSERT_TRUE(corvix.IsRunning()) << "the program ended";
  EXPECT_EQ(corvix.ApplicationWindow(), application);
  EXPECT_EQ(corvix.MainForm(), form);
  EXPECT_EQ(corvix.NotifyWindow(), notify);
  EXPECT_FALSE(IsWindowVisible(form));
  EXPECT_EQ(FindProcessWindow(corvix.Pid(), L"#32770", L"", true), nullptr) << "a close request asked something";

  // The tray menu opens on a right press; Escape closes it.
  PostMessageW(notify, 0x0800, 1, WM_RBUTTONDOWN);
  ASSERT_TRUE(WaitFor([&] { return MenuOpen(corvix) && ForegroundIsTheProgram(corvix); })) << "no tray menu";
  PressKeys(0, VK_ESCAPE);
  PostMessageW(notify, 0x0800, 1, WM_RBUTTONUP);
  EXPECT_TRUE(WaitFor([&] { return !MenuOpen(corvix); })) << "Escape did not close the menu";
  EXPECT_TRUE(corvix.Answers());
}

INSTANTIATE_TEST_SUITE_P(Windows, CloseRequestTest, testing::ValuesIn(kCloseRequests),
                         [](const testing::TestParamInfo<CloseCase>& param) { return param.param.name; });

// ---- A folder outside the ANSI code page

// The exit command, answered at once (ExitHint=0), and the program's end.
bool Exit(const CorvixRun& corvix) {
  PostMessageW(corvix.MainForm(), WM_COMMAND, IDA_EXIT, 0);
  return corvix.WaitForExit();
}

// Chooses a folder in the options dialog and confirms with OK.
bool ChooseFolder(const CorvixRun& corvix, const std::wstring& folder) {
  HWND dialog = corvix.OpenOptions();
  if (!dialog) return false;
  SendMessageW(FindControl(dialog, ID_SAVE_FOLDER), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(folder.c_str()));
  PostMessageW(FindControl(dialog, IDOK), BM_CLICK, 0, 0);
  return WaitFor([&] { return !IsWindow(dialog); });
}

TEST(Folders, AKoreanFolderMakesOptionIniUnicodeSurvivesARestartAndAnAnsiOneMakesItAnsiAgain) {
  CorvixRun corvix;
  corvix.WriteOptionIni(
      L"; 我的设置\r\n"
      L"[Default]\r\n"
      L"AutoSave=1\r\n"
      L"ExitHint=0\r\n"
      L"Extra=保留\r\n"
      L"\r\n"
      L"[Mine]\r\n"
      L"Note=kept\r\n");
  const std::filesystem::path ini = corvix.Folder() / L"Option.ini";
  const std::wstring korean = (corvix.Folder() / L"한글 shots").wstring();
  const auto handWrittenKept = [](const std::vector<std::wstring>& lines) {
    for (const wchar_t* line : {L"; 我的设置", L"[Default]", L"Extra=保留", L"[Mine]", L"Note=kept", L"ExitHint=0"})
      EXPECT_TRUE(Holds(lines, line)) << "lost: " << testing::PrintToString(std::wstring(line));
  };
  ASSERT_TRUE(corvix.Start());

  ASSERT_TRUE(ChooseFolder(corvix, korean)) << "the options dialog did not close";
  std::string bytes = FileBytes(ini);
  EXPECT_TRUE(bytes.starts_with("\xFF\xFE")) << "Option.ini is not UTF-16 with its byte-order mark";
  std::vector<std::wstring> lines = IniLines(bytes);
  EXPECT_TRUE(Holds(lines, L"DefaultDir=" + korean)) << testing::PrintToString(lines);
  handWrittenKept(lines);

  // A new start reads the folder back and captures into it.
  ASSERT_TRUE(Exit(corvix)) << "the exit command did not end the program";
  ASSERT_TRUE(corvix.Start()) << "no second start";
  Press(kCtrlF1);
  EXPECT_TRUE(WaitForFile(std::filesystem::path(korean) / L"001.jpg")) << "nothing in the Korean folder";

  // While the file cannot be rewritten, it cannot go back to ANSI: the values are saved all the
  // same, UTF-16, and no error is told. (On Windows another program holding it open without
  // sharing deletion stops the rewrite; Wine renames over such a file, so here a folder stands
  // where the rewrite puts its temporary file.)
  const std::filesystem::path obstacle = corvix.Folder() / L"Option.ini.corvix-tmp";
  std::filesystem::create_directory(obstacle);
  const std::wstring locked = (corvix.Folder() / L"locked shots").wstring();
  const bool closed = ChooseFolder(corvix, locked);
  std::filesystem::remove(obstacle);
  ASSERT_TRUE(closed && corvix.Answers());  // an error would be up by now
  EXPECT_EQ(CountVisibleWindows(L"#32770", corvix.Pid()), 0) << "a save that succeeded was reported as failed";
  EXPECT_TRUE(Holds(IniLines(FileBytes(ini)), L"DefaultDir=" + locked));

  // Once every value fits the ANSI code page again, so does the file.
  const std::wstring ascii = (corvix.Folder() / L"ascii shots").wstring();
  ASSERT_TRUE(ChooseFolder(corvix, ascii)) << "the options dialog did not close";
  bytes = FileBytes(ini);
  EXPECT_FALSE(bytes.starts_with("\xFF\xFE")) << "Option.ini stayed UTF-16";
  lines = IniLines(bytes);
  EXPECT_TRUE(Holds(lines, L"DefaultDir=" + ascii)) << testing::PrintToString(lines);
  handWrittenKept(lines);
}

// ---- Relative folders are the program folder's

class RelativeFolderTest : public testing::TestWithParam<std::pair<const char*, const wchar_t*>> {};

TEST_P(RelativeFolderTest, CapturesIntoTheProgramFolderWhateverTheWorkingFolder) {
  CorvixRun corvix;
  corvix.WriteOptionIni(L"[Default]\r\nAutoSave=1\r\nDefaultDir=shots\r\n");
  const std::filesystem::path working = GetParam().second;
  const std::filesystem::path stray = working / L"shots";
  if (!working.empty()) std::filesystem::remove_all(stray);  // what an earlier failed run left
  ASSERT_TRUE(corvix.Start(kCtrlF1, working));
  Press(kCtrlF1);
  EXPECT_TRUE(WaitForFile(corvix.Folder() / L"shots" / L"001.jpg")) << "no shots\\001.jpg in the program folder";
  if (!working.empty()) {
    const bool written = std::filesystem::exists(stray);
    std::filesystem::remove_all(stray);  // the prefix is shared: leave it as it was
    EXPECT_FALSE(written) << "written under the working folder";
  }
}

INSTANTIATE_TEST_SUITE_P(WorkingFolders, RelativeFolderTest,
                         testing::Values(std::pair{"ProgramFolder", L""}, std::pair{"SystemFolder", L"C:\\windows\\system32"}),
                         [](const auto& param) { return param.param.first; });

// ---- The automatic name search

TEST(AutomaticNames, APictureWithAllItsNamesTakenGetsTheNumberAppendedAndTheProgramGoesOn) {
  CorvixRun corvix;
  corvix.WriteOptionIni(L"[Default]\r\nAutoSave=1\r\nDefaultFormat=0E+0\r\n");
  // "0E+0" gives one of 90 names to every number: 1E+0 ... 9E+0, 1E+1 ... 9E+9. All taken.
  const std::filesystem::path save = corvix.Folder() / L"Save";
  std::filesystem::create_directories(save);
  for (int exponent = 0; exponent <= 9; ++exponent)
    for (int digit = 1; digit <= 9; ++digit)
      CreateEmptyFile(save / (std::to_wstring(digit) + L"E+" + std::to_wstring(exponent) + L".jpg"));
  ASSERT_EQ(FilesIn(save), 90u);
  ASSERT_TRUE(corvix.Start());
  Press(kCtrlF1);
  EXPECT_TRUE(WaitForFile(save / L"1E+01.jpg")) << "no 1E+01.jpg";
  EXPECT_TRUE(corvix.Answers()) << "the program does not answer";
  EXPECT_EQ(FilesIn(save), 91u);
  EXPECT_EQ(std::filesystem::file_size(save / L"1E+0.jpg"), 0u) << "a taken name was overwritten";
}

TEST(AutomaticNames, AGapAmongHundredsFillsFirstAndANameInAnotherCaseOrAFolderIsTaken) {
  CorvixRun corvix;
  corvix.WriteOptionIni(L"[Default]\r\nAutoSave=1\r\n");
  const std::filesystem::path save = corvix.Folder() / L"Save";
  std::filesystem::create_directories(save);
  CreateEmptyFile(save / L"001.JPG");
  for (int n = 2; n <= 300; ++n) {
    wchar_t name[16];
    swprintf(name, 16, L"%03d.jpg", n);
    if (n != 150) CreateEmptyFile(save / name);
  }
  ASSERT_TRUE(corvix.Start());
  Press(kCtrlF1);
  EXPECT_TRUE(WaitForFile(save / L"150.jpg")) << "the gap was not filled";
  // Now 300 names are taken, 001.JPG among them, and a folder takes 301.jpg: the next is 302.
  std::filesystem::create_directory(save / L"301.jpg");
  Press(kCtrlF1);
  EXPECT_TRUE(WaitForFile(save / L"302.jpg")) << "no 302.jpg";
  EXPECT_EQ(std::filesystem::file_size(save / L"001.JPG"), 0u) << "001.JPG was written over";
  EXPECT_EQ(FilesIn(save), 302u);
}

// ---- The Save dialog on a first start

TEST(FirstStart, TheSaveDialogOpensInTheNewSaveFolderAndABareNameLandsThere) {
  CorvixRun corvix;  // no Option.ini, no Save folder: AutoSave is off
  const std::filesystem::path stray = kSystemFolder / L"shot.jpg";
  std::filesystem::remove(stray);  // an earlier failed run's
  ASSERT_TRUE(corvix.Start(kCtrlF1, kSystemFolder));
  const std::filesystem::path save = corvix.Folder() / L"Save";
  EXPECT_FALSE(std::filesystem::exists(save));

  Press(kCtrlF1);
  HWND dialog = corvix.WaitForSaveDialog();
  ASSERT_NE(dialog, nullptr) << "no Save dialog";
  EXPECT_TRUE(std::filesystem::is_directory(save)) << "the Save folder does not exist while the dialog shows";
  EXPECT_NE(WindowText(GetDlgItem(dialog, kFolderCombo)).find(L"Save"), std::wstring::npos) << "not in Save";
  SendMessageW(FileNameField(dialog), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"shot"));
  PostMessageW(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
  EXPECT_TRUE(WaitFor([&] { return !IsWindow(dialog); })) << "the Save dialog stayed";
  EXPECT_TRUE(WaitForFile(save / L"shot.jpg")) << "no Save\\shot.jpg";
  const bool written = std::filesystem::exists(stray);
  std::filesystem::remove(stray);  // the prefix is shared: leave it as it was
  EXPECT_FALSE(written) << "written in the working folder";
}

}  // namespace
}  // namespace e2e
