// The about box and the Run entry of the real program.
#include <gtest/gtest.h>

#include "app/resource.h"
#include "corvix_run.h"
#include "dialogs/uOptionDialog.h"

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
  PostMessageW(corvix.MainForm(), WM_COMMAND, IDA_VERSION, 0);
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

  PostMessageW(corvix.MainForm(), WM_COMMAND, IDA_VERSION, 0);  // a second choice opens no second box
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

}  // namespace
}  // namespace e2e
