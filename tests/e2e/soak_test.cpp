// A long run: 500 captures of the three kinds, one after another, with automatic names. Every one
// must give its own valid file, the program's resources must stay flat once it is warm, and a few
// seconds after the last capture its memory is back within 2 MB of where it was before the first.
#include <gtest/gtest.h>

#include <cstdio>

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

std::filesystem::path Numbered(const std::filesystem::path& folder, int n) {
  wchar_t name[16];
  swprintf(name, 16, L"%03d.jpg", n);
  return folder / name;
}

TEST(Soak, FiveHundredCapturesOfEveryKindGiveFiveHundredFilesAndFlatResources) {
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
  std::vector<SIZE> regionSizes(kCaptures + 1);  // what each region capture accepted
  for (int n = 1; n <= kCaptures; ++n) {
    switch (n % 3) {
      case 1:
        Press(kCtrlF1);
        break;
      case 2:
        pattern.BringToFront();
        Press(kCtrlF2);
        break;
      case 0: {
        Press(kCtrlF3);
        HWND overlay = corvix.WaitForOverlay();
        ASSERT_NE(overlay, nullptr) << "capture " << n;
        region = corvix.MarkRegion(overlay, {client.left + 20, client.top + 20}, 102, 72);
        ASSERT_FALSE(IsRectEmpty(&region)) << "capture " << n << ": the box did not take the dragged size";
        regionSizes[n] = {region.right - region.left - 10, region.bottom - region.top - 10};
        break;
      }
    }
    ASSERT_TRUE(WaitFor([&] { return std::filesystem::exists(Numbered(save, n)); }))
        << "no file for capture " << n << "; region " << region.left << "," << region.top << "-" << region.right << ","
        << region.bottom << ", overlay " << (FindProcessWindow(corvix.Pid(), L"TCustomSnapForm", L"", true) ? "open" : "gone");
    if (n == kWarm) warm = Read(corvix);
  }
  const Resources end = Read(corvix);

  // 500 files, each a whole picture of its kind.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(save), {}), kCaptures);
  int invalid = 0;
  for (int n = 1; n <= kCaptures; ++n) {
    const std::string bytes = FileBytes(Numbered(save, n));
    const DecodedJpeg jpeg = DecodeJpeg(std::vector<uint8_t>(bytes.begin(), bytes.end()));
    const SIZE want = n % 3 == 1   ? SIZE{GetSystemMetrics(SM_CXVIRTUALSCREEN), GetSystemMetrics(SM_CYVIRTUALSCREEN)}
                      : n % 3 == 2 ? SIZE{outer.right - outer.left, outer.bottom - outer.top}
                                   : regionSizes[n];
    invalid += jpeg.width != want.cx || jpeg.height != want.cy;
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
