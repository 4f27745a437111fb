// Reading the text in a picture: a region's with O in the overlay, a pin's from its menu. The text
// lands on the clipboard exactly as shown (lines, spaces), and the window beside it copies what
// the user edited.
#include <gtest/gtest.h>

#include "corvix_run.h"
#include "pattern_window.h"

namespace e2e {
namespace {

// Lines as a program shows them at 16 px: Chinese, English, and the two mixed.
const wchar_t* const kLines[] = {L"系统找不到指定的路径，请确认文件夹是否存在。", L"Meeting moved to Friday at 10:30 in room B.",
                                 L"打开 Settings 页面，选择 Display 选项。"};

std::wstring Expected() {
  std::wstring text;
  for (const wchar_t* line : kLines) text += (text.empty() ? L"" : L"\r\n") + std::wstring(line);
  return text;
}

// The lines at 16 px, 26 px apart from the top left, `times` over.
// True once the screen shows them.
bool ShowLines(PatternWindow& window, int times = 1) {
  return window.Draw([times](HDC dc) {
    RECT all{0, 0, 4000, 4000};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    HFONT font = CreateFontW(-16, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, DEFAULT_QUALITY, 0, L"Microsoft YaHei");
    HGDIOBJ old = SelectObject(dc, font);
    SetTextColor(dc, RGB(20, 20, 20));
    SetBkMode(dc, TRANSPARENT);
    int y = 20;
    for (int i = 0; i < times; ++i)
      for (const wchar_t* line : kLines) {
        TextOutW(dc, 20, y, line, static_cast<int>(wcslen(line)));
        y += 26;
      }
    SelectObject(dc, old);
    DeleteObject(font);
  });
}

HWND ResultWindow(const CorvixRun& corvix) { return FindProcessWindow(corvix.Pid(), L"TTextResultForm", L"识别文字", true); }

bool Start(CorvixRun& corvix) {
  corvix.WriteOptionIni(L"[Default]\r\nExitHint=0\r\n");
  return corvix.Start();
}

// Ctrl+F3, then a box of this size over the page's text from its top left: the overlay, or null.
HWND BoxOverText(const CorvixRun& corvix, const PatternWindow& page, int width, int height) {
  const RECT client = page.Client();
  Press(kCtrlF3);
  HWND overlay = corvix.WaitForOverlay();
  if (!overlay) return nullptr;
  const RECT box = corvix.SizeBox(overlay, {client.left + 6, client.top + 6}, width, height);
  return IsRectEmpty(&box) ? nullptr : overlay;
}

// Whether the clipboard, changed since `before`, comes to hold the lines (a reading's time allowed).
bool ClipboardGetsTheLines(DWORD before) {
  return WaitFor([&] { return GetClipboardSequenceNumber() != before && ClipboardText() == Expected(); }, std::chrono::seconds(30));
}

}  // namespace

// O in the overlay reads the region: its text on the clipboard at once, the window beside it shows
// it without taking the foreground; edited there, 复制 copies the edit, and Esc closes it.
TEST(Reading, ORegionsTextGoesToTheClipboardAndTheWindowCopiesTheEditedText) {
  CorvixRun corvix;
  ASSERT_TRUE(Start(corvix));
  PatternWindow page(100, 100, 520, 130);
  ASSERT_TRUE(ShowLines(page));
  HWND overlay = BoxOverText(corvix, page, 500, 100);
  ASSERT_NE(overlay, nullptr);
  const DWORD before = GetClipboardSequenceNumber();
  PressKeys(0, 'O');
  ASSERT_TRUE(WaitFor([&] { return !IsWindow(overlay); })) << "O did not close the overlay";
  EXPECT_TRUE(ClipboardGetsTheLines(before)) << "the clipboard holds \"" << testing::PrintToString(ClipboardText()) << "\"";
  HWND result = ResultWindow(corvix);
  ASSERT_NE(result, nullptr) << "no result window";
  EXPECT_EQ(GetForegroundWindow(), page.Handle()) << "the result window took the foreground";

  // Edited at its end, the text is copied as it stands now.
  HWND edit = FindWindowExW(result, nullptr, L"EDIT", nullptr);
  ASSERT_NE(edit, nullptr);
  ClickCentre(edit);
  ASSERT_TRUE(WaitFor([&] { return GetForegroundWindow() == result; })) << "a click did not bring the window forward";
  PressKeys(MOD_CONTROL, VK_END);
  PressKeys(0, VK_RETURN);
  PressKeys(0, 'X');
  ClickCentre(FindWindowExW(result, nullptr, L"BUTTON", L"复制"));
  EXPECT_TRUE(WaitFor([&] { return ClipboardText() == Expected() + L"\r\nx"; }))
      << "复制 copied \"" << testing::PrintToString(ClipboardText()) << "\"";
  SaveScreenshot(corvix.Folder() / L"reading.jpg");
  ClickCentre(edit);
  PressKeys(0, VK_ESCAPE);
  EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(result); })) << "Esc did not close the window";
}

