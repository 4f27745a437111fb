// What a user waits for, measured on the real Corvix.exe under Wine on the current screen, with the
// floor measured in the same run. Prints "name,milliseconds-or-bytes" lines for scripts/bench.sh.
#include <windows.h>

#include <algorithm>
#include <fstream>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string_view>
#include <vector>

#include "common/image_encoding.h"
#include "corvix_run.h"

using namespace e2e;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kRuns = 15;
// Every measured run, the program's and the floor's alike, starts after the same pause: this
// machine copies the screen faster in a tight loop than after a pause (about 10 ms against 16 ms
// at 1920x1080), and a person presses a hot key after a pause.
constexpr DWORD kPauseMs = 300;

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values.empty() ? 0 : values[values.size() / 2];
}

void Report(const char* name, double value) { std::printf("%s,%.3f\n", name, value); }

// Waits in 1 ms steps: fine enough for the figures, and it leaves both cores to the program, Wine
// and X (spinning here would take one of them away from the very work being measured).
bool Poll(const std::function<bool()>& condition, double limitMs = 10000) {
  const auto start = Clock::now();
  while (!condition()) {
    if (Ms(Clock::now() - start) > limitMs) return false;
    Sleep(1);
  }
  return true;
}

bool WaitForFile(const std::filesystem::path& file) { return Poll([&] { return std::filesystem::exists(file); }); }

std::filesystem::path Numbered(const std::filesystem::path& folder, int n, const wchar_t* extension) {
  wchar_t name[32];
  swprintf(name, 32, L"%03d%ls", n, extension);
  return folder / name;
}

// Ctrl+F1 until the complete file is on disk (it appears whole, by a rename).
double HotKeyToFile(const std::wstring& options, const wchar_t* extension) {
  CorvixRun corvix(CorvixRun::BinFolder().parent_path() / L"bench-run");
  corvix.WriteOptionIni(L"[Default]\r\nAutoSave=1\r\nExitHint=0\r\n" + options);
  if (!corvix.Start()) return -1;
  std::vector<double> times;
  for (int i = 1; i <= kRuns + 1; ++i) {
    const auto file = Numbered(corvix.Folder() / L"Save", i, extension);
    const auto start = Clock::now();
    PressKeys(MOD_CONTROL, VK_F1);
    if (!WaitForFile(file)) return -1;
    if (i > 1) times.push_back(Ms(Clock::now() - start));  // the first one warms the caches
    Sleep(kPauseMs);
  }
  return Median(times);
}

// Ctrl+F1 into a folder that already holds `existing` numbered files (001.jpg ... , empty): each
// capture writes the next number, as a person capturing into a full folder sees it.
double HotKeyToFileAmong(int existing) {
  CorvixRun corvix(CorvixRun::BinFolder().parent_path() / L"bench-run");
  corvix.WriteOptionIni(L"[Default]\r\nAutoSave=1\r\nExitHint=0\r\n");
  const auto save = corvix.Folder() / L"Save";
  std::filesystem::create_directories(save);
  for (int n = 1; n <= existing; ++n) std::ofstream(Numbered(save, n, L".jpg"), std::ios::binary).close();
  if (!corvix.Start()) return -1;
  std::vector<double> times;
  for (int i = 0; i <= kRuns; ++i) {
    Sleep(kPauseMs);
    const auto start = Clock::now();
    PressKeys(MOD_CONTROL, VK_F1);
    if (!WaitForFile(Numbered(save, existing + 1 + i, L".jpg"))) return -1;
    if (i > 0) times.push_back(Ms(Clock::now() - start));  // the first one warms the caches
  }
  return Median(times);
}

// The floor: one screen copy, one GetDIBits, the encode (JPEG) and writing the bytes.
double Floor(bool jpeg) {
  const int width = GetSystemMetrics(SM_CXVIRTUALSCREEN), height = GetSystemMetrics(SM_CYVIRTUALSCREEN);
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
  std::vector<uint8_t> pixels(static_cast<size_t>(width) * height * 4 + 54), out;
  // A new file each time, as every capture writes one.
  const auto folder = CorvixRun::BinFolder().parent_path() / L"bench-floor";
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder);
  std::vector<double> times;
  for (int i = 0; i <= kRuns; ++i) {
    const auto path = folder / (std::to_wstring(i) + L".out");
    Sleep(kPauseMs);
    const auto start = Clock::now();
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY);
    SelectObject(memory, old);
    BITMAPINFOHEADER header{sizeof header, width, jpeg ? -height : height, 1, 32, BI_RGB};
    GetDIBits(screen, bitmap, 0, static_cast<UINT>(height), pixels.data() + 54, reinterpret_cast<BITMAPINFO*>(&header),
              DIB_RGB_COLORS);
    const uint8_t* bytes = pixels.data();
    size_t size = pixels.size();
    if (jpeg) {
      EncodeJpeg({width, height, 32, pixels.data() + 54, static_cast<size_t>(width) * 4, true}, out);
      bytes = out.data();
      size = out.size();
    }
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    WriteFile(file, bytes, static_cast<DWORD>(size), &written, nullptr);
    CloseHandle(file);
    if (i > 0) times.push_back(Ms(Clock::now() - start));
  }
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  std::filesystem::remove_all(folder);
  return Median(times);
}

