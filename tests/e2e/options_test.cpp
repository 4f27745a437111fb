// The options dialog of the real program, opened with the tray menu's command.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>

#include "app/resource.h"
#include "markup/markup_bar_layout.h"
#include "corvix_run.h"
#include "dialogs/options_controls.h"

namespace e2e {
namespace {

HWND Find(HWND dialog, int id) { return FindControl(dialog, id); }

bool IsChecked(HWND box) { return SendMessageW(box, BM_GETCHECK, 0, 0) == BST_CHECKED; }

std::vector<std::wstring> IniLines(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  const int length = MultiByteToWideChar(CP_ACP, 0, bytes.c_str(), static_cast<int>(bytes.size()), nullptr, 0);
  std::wstring text(length, L'\0');
  MultiByteToWideChar(CP_ACP, 0, bytes.c_str(), static_cast<int>(bytes.size()), text.data(), length);
  std::vector<std::wstring> lines;
  std::wstringstream in(text);
  for (std::wstring line; std::getline(in, line);) {
    if (!line.empty() && line.back() == L'\r') line.pop_back();
    if (!line.empty()) lines.push_back(line);
  }
  return lines;
}

TEST(Options, TheDialogShowsTheDefaultsAndOkWritesThemAll) {
  CorvixRun corvix;
  ASSERT_TRUE(corvix.Start());
  HWND dialog = corvix.OpenOptions();
  ASSERT_NE(dialog, nullptr) << "no options dialog";
  EXPECT_FALSE(IsChecked(Find(dialog, ID_AUTORUN)));
  EXPECT_TRUE(IsChecked(Find(dialog, ID_MINIMISE_TO_TRAY)));
  EXPECT_FALSE(IsChecked(Find(dialog, ID_AUTOSAVE)));
  EXPECT_TRUE(IsChecked(Find(dialog, ID_EXIT_QUESTION)));
  EXPECT_FALSE(IsChecked(Find(dialog, ID_CLIPBOARD)));
  EXPECT_TRUE(IsChecked(Find(dialog, ID_SAVED_TIP)));
  EXPECT_EQ(WindowText(Find(dialog, ID_NAME_PATTERN)), L"000");
  EXPECT_EQ(WindowText(Find(dialog, ID_IMAGE_FORMAT)), L"jpg图片格式");
  const std::wstring save = corvix.Folder().wstring() + L"\\Save";
  EXPECT_EQ(WindowText(Find(dialog, ID_SAVE_FOLDER)), save);
  EXPECT_EQ(WindowText(Find(dialog, ID_SCREEN_KEY)), L"CTRL+F1");
  EXPECT_EQ(WindowText(Find(dialog, ID_ACTIVE_KEY)), L"CTRL+F2");
  EXPECT_EQ(WindowText(Find(dialog, ID_REGION_KEY)), L"CTRL+F3");
  // The layout at 96 DPI: the client area and controls at their places in the dialog.
  RECT client;
  GetClientRect(dialog, &client);
  EXPECT_EQ(client.right, 610);
  EXPECT_EQ(client.bottom, 426);
  EXPECT_EQ(PlaceIn(dialog, Find(dialog, IDOK)), (std::vector<LONG>{440, 395, 75, 22}));
  EXPECT_EQ(PlaceIn(dialog, Find(dialog, IDCANCEL)), (std::vector<LONG>{520, 395, 75, 22}));
  // Page controls: the page starts inside pagePanel_'s bevel (158 + 2) below the 51-pixel header (3 + 2 + 51).
  EXPECT_EQ(PlaceIn(dialog, Find(dialog, ID_AUTORUN)), (std::vector<LONG>{160 + 16, 56 + 11, 161, 17}));
  EXPECT_EQ(PlaceIn(dialog, Find(dialog, ID_SAVE_FOLDER)), (std::vector<LONG>{160 + 24, 56 + 177, 369, 20}));
  EXPECT_EQ(PlaceIn(dialog, Find(dialog, ID_REGION_KEY)), (std::vector<LONG>{160 + 129, 56 + 288, 121, 20}));

  // A second choice of the entry brings the open dialog to the front: still one dialog.
  PostMessageW(corvix.MainForm(), WM_COMMAND, IDA_OPTION, 0);
  Sleep(500);
  EXPECT_EQ(CountVisibleWindows(L"TOptionDialog"), 1);

  PostMessageW(Find(dialog, IDOK), BM_CLICK, 0, 0);
  ASSERT_TRUE(WaitFor([&] { return std::filesystem::exists(corvix.Folder() / L"Option.ini"); }));
  ASSERT_TRUE(WaitFor([&] { return !IsWindow(dialog); }));
  const std::vector<std::wstring> expected = {
      L"[Default]", L"AutoRun=0", L"Minimize=1", L"AutoSave=0", L"ExitHint=1", L"DefaultDir=" + save,
      L"DefaultFormat=000", L"DefaultImage=1", L"KeyScreen=CTRL+F1", L"KeyActiveWnd=CTRL+F2", L"KeyCustom=CTRL+F3",
      L"CopyToClipboard=0", L"SavedTip=1"};
  EXPECT_EQ(IniLines(corvix.Folder() / L"Option.ini"), expected);
  EXPECT_TRUE(std::filesystem::is_directory(corvix.Folder() / L"Save"));
}

// The format list's third entry is PNG, stored as 2; the two check boxes of what else becomes of a
// picture are stored as 0 and 1; all are shown again the next time.
TEST(Options, PngTheClipboardAndTheSavedTipAreStoredAndShownAgain) {
  CorvixRun corvix;
  ASSERT_TRUE(corvix.Start());
  HWND dialog = corvix.OpenOptions();
  ASSERT_NE(dialog, nullptr);
  HWND formats = Find(dialog, ID_IMAGE_FORMAT);
  ASSERT_EQ(SendMessageW(formats, CB_GETCOUNT, 0, 0), 3);
  ClickCentre(formats);  // opens the list
  ASSERT_TRUE(WaitFor([&] { return SendMessageW(formats, CB_GETDROPPEDSTATE, 0, 0) != 0; })) << "the list did not open";
  PressKeys(0, VK_END);
  PressKeys(0, VK_RETURN);
  ASSERT_TRUE(WaitFor([&] { return WindowText(formats) == L"png图片格式"; })) << testing::PrintToString(WindowText(formats));
  for (int id : {ID_CLIPBOARD, ID_SAVED_TIP}) {
    const bool was = IsChecked(Find(dialog, id));
    ClickCentre(Find(dialog, id));
    ASSERT_TRUE(WaitFor([&] { return IsChecked(Find(dialog, id)) != was; })) << "the click did not toggle " << id;
  }
  PostMessageW(Find(dialog, IDOK), BM_CLICK, 0, 0);
  ASSERT_TRUE(WaitFor([&] { return !IsWindow(dialog); }));
  const std::vector<std::wstring> lines = IniLines(corvix.Folder() / L"Option.ini");
  for (const wchar_t* line : {L"DefaultImage=2", L"CopyToClipboard=1", L"SavedTip=0"})
    EXPECT_NE(std::find(lines.begin(), lines.end(), line), lines.end()) << testing::PrintToString(std::wstring(line));
  dialog = corvix.OpenOptions();
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(WindowText(Find(dialog, ID_IMAGE_FORMAT)), L"png图片格式");
  EXPECT_TRUE(IsChecked(Find(dialog, ID_CLIPBOARD)));
  EXPECT_FALSE(IsChecked(Find(dialog, ID_SAVED_TIP)));
}

TEST(Options, AHotKeyPressedInItsFieldTakesEffectOnOk) {
  CorvixRun corvix;
  corvix.WriteOptionIni(L"[Default]\r\nAutoSave=1\r\n");
  ASSERT_TRUE(corvix.Start());
  HWND dialog = corvix.OpenOptions();
  ASSERT_NE(dialog, nullptr);
  HWND field = Find(dialog, ID_SCREEN_KEY);
  // Click into the field, then press the keys as a person would.
  ClickCentre(field);
  Sleep(200);
  PressKeys(MOD_CONTROL | MOD_SHIFT, VK_F5);
  ASSERT_TRUE(WaitFor([&] { return WindowText(field) == L"CTRL+SHIFT+F5"; }, 3s)) << testing::PrintToString(WindowText(field));
  PostMessageW(Find(dialog, IDOK), BM_CLICK, 0, 0);
  ASSERT_TRUE(WaitFor([&] { return !IsWindow(dialog); }));
  // Its answer comes once the hot keys are registered again: a probe before it could take one away.
  ASSERT_TRUE(corvix.Answers());
  EXPECT_TRUE(IsHotKeyTaken(MOD_CONTROL | MOD_SHIFT, VK_F5));
  EXPECT_FALSE(IsHotKeyTaken(MOD_CONTROL, VK_F1));
  PressKeys(MOD_CONTROL | MOD_SHIFT, VK_F5);  // captures at once
  EXPECT_TRUE(WaitFor([&] { return std::filesystem::exists(corvix.Folder() / L"Save" / L"001.jpg"); }));
}

TEST(Options, EscapeCancelAndTheCloseBoxChangeNothingAndAnEmptyFolderGivesTheError) {
  CorvixRun corvix;
  ASSERT_TRUE(corvix.Start());
  HWND dialog = corvix.OpenOptions();
  ASSERT_NE(dialog, nullptr);
  PressKeys(0, VK_ESCAPE);
  ASSERT_TRUE(WaitFor([&] { return !IsWindow(dialog); }));
  EXPECT_FALSE(std::filesystem::exists(corvix.Folder() / L"Option.ini"));

  // Cancel and the close box change nothing either.
  for (bool closeBox : {false, true}) {
    dialog = corvix.OpenOptions();
    ASSERT_NE(dialog, nullptr);
    closeBox ? PostMessageW(dialog, WM_CLOSE, 0, 0) : PostMessageW(Find(dialog, IDCANCEL), BM_CLICK, 0, 0);
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(dialog); }));
  }
  EXPECT_FALSE(std::filesystem::exists(corvix.Folder() / L"Option.ini"));

  dialog = corvix.OpenOptions();
  ASSERT_NE(dialog, nullptr);
  SendMessageW(Find(dialog, ID_SAVE_FOLDER), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L""));
  PostMessageW(Find(dialog, IDOK), BM_CLICK, 0, 0);
  const MessageBoxView box = WaitForMessageBox(corvix.Pid());
  ASSERT_NE(box.Handle, nullptr);
  EXPECT_EQ(box.Text, L"Unable to create directory");
  Answer(box, IDOK);
  EXPECT_TRUE(corvix.IsRunning());
  EXPECT_TRUE(IsHotKeyTaken(MOD_CONTROL, VK_F1));
}

}  // namespace
}  // namespace e2e

