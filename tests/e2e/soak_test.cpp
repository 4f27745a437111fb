// A long run: 500 captures of the three kinds, one after another, with automatic names; of the
// regions, a third are taken plain, a third with a rectangle and an arrow drawn on them, and a third
// are pinned to the screen and the pin closed again. Every capture but a pin must give its own
// valid file, the program's resources must stay flat once it is warm, and a few seconds after the
// last capture its memory is back within 2 MB of where it was before the first.
#include <gtest/gtest.h>

#include <cstdio>
#include <optional>

#include "app/resource.h"
#include "corvix_run.h"
#include "pattern_window.h"
#include "support/decode_jpeg.h"

namespace e2e {
namespace {

constexpr int kCaptures = 500, kWarm = 20;

// The program's resources as far as they can be read from outside under this system. (GDI and
// USER object counts are not among them: Wine answers 0 for any process. A leaked GDI bitmap shows
// in the memory.)
struct Resources {
  int windows = 0;          // the process's windows, top-level and children
  uint64_t privateKb = 0;   // anonymous resident memory, read from Linux
};

BOOL CALLBACK CountWindow(HWND window, LPARAM counter) {
  ++*reinterpret_cast<int*>(counter);
  EnumChildWindows(window, [](HWND, LPARAM count) { return ++*reinterpret_cast<int*>(count), TRUE; }, counter);
  return TRUE;
}

Resources Read(const CorvixRun& corvix) {
  Resources resources;
  for (HWND window = FindWindowExW(nullptr, nullptr, nullptr, nullptr); window;
       window = FindWindowExW(nullptr, window, nullptr, nullptr)) {
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid == corvix.Pid()) CountWindow(window, reinterpret_cast<LPARAM>(&resources.windows));
  }
  resources.privateKb = corvix.PrivateKb();
  return resources;
}

// What a failed capture left: the keyboard's events since the capture's keys were pressed (s: the
// system's own), the program's visible windows, the files so far, whether Ctrl+F1 is still held by
// it and whether a second press gives the file, and a screenshot in the temporary folder.
std::wstring Aftermath(const CorvixRun& corvix, const std::filesystem::path& save, const KeyEventLog& keys,
                      const std::filesystem::path& expected) {
  std::wstring text = L"keys:";
  for (const KeyEventLog::Event& event : keys.Events())
    text += L" " + std::to_wstring(event.vk) + (event.up ? L"^" : L"v") + (event.injected ? L"" : L"s");
  text += L"; windows:";
  for (HWND window = FindWindowExW(nullptr, nullptr, nullptr, nullptr); window;
       window = FindWindowExW(nullptr, window, nullptr, nullptr)) {
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid == corvix.Pid() && IsWindowVisible(window)) text += L" " + ClassName(window) + L" \"" + WindowText(window) + L"\"";
  }
  text += L"; files: " + std::to_wstring(std::distance(std::filesystem::directory_iterator(save), {}));
  text += IsHotKeyTaken(MOD_CONTROL, VK_F1) ? L"; Ctrl+F1 held" : L"; Ctrl+F1 free";
  Press(kCtrlF1);
  text += WaitFor([&] { return std::filesystem::exists(expected); }) ? L"; a second press gave the file"
                                                                     : L"; a second press gave no file either";
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  SaveScreenshot(std::filesystem::path(temp) / L"soak-failure.jpg");
  return text;
}

std::filesystem::path Numbered(const std::filesystem::path& folder, int n) {
  wchar_t name[16];
  swprintf(name, 16, L"%03d.jpg", n);
  return folder / name;
}

