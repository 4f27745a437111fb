// The headless `make run`: starts Corvix in a demo folder with automatic saving on, presses its
// three hot keys as a person would (drawing a region for the third), saves a screenshot of the
// region overlay, and lists what was written.
#include <windows.h>

#include <cstdio>

#include "corvix_run.h"
#include "pattern_window.h"

using namespace e2e;

namespace {

bool WaitForFiles(const std::filesystem::path& folder, size_t count) {
  return WaitFor([&] {
    return std::filesystem::is_directory(folder) &&
           static_cast<size_t>(std::distance(std::filesystem::directory_iterator(folder), {})) >= count;
  });
}

}  // namespace

int main() {
  const std::filesystem::path folder = CorvixRun::BinFolder().parent_path().parent_path() / L"run-demo";
  CorvixRun corvix(folder);
  corvix.WriteOptionIni(L"[Default]\r\nAutoSave=1\r\nExitHint=0\r\n");
  if (!corvix.Start()) {
    std::printf("Corvix did not start\n");
    return 1;
  }
  std::printf("Corvix runs from %ls with automatic saving on.\n", folder.c_str());
  PatternWindow window(380, 220, 480, 320);
  const std::filesystem::path save = folder / L"Save";

  std::printf("Ctrl+F1: the whole screen\n");
  PressKeys(MOD_CONTROL, VK_F1);
  WaitForFiles(save, 1);

  std::printf("Ctrl+F2: the active window\n");
  window.BringToFront();
  PressKeys(MOD_CONTROL, VK_F2);
  WaitForFiles(save, 2);

  std::printf("Ctrl+F3: a region, marked with the mouse\n");
  PressKeys(MOD_CONTROL, VK_F3);
  HWND overlay = nullptr;
  WaitFor([&] { return (overlay = FindProcessWindow(corvix.Pid(), L"TCustomSnapForm", L"", true)) != nullptr; });
  WaitFor([&] { return GetForegroundWindow() == overlay; });
  const RECT client = window.Client();
  Click(client.left + 40, client.top + 40);
  HWND box = nullptr;
  WaitFor([&] { return (box = FindWindowExW(overlay, nullptr, L"TSizerControl", nullptr)) != nullptr; });
  DragInMoveSizeLoop(box, {client.left + 48, client.top + 48}, {client.left + 300, client.top + 230},
                     {client.left + 40, client.top + 40, client.left + 302, client.top + 232});
  const std::filesystem::path shot = folder / L"overlay-screenshot.jpg";
  SaveScreenshot(shot);
  DoubleClick(client.left + 120, client.top + 120);
  WaitForFiles(save, 3);
  Sleep(300);

  std::printf("\nWritten in %ls:\n", save.c_str());
  if (std::filesystem::is_directory(save))
    for (const auto& entry : std::filesystem::directory_iterator(save))
      std::printf("  %-10ls %9llu bytes\n", entry.path().filename().c_str(),
                  static_cast<unsigned long long>(entry.file_size()));
  std::printf("Screenshot of the region overlay: %ls\n", shot.c_str());
  PostMessageW(corvix.MainForm(), WM_COMMAND, 40003, 0);  // the exit action
  corvix.WaitForExit();
  return 0;
}
