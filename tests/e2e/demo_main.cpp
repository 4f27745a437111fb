// The headless `make run`: starts Corvix in a demo folder with automatic saving on and uses it as a
// person would: the whole screen, the active window, a window taken with a click in the region
// overlay, a region drawn with the mouse with a rectangle drawn on it, and a region pinned to the
// screen. It says how each step went, saves screenshots and lists what was written.
#include <windows.h>

#include <cstdio>
#include <functional>

#include "corvix_run.h"
#include "pattern_window.h"

using namespace e2e;

namespace {

int failures = 0;

void Step(const char* what, bool done) {
  std::printf("  %s: %s\n", what, done ? "done" : "FAILED");
  failures += !done;
}

// The region overlay of a press of Ctrl+F3, in front; null when it did not come.
HWND OpenOverlay(const CorvixRun& corvix) {
  PressKeys(MOD_CONTROL, VK_F3);
  HWND overlay = nullptr;
  WaitFor([&] { return (overlay = FindProcessWindow(corvix.Pid(), L"TCustomSnapForm", L"", true)) != nullptr; });
  if (overlay && !WaitFor([&] { return GetForegroundWindow() == overlay; })) return nullptr;
  return overlay;
}

// A drag with the left button, in a few moves, as a hand makes it.
void Drag(POINT from, POINT to) {
  MouseButton(from.x, from.y, true);
  for (int step = 1; step <= 4; ++step)
    MouseMoveTo(from.x + (to.x - from.x) * step / 4, from.y + (to.y - from.y) * step / 4);
  MouseButton(to.x, to.y, false);
}

// The box of a new region overlay, drawn with a drag; null when either did not come.
HWND DrawBox(const CorvixRun& corvix, POINT from, POINT to) {
  HWND overlay = OpenOverlay(corvix), box = nullptr;
  if (!overlay) return nullptr;
  Drag(from, to);
  WaitFor([&] { return (box = FindWindowExW(overlay, nullptr, L"TSizerControl", nullptr)) != nullptr; });
  return box;
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
  WaitFor([&] { return window.OnScreen(); });
  const std::filesystem::path save = folder / L"Save";
  const RECT client = window.Client(), outer = window.Outer();

  std::printf("Ctrl+F1: the whole screen\n");
  PressKeys(MOD_CONTROL, VK_F1);
  Step("001.jpg written", WaitFor([&] { return FilesIn(save) >= 1; }));

  std::printf("Ctrl+F2: the active window\n");
  window.BringToFront();
  PressKeys(MOD_CONTROL, VK_F2);
  Step("002.jpg written", WaitFor([&] { return FilesIn(save) >= 2; }));

  std::printf("Ctrl+F3, a click on a window: the window taken whole, Enter\n");
  HWND overlay = OpenOverlay(corvix);
  HWND box = nullptr;
  if (overlay) {
    MouseMoveTo(client.left + 100, client.top + 100);
    Click(client.left + 100, client.top + 100);
    WaitFor([&] { return (box = FindWindowExW(overlay, nullptr, L"TSizerControl", nullptr)) != nullptr; });
  }
  RECT taken{};
  if (box) GetWindowRect(box, &taken);
  Step("the box stands round the window", box && taken.left == outer.left - 6 && taken.right == outer.right + 6);
  if (box) PressKeys(0, VK_RETURN);
  Step("003.jpg written", WaitFor([&] { return FilesIn(save) >= 3; }));

  std::printf("Ctrl+F3, a region drawn with the mouse, a rectangle drawn on it (R), Enter\n");
  box = DrawBox(corvix, {client.left + 40, client.top + 40}, {client.left + 300, client.top + 230});
  RECT drawn{};
  Step("the box stands where it was drawn", box && WaitFor([&] {
    return GetWindowRect(box, &drawn) && drawn.left == client.left + 40 && drawn.bottom == client.top + 230;
  }));
  if (box) {
    PressKeys(0, 'R');
    Drag({client.left + 80, client.top + 80}, {client.left + 200, client.top + 160});
    const auto red = [](COLORREF c) { return GetRValue(c) > 180 && GetGValue(c) < 80 && GetBValue(c) < 80; };
    Step("the rectangle is on the screen", WaitFor([&] { return red(ScreenPixel(client.left + 200, client.top + 120)); }));
    SaveScreenshot(folder / L"overlay-screenshot.jpg");
    PressKeys(0, VK_RETURN);
  }
  Step("004.jpg written", WaitFor([&] { return FilesIn(save) >= 4; }));

  std::printf("Ctrl+F3, a region drawn, pinned to the screen (F3)\n");
  box = DrawBox(corvix, {client.left + 60, client.top + 60}, {client.left + 260, client.top + 200});
  if (box) PressKeys(0, VK_F3);
  HWND pin = nullptr;
  Step("a pin stands where the region was",
       WaitFor([&] { return (pin = FindProcessWindow(corvix.Pid(), L"TCorvixPin", L"", true)) != nullptr; }));
  if (pin) SaveScreenshot(folder / L"pin-screenshot.jpg");

  std::printf("\nWritten in %ls:\n", save.c_str());
  if (std::filesystem::is_directory(save))
    for (const auto& entry : std::filesystem::directory_iterator(save))
      std::printf("  %-10ls %9llu bytes\n", entry.path().filename().c_str(),
                  static_cast<unsigned long long>(entry.file_size()));
  std::printf("Screenshots: %ls, %ls\n", (folder / L"overlay-screenshot.jpg").c_str(), (folder / L"pin-screenshot.jpg").c_str());
  PostMessageW(corvix.MainForm(), WM_COMMAND, 40003, 0);  // the exit action
  corvix.WaitForExit();
  if (failures) std::printf("%d step(s) failed\n", failures);
  return failures ? 1 : 0;
}