TEST(Soak, FiveHundredCapturesOfEveryKindDrawnOnAndPinnedGiveTheirFilesAndFlatResources) {
  CorvixRun corvix;
  corvix.WriteOptionIni(L"[Default]\r\nAutoSave=1\r\nExitHint=0\r\n");
  ASSERT_TRUE(corvix.Start());
  const uint64_t idleKb = corvix.PrivateKb();
  ASSERT_GT(idleKb, 0u) << "private memory could not be read";
  PatternWindow pattern(300, 200, 320, 240);
  const RECT outer = pattern.Outer(), client = pattern.Client();
  const std::filesystem::path save = corvix.Folder() / L"Save";
  RECT region{};  // the box of the latest region capture, in screen coordinates

  Resources warm;
  std::vector<SIZE> fileSizes{{}};  // what each file must hold, by its number
  const auto pin = [&] { return FindProcessWindow(corvix.Pid(), L"TCorvixPin", L"", true); };
  for (int n = 1; n <= kCaptures; ++n) {
    const int regions = n / 3;  // the region captures before this one
    bool pinned = false;
    std::optional<KeyEventLog> keys;
    switch (n % 3) {
      case 1:
        keys.emplace();
        Press(kCtrlF1);
        fileSizes.push_back({GetSystemMetrics(SM_CXVIRTUALSCREEN), GetSystemMetrics(SM_CYVIRTUALSCREEN)});
        break;
      case 2:
        pattern.BringToFront();
        Press(kCtrlF2);
        fileSizes.push_back({outer.right - outer.left, outer.bottom - outer.top});
        break;
      case 0: {
        Press(kCtrlF3);
        HWND overlay = corvix.WaitForOverlay();
        ASSERT_NE(overlay, nullptr) << "capture " << n;
        region = corvix.SizeBox(overlay, {client.left + 20, client.top + 20}, 102, 72);
        ASSERT_FALSE(IsRectEmpty(&region)) << "capture " << n << ": the box did not take the dragged size";
        if (regions % 3 == 1) {  // a rectangle and an arrow on it, then Enter
          for (const UINT tool : {'R', 'A'}) {
            PressKeys(0, tool);
            MouseButton(region.left + 20, region.top + 20, true);
            MouseMoveTo(region.left + 50, region.top + 35);
            MouseButton(region.left + 80, region.top + 50, false);
          }
          PressKeys(0, VK_RETURN);
        } else if (regions % 3 == 2) {  // pinned, and the pin closed by the tray menu's 关闭全部贴图
          PressKeys(0, VK_F3);
          ASSERT_TRUE(WaitFor([&] { return pin() != nullptr; })) << "capture " << n << ": no pin";
          PostMessageW(corvix.MainForm(), WM_COMMAND, IDA_CLOSE_PINS, 0);
          ASSERT_TRUE(WaitFor([&] { return pin() == nullptr; })) << "capture " << n << ": the pin did not close";
          pinned = true;
        } else {
          DoubleClick((region.left + region.right) / 2, (region.top + region.bottom) / 2);
        }
        if (!pinned) fileSizes.push_back({region.right - region.left - 10, region.bottom - region.top - 10});
        break;
      }
    }
    const int file = static_cast<int>(fileSizes.size()) - 1;
    ASSERT_TRUE(pinned || WaitFor([&] { return std::filesystem::exists(Numbered(save, file)); }))
        << "no file for capture " << n << "; region " << region.left << "," << region.top << "-" << region.right << ","
        << region.bottom << "; " << (keys ? Aftermath(corvix, save, *keys, Numbered(save, file)) : L"");
    if (n == kWarm) warm = Read(corvix);
  }
  const Resources end = Read(corvix);

  // A file for every capture but the pins, each a whole picture of its kind.
  const int files = static_cast<int>(fileSizes.size()) - 1;
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(save), {}), files);
  int invalid = 0;
  for (int n = 1; n <= files; ++n) {
    const std::string bytes = FileBytes(Numbered(save, n));
    const DecodedJpeg jpeg = DecodeJpeg(std::vector<uint8_t>(bytes.begin(), bytes.end()));
    invalid += jpeg.width != fileSizes[n].cx || jpeg.height != fileSizes[n].cy;
  }
  EXPECT_EQ(invalid, 0) << "files that are not the picture of their capture";

  std::printf("after %d captures: windows %d, private %llu KB\n", kWarm, warm.windows,
              static_cast<unsigned long long>(warm.privateKb));
  std::printf("after %d captures: windows %d, private %llu KB\n", kCaptures, end.windows,
              static_cast<unsigned long long>(end.privateKb));
  EXPECT_EQ(end.windows, warm.windows);
  ASSERT_GT(warm.privateKb, 0u) << "private memory could not be read";
  ASSERT_GT(end.privateKb, 0u) << "private memory could not be read";
  // A leak of 4 KB per capture would show as 2 MB; one picture a capture as hundreds of MB.
  EXPECT_LT(end.privateKb, warm.privateKb + 2048);
  uint64_t afterKb = 0;
  EXPECT_TRUE(WaitFor([&] { return (afterKb = corvix.PrivateKb()) < idleKb + 2048; }, 15s))
      << "the captures' memory was not given back: " << afterKb << " KB, " << idleKb << " KB before them";
  EXPECT_TRUE(corvix.Answers());
}

}  // namespace
}  // namespace e2e