namespace e2e {
namespace {

TEST(Options, FolderTextLosesTrailingBackslashesAndTheMinimiseBoxStaysChecked) {
  CorvixRun corvix;
  ASSERT_TRUE(corvix.Start());
  HWND dialog = corvix.OpenOptions();
  ASSERT_NE(dialog, nullptr);
  HWND minimise = Find(dialog, ID_MINIMISE_TO_TRAY);
  RECT r;
  GetWindowRect(minimise, &r);
  Click(r.left + 6, (r.top + r.bottom) / 2);
  Sleep(300);
  EXPECT_TRUE(IsChecked(minimise)) << "the minimise box was cleared";
  const std::wstring folder = (corvix.Folder() / L"pics").wstring();
  SendMessageW(Find(dialog, ID_SAVE_FOLDER), WM_SETTEXT, 0, reinterpret_cast<LPARAM>((folder + L"\\\\").c_str()));
  // Enter in an edit confirms.
  ClickCentre(Find(dialog, ID_NAME_PATTERN));
  Sleep(200);
  PressKeys(0, VK_RETURN);
  ASSERT_TRUE(WaitFor([&] { return !IsWindow(dialog); })) << "Enter did not confirm";
  const std::vector<std::wstring> lines = IniLines(corvix.Folder() / L"Option.ini");
  EXPECT_NE(std::find(lines.begin(), lines.end(), L"DefaultDir=" + folder), lines.end());
  EXPECT_NE(std::find(lines.begin(), lines.end(), L"Minimize=1"), lines.end());
  EXPECT_TRUE(std::filesystem::is_directory(folder));
}

TEST(Options, TheFolderPickerStartsAtTheFolderAndCancelLeavesTheField) {
  CorvixRun corvix;
  ASSERT_TRUE(corvix.Start());
  std::filesystem::create_directories(corvix.Folder() / L"Save");
  HWND dialog = corvix.OpenOptions();
  ASSERT_NE(dialog, nullptr);
  HWND field = Find(dialog, ID_SAVE_FOLDER);
  const std::wstring before = WindowText(field);
  for (int button : {IDCANCEL, IDOK}) {
    PostMessageW(Find(dialog, ID_BROWSE_FOLDER), BM_CLICK, 0, 0);
    HWND picker = nullptr;
    ASSERT_TRUE(WaitFor([&] {
      picker = FindProcessWindow(corvix.Pid(), L"#32770", L"", true);
      return picker != nullptr && picker != dialog;
    })) << "no folder picker";
    Sleep(500);
    EXPECT_FALSE(IsWindowEnabled(dialog)) << "the options dialog stays usable under the picker";
    PostMessageW(GetDlgItem(picker, button), BM_CLICK, 0, 0);
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(picker); }));
    Sleep(200);
    EXPECT_TRUE(IsWindowEnabled(dialog));
    // Cancel leaves the field; OK on the preselected folder gives the same folder back.
    EXPECT_EQ(WindowText(field), before) << (button == IDOK ? "after OK" : "after Cancel");
  }
  PressKeys(0, VK_ESCAPE);
}

