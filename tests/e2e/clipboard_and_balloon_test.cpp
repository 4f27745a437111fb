// Where a picture goes besides its file: the clipboard, read back here as another program would,
// and the balloon that names each automatically saved file.
#include <gtest/gtest.h>

#include <windows.h>
#include <shellapi.h>

#include <cstring>
#include <fstream>

#include "app/resource.h"
#include "corvix_run.h"
#include "pattern_window.h"
#include "support/decode_png.h"

namespace e2e {
namespace {

void PutTextOnClipboard(const std::wstring& text) {
  ASSERT_TRUE(OpenClipboard(nullptr));
  EmptyClipboard();
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t));
  std::memcpy(GlobalLock(block), text.c_str(), (text.size() + 1) * sizeof(wchar_t));
  GlobalUnlock(block);
  SetClipboardData(CF_UNICODETEXT, block);
  CloseClipboard();
}

// The pixels of the clipboard's CF_DIB against a decoded picture: 0 when every one is the same.
int DibMismatches(const std::vector<uint8_t>& dib, const DecodedPng& png) {
  const auto* header = reinterpret_cast<const BITMAPINFOHEADER*>(dib.data());
  if (header->biBitCount != 24 || header->biWidth != png.width || header->biHeight != png.height) return -1;
  const size_t rowBytes = (static_cast<size_t>(png.width) * 3 + 3) / 4 * 4;
  if (dib.size() < header->biSize + rowBytes * png.height) return -1;
  int wrong = 0;
  for (int y = 0; y < png.height; ++y) {
    const uint8_t* row = dib.data() + header->biSize + rowBytes * (png.height - 1 - y);  // bottom-up
    for (int x = 0; x < png.width; ++x) {
      const uint8_t* got = row + x * 3;  // blue, green, red
      const uint8_t* want = &png.rgb[(static_cast<size_t>(y) * png.width + x) * 3];
      wrong += got[0] != want[2] || got[1] != want[1] || got[2] != want[0];
    }
  }
  return wrong;
}

// The PNG is made when a program asks for it, and before Corvix ends when none has.
TEST(Clipboard, EachCaptureGoesOnTheClipboardAsDibAndPngExactlyAsItsFile) {
  CorvixRun corvix;
  corvix.WriteOptionIni(L"[Default]\r\nAutoSave=1\r\nDefaultImage=2\r\nCopyToClipboard=1\r\nExitHint=0\r\n");
  ASSERT_TRUE(corvix.Start());
  PatternWindow pattern(300, 200, 320, 240);
  PutTextOnClipboard(L"before");
  pattern.BringToFront();
  Press(kCtrlF2);
  const std::filesystem::path file = corvix.Folder() / L"Save" / L"001.png";
  ASSERT_TRUE(WaitFor([&] { return std::filesystem::exists(file); }));
  ASSERT_TRUE(corvix.Answers());  // the capture has ended
  const std::string bytes = FileBytes(file);
  const DecodedPng saved = DecodePng({bytes.begin(), bytes.end()});
  ASSERT_TRUE(saved.ok);

  EXPECT_EQ(DibMismatches(ClipboardBytes(CF_DIB), saved), 0) << "CF_DIB is not the picture";
  const DecodedPng png = DecodePng(ClipboardBytes(RegisterClipboardFormatW(L"PNG")));
  ASSERT_TRUE(png.ok) << "no PNG on the clipboard";
  EXPECT_EQ(png.rgb, saved.rgb);
  EXPECT_EQ(ClipboardText(), L"") << "the text that was there stayed";

  Press(kCtrlF1);
  const std::filesystem::path second = corvix.Folder() / L"Save" / L"002.png";
  ASSERT_TRUE(WaitFor([&] { return std::filesystem::exists(second); }));
  PostMessageW(corvix.MainForm(), WM_COMMAND, IDA_EXIT, 0);
  ASSERT_TRUE(corvix.WaitForExit());
  const std::string secondBytes = FileBytes(second);
  const DecodedPng left = DecodePng(ClipboardBytes(RegisterClipboardFormatW(L"PNG")));
  ASSERT_TRUE(left.ok) << "no PNG on the clipboard once Corvix has ended";
  EXPECT_EQ(left.rgb, DecodePng({secondBytes.begin(), secondBytes.end()}).rgb);
}

TEST(Clipboard, WhenTheOptionIsOffTheClipboardIsLeftAlone) {
  CorvixRun corvix;
  corvix.WriteOptionIni(L"[Default]\r\nAutoSave=1\r\n");
  ASSERT_TRUE(corvix.Start());
  PutTextOnClipboard(L"keep me");
  Press(kCtrlF1);
  ASSERT_TRUE(WaitFor([&] { return std::filesystem::exists(corvix.Folder() / L"Save" / L"001.jpg"); }));
  ASSERT_TRUE(corvix.Answers());
  EXPECT_EQ(ClipboardText(), L"keep me");
}