// One screen copy and one full-screen paint of it: the floor of showing the frozen picture.
double OverlayFloor() {
  const int width = GetSystemMetrics(SM_CXVIRTUALSCREEN), height = GetSystemMetrics(SM_CYVIRTUALSCREEN);
  HWND window = CreateWindowExW(WS_EX_TOPMOST, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 0, 0, width, height, nullptr,
                                nullptr, GetModuleHandleW(nullptr), nullptr);
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
  std::vector<double> times;
  for (int i = 0; i <= kRuns; ++i) {
    Sleep(kPauseMs);
    const auto start = Clock::now();
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY);
    HDC target = GetDC(window);
    BitBlt(target, 0, 0, width, height, memory, 0, 0, SRCCOPY);
    GdiFlush();
    ReleaseDC(window, target);
    SelectObject(memory, old);
    if (i > 0) times.push_back(Ms(Clock::now() - start));
  }
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  DestroyWindow(window);
  return Median(times);
}

// Wine answers another process's memory and CPU time with zeros, so scripts/bench.sh reads them
// from Linux: this leaves a mark file and waits (bounded) until the script has taken the reading.
void Mark(const wchar_t* name) {
  const auto folder = CorvixRun::BinFolder().parent_path() / L"bench-marks";
  std::filesystem::create_directories(folder);
  const auto mark = folder / name;
  { std::ofstream touch(mark); }
  Poll([&] { return !std::filesystem::exists(mark); }, 5000);
}

HWND Overlay(const CorvixRun& corvix) { return FindProcessWindow(corvix.Pid(), L"TCustomSnapForm", L"", true); }

// Start-up, the overlay, idle cost and memory over captures, in one run of the program.
void ProgramFigures() {
  std::vector<double> starts;
  for (int i = 0; i < 5; ++i) {
    CorvixRun corvix(CorvixRun::BinFolder().parent_path() / L"bench-run");
    const auto start = Clock::now();
    if (!corvix.Start()) return;
    starts.push_back(Ms(Clock::now() - start));
  }
  Report("startup_ms", Median(starts));

  CorvixRun corvix(CorvixRun::BinFolder().parent_path() / L"bench-run");
  corvix.WriteOptionIni(L"[Default]\r\nAutoSave=1\r\nExitHint=0\r\n");
  if (!corvix.Start()) return;
  Sleep(500);
  Mark(L"memory_after_start_kb");

  std::vector<double> overlays;
  for (int i = 0; i <= kRuns; ++i) {
    const auto start = Clock::now();
    PressKeys(MOD_CONTROL, VK_F3);
    HWND overlay = nullptr;
    if (!Poll([&] { return (overlay = Overlay(corvix)) != nullptr; })) return;
    if (i > 0) overlays.push_back(Ms(Clock::now() - start));
    // Esc only once the overlay has the keyboard, and the next press only once it is gone.
    Poll([&] { return GetForegroundWindow() == overlay; }, 3000);
    Sleep(100);
    PressKeys(0, VK_ESCAPE);
    // Should the key have gone elsewhere, a close request cancels the overlay as well.
    if (!Poll([&] { return !IsWindow(overlay); }, 3000)) PostMessageW(overlay, WM_CLOSE, 0, 0);
    if (!Poll([&] { return !IsWindow(overlay); })) return;
    Sleep(kPauseMs);
  }
  Report("overlay_ms", Median(overlays));

  Mark(L"cpu_idle_start_ms");
  Sleep(30000);
  Mark(L"cpu_idle_end_ms");

  const auto save = corvix.Folder() / L"Save";
  for (int i = 1; i <= 20; ++i) {
    PressKeys(MOD_CONTROL, VK_F1);
    WaitForFile(Numbered(save, i, L".jpg"));
    if (i == 1) Mark(L"memory_after_1_screen_kb");
  }
  Mark(L"memory_after_20_screens_kb");
  for (int i = 21; i <= 40; ++i) {
    PressKeys(MOD_CONTROL, VK_F3);
    Poll([&] { return Overlay(corvix) != nullptr; });
    Sleep(100);
    Click(200, 200);
    Sleep(100);
    Drag(208, 208, 400, 350);
    DoubleClick(300, 280);
    WaitForFile(Numbered(save, i, L".jpg"));
    if (i == 21) Mark(L"memory_after_1_region_kb");
  }
  Mark(L"memory_after_20_regions_kb");
}

// A capture into a folder of 10,000 files against the same capture into an empty one.
void CrowdedFolderFigures() {
  Report("jpeg_hotkey_empty_folder_ms", HotKeyToFileAmong(0));
  Report("jpeg_hotkey_10000_files_ms", HotKeyToFileAmong(10000));
}

}  // namespace

// With the argument "crowded", only the crowded-folder figures (a quick look at that row).
int main(int argc, char** argv) {
  // The first seconds of a new Wine desktop and X screen are slower for everyone (the shell is
  // still starting): a floor run first, not reported, so both sides are measured warm.
  Floor(true);
  if (argc > 1 && std::string_view(argv[1]) == "crowded") {
    CrowdedFolderFigures();
    return 0;
  }
  Report("jpeg_hotkey_ms", HotKeyToFile(L"", L".jpg"));
  Report("jpeg_floor_ms", Floor(true));
  CrowdedFolderFigures();
  Report("bmp_hotkey_ms", HotKeyToFile(L"DefaultImage=0\r\n", L".bmp"));
  Report("bmp_floor_ms", Floor(false));
  Report("overlay_floor_ms", OverlayFloor());
  ProgramFigures();
  Report("exe_bytes", static_cast<double>(std::filesystem::file_size(CorvixRun::BinFolder() / L"Corvix.exe")));
  return 0;
}