// The prefix's system DPI (LogPixels, read by each Wine process as it starts), set for a test and
// put back as it was.
class SystemDpi {
 public:
  explicit SystemDpi(DWORD dpi) {
    DWORD size = sizeof old_;
    had_ = RegGetValueW(HKEY_CURRENT_USER, kKey, L"LogPixels", RRF_RT_REG_DWORD, nullptr, &old_, &size) == ERROR_SUCCESS;
    set_ = RegSetKeyValueW(HKEY_CURRENT_USER, kKey, L"LogPixels", REG_DWORD, &dpi, sizeof dpi) == ERROR_SUCCESS;
  }
  ~SystemDpi() {
    if (had_)
      RegSetKeyValueW(HKEY_CURRENT_USER, kKey, L"LogPixels", REG_DWORD, &old_, sizeof old_);
    else
      RegDeleteKeyValueW(HKEY_CURRENT_USER, kKey, L"LogPixels");
  }
  bool Set() const { return set_; }

 private:
  static constexpr wchar_t kKey[] = L"Control Panel\\Desktop";
  DWORD old_ = 0;
  bool had_ = false, set_ = false;
};

// Started under a system DPI of 144, the options dialog is laid out half as large again: its client
// area and its controls (its fonts are checked inside the process, where their handles mean
// something); so are the overlay's readouts.
TEST(Options, AStartUnderASystemDpiOf144ScalesTheDialogAndTheOverlaysReadoutsByOneAndAHalf) {
  const SystemDpi dpi(144);
  ASSERT_TRUE(dpi.Set());
  CorvixRun corvix;
  ASSERT_TRUE(corvix.Start());
  HWND dialog = corvix.OpenOptions();
  ASSERT_NE(dialog, nullptr) << "no options dialog";
  const auto at = [](int pixels) { return static_cast<LONG>(MulDiv(pixels, 144, 96)); };
  RECT client;
  GetClientRect(dialog, &client);
  EXPECT_EQ(client.right, at(610));
  EXPECT_EQ(client.bottom, at(426));
  EXPECT_EQ(PlaceIn(dialog, Find(dialog, IDOK)), (std::vector<LONG>{at(440), at(395), at(75), at(22)}));
  PostMessageW(Find(dialog, IDCANCEL), BM_CLICK, 0, 0);
  EXPECT_TRUE(WaitFor([&] { return !IsWindow(dialog); }));

  // The region overlay's readouts too: a lens of 15 pixels of 12 x 12 with its two lines of text, and
  // the label in the dialogs' font, 18 pixels high. (Wine gives every monitor the system's DPI: a
  // monitor of its own DPI is not tested.)
  Press(kCtrlF3);
  HWND overlay = corvix.WaitForOverlay();
  ASSERT_NE(overlay, nullptr);
  HWND magnifier = FindWindowExW(overlay, nullptr, L"TMagnifier", nullptr);
  MouseMoveTo(400, 300);
  ASSERT_TRUE(WaitFor([&] { return WindowText(magnifier) == L"400, 300"; })) << WindowText(magnifier);
  RECT lens{};
  GetClientRect(magnifier, &lens);
  EXPECT_EQ(lens.right, 15 * 12 + 2);
  EXPECT_EQ(lens.bottom, 15 * 12 + 2 * 27 + 2);
  ASSERT_NE(corvix.PlaceBox(overlay, {300, 300}), nullptr);
  RECT label{};
  GetClientRect(FindWindowExW(overlay, nullptr, L"TSizeLabel", nullptr), &label);
  EXPECT_GE(label.bottom, 18 + 6) << "the label's text is not in an 18-pixel font";
  RECT bar{};  // the drawing tool bar, half as large again
  GetClientRect(FindWindowExW(overlay, nullptr, L"TMarkupBar", nullptr), &bar);
  EXPECT_EQ(bar.bottom, BarSize(LayOutBar(1.5, std::nullopt), 1.5).Height());
  EXPECT_EQ(bar.right, BarSize(LayOutBar(1.5, std::nullopt), 1.5).Width());
  PressKeys(0, 'R');  // and its second row
  EXPECT_TRUE(WaitFor([&] {
    GetClientRect(FindWindowExW(overlay, nullptr, L"TMarkupBar", nullptr), &bar);
    return bar.bottom == BarSize(LayOutBar(1.5, ShapeKind::Rectangle), 1.5).Height();
  }));
  SaveScreenshot(corvix.Folder() / L"bar-144.jpg");
  PressKeys(0, VK_ESCAPE);
  EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(overlay); }));
}

}  // namespace
}  // namespace e2e