// Ctrl+F1 while this program holds the clipboard, as another program would: the box Corvix shows.
MessageBoxView CaptureWhileTheClipboardIsHeld(const CorvixRun& corvix) {
  if (!OpenClipboard(nullptr)) {
    ADD_FAILURE() << "the test cannot hold the clipboard";
    return {};
  }
  Press(kCtrlF1);
  const MessageBoxView box = WaitForMessageBox(corvix.Pid());
  CloseClipboard();
  return box;
}

// Another program holds the clipboard throughout: the file is written, then a clear error.
TEST(Clipboard, HeldByAnotherProgramTheFileIsStillWrittenAndTheErrorSaysWhy) {
  CorvixRun corvix;
  corvix.WriteOptionIni(L"[Default]\r\nAutoSave=1\r\nCopyToClipboard=1\r\n");
  ASSERT_TRUE(corvix.Start());
  const MessageBoxView box = CaptureWhileTheClipboardIsHeld(corvix);
  ASSERT_NE(box.Handle, nullptr) << "no error";
  EXPECT_EQ(box.Text, L"Cannot copy the picture to the clipboard: another program is using it");
  EXPECT_TRUE(std::filesystem::exists(corvix.Folder() / L"Save" / L"001.jpg")) << "the file was not written";
  Answer(box, IDOK);
  EXPECT_TRUE(corvix.Answers());
}

// The clipboard held and the folder unwritable: one box names both failures.
TEST(Clipboard, HeldWhileTheSaveFailsOneBoxNamesBoth) {
  CorvixRun corvix;
  std::ofstream(corvix.Folder() / L"blocker") << "a file where a folder should be";
  corvix.WriteOptionIni(L"[Default]\r\nAutoSave=1\r\nCopyToClipboard=1\r\nDefaultDir=" +
                        (corvix.Folder() / L"blocker" / L"sub").wstring() + L"\r\n");
  ASSERT_TRUE(corvix.Start());
  const MessageBoxView box = CaptureWhileTheClipboardIsHeld(corvix);
  ASSERT_NE(box.Handle, nullptr) << "no error";
  EXPECT_EQ(box.Text.rfind(L"Cannot create file \"", 0), 0u) << testing::PrintToString(box.Text);
  EXPECT_NE(box.Text.find(L"Cannot copy the picture to the clipboard: another program is using it"), std::wstring::npos)
      << testing::PrintToString(box.Text);
  Answer(box, IDOK);
  ASSERT_TRUE(WaitFor([&] { return !IsWindow(box.Handle); }));
  EXPECT_TRUE(corvix.Answers());
  EXPECT_EQ(CountVisibleWindows(L"#32770", corvix.Pid()), 0) << "a second box";
}

// A folder whose name holds a comma and spaces, which Explorer's command line must keep whole.
TEST(SavedTip, ABalloonNamesEachSavedFileAndClickingItShowsTheFile) {
  CorvixRun corvix;
  corvix.WriteOptionIni(L"[Default]\r\nAutoSave=1\r\nDefaultDir=a, b c\r\n");
  ASSERT_TRUE(corvix.Start());
  ASSERT_EQ(FindWindowW(L"ExplorerWClass", L"a, b c"), nullptr) << "an Explorer window of an earlier run is open";
  Press(kCtrlF1);
  const std::filesystem::path file = corvix.Folder() / L"a, b c" / L"001.jpg";
  ASSERT_TRUE(WaitFor([&] { return std::filesystem::exists(file); }));
  const std::wstring expected = L"已保存 " + file.wstring();
  EXPECT_NE(WaitForBalloon([&](const BalloonView& view) { return view.Text == expected; }).Handle, nullptr)
      << "no balloon naming the file";

  // The shell's report of a click on the balloon, posted by the test rather than clicked (so the
  // shell's own handling of a click is not covered): Explorer comes up on the folder. (Which item it
  // selects lies in Explorer's own list and is not read here.)
  PostMessageW(corvix.NotifyWindow(), 0x0800, 1, NIN_BALLOONUSERCLICK);
  HWND explorer = nullptr;
  EXPECT_TRUE(WaitFor([&] { return (explorer = FindWindowW(L"ExplorerWClass", L"a, b c")) && IsWindowVisible(explorer); }))
      << "no Explorer window on the folder";
  if (explorer) PostMessageW(explorer, WM_CLOSE, 0, 0);
}

TEST(SavedTip, WithoutItNoBalloonIsShown) {
  CorvixRun corvix;
  corvix.WriteOptionIni(L"[Default]\r\nAutoSave=1\r\nSavedTip=0\r\n");
  ASSERT_TRUE(corvix.Start());
  Press(kCtrlF1);
  const std::filesystem::path file = corvix.Folder() / L"Save" / L"001.jpg";
  ASSERT_TRUE(WaitFor([&] { return std::filesystem::exists(file); }));
  ASSERT_TRUE(corvix.Answers());  // a balloon would have been handed to the shell by now
  EXPECT_EQ(CountTooltipsWithText(L"已保存 " + file.wstring()), 0);
}

}  // namespace
}  // namespace e2e