// A pin's menu reads the pin's picture the same way.
TEST(Reading, APinsMenuReadsItsText) {
  CorvixRun corvix;
  ASSERT_TRUE(Start(corvix));
  PatternWindow page(100, 100, 520, 130);
  ASSERT_TRUE(ShowLines(page));
  HWND overlay = BoxOverText(corvix, page, 500, 100);
  ASSERT_NE(overlay, nullptr);
  PressKeys(0, VK_F3);
  HWND pin = nullptr;
  ASSERT_TRUE(WaitFor([&] { return !IsWindow(overlay) && (pin = FindProcessWindow(corvix.Pid(), L"TCorvixPin", L"", true)); }));
  RECT outer;
  GetWindowRect(pin, &outer);
  ASSERT_TRUE(WaitFor([&] { return IsWindowVisible(pin); }));
  const DWORD before = GetClipboardSequenceNumber();
  Click(outer.left + 40, outer.top + 40, MK_RBUTTON);
  ASSERT_TRUE(WaitFor([&] { return FindProcessWindow(corvix.Pid(), L"#32768", L"", true) != nullptr; })) << "no menu";
  for (int i = 0; i < 3; ++i) PressKeys(0, VK_DOWN);  // 复制, 另存为..., 识别文字
  PressKeys(0, VK_RETURN);
  EXPECT_TRUE(ClipboardGetsTheLines(before)) << "the clipboard holds \"" << testing::PrintToString(ClipboardText()) << "\"";
  EXPECT_NE(ResultWindow(corvix), nullptr) << "no result window";
}

// A reading that takes a while says so; Esc cancels it and nothing of it reaches the clipboard.
TEST(Reading, ALongReadingSaysSoAndEscCancelsIt) {
  CorvixRun corvix;
  ASSERT_TRUE(Start(corvix));
  PatternWindow page(40, 40, 1000, 700);
  ASSERT_TRUE(ShowLines(page, 8));  // 24 lines: well over a second to read
  HWND overlay = BoxOverText(corvix, page, 700, 680);
  ASSERT_NE(overlay, nullptr);
  const DWORD before = GetClipboardSequenceNumber();
  PressKeys(0, 'O');
  HWND result = nullptr;
  ASSERT_TRUE(WaitFor([&] {
    result = ResultWindow(corvix);
    return result && FindWindowExW(result, nullptr, L"STATIC", L"正在识别…") != nullptr;
  })) << "the window did not say it was reading";
  EXPECT_EQ(GetForegroundWindow(), page.Handle()) << "the waiting window took the foreground";
  PressKeys(0, VK_ESCAPE);
  EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(result); })) << "Esc did not cancel the reading";
  // The worker takes readings in turn: once a later one is on the clipboard, the cancelled one has ended.
  ASSERT_TRUE(ShowLines(page));
  ASSERT_NE(BoxOverText(corvix, page, 500, 100), nullptr);
  bool cancelledTextSeen = false;
  PressKeys(0, 'O');
  EXPECT_TRUE(WaitFor([&] {
    const std::wstring text = ClipboardText();
    cancelledTextSeen |= GetClipboardSequenceNumber() != before && text.size() > Expected().size();
    return text == Expected();
  }, std::chrono::seconds(60))) << "the next reading did not come";
  EXPECT_FALSE(cancelledTextSeen) << "the cancelled reading reached the clipboard";
}

}  // namespace e2e
