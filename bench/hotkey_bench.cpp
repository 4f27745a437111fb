// What a user waits for, measured on the real Corvix.exe under Wine on the current screen, with the
// floor measured in the same run, run by run in turn with the program. The screen shows a realistic
// desktop (bench/desktop_picture.h). Prints "name,value" lines for scripts/bench.sh; a timed value is
// "min/median/max" in milliseconds.
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "app/resource.h"
#include "command_line/request_exchange.h"
#include "common/image_encoding.h"
#include "common/png_encoding.h"
#include "corvix_run.h"
#include "desktop_picture.h"

using namespace e2e;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kRuns = 15;
// Every measured run, the program's and the floor's alike, starts after the same pause: this
// machine copies the screen faster in a tight loop than after a pause (about 10 ms against 16 ms
// at 1920x1080), and a person presses a hot key after a pause.
constexpr DWORD kPauseMs = 300;
// How long after the last capture the idle memory is read: the program gives it back after 3 s.
constexpr DWORD kIdleReadingMs = 5000;

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

void Report(const char* name, double value) { std::printf("%s,%.3f\n", name, value); }

// A timed row: min/median/max, or "failed" when a run failed or the series is short of `runs`
// (a failed run is never timed).
void Report(const char* name, std::vector<double> times, size_t runs = kRuns) {
  std::sort(times.begin(), times.end());
  if (times.size() < runs || times.front() < 0) {
    std::printf("%s,failed\n", name);
    return;
  }
  std::printf("%s,%.3f/%.3f/%.3f\n", name, times.front(), times[times.size() / 2], times.back());
}

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

// Tells when a file appears in a folder (made there, or renamed into place), from the folder's
// change reports. Asking for the name again and again would not do: under Wine every question about
// a name that does not exist yet reads the whole folder (4 ms of a core at 10,000 files), taken from
// the program being timed. Made before the key is pressed, so that no report is missed.
class FolderWatch {
 public:
  explicit FolderWatch(const std::filesystem::path& folder) : folder_(folder) {
    std::filesystem::create_directories(folder);
    handle_ = CreateFileW(folder.c_str(), FILE_LIST_DIRECTORY, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                          nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OVERLAPPED, nullptr);
    overlapped_.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    reading_ = handle_ != INVALID_HANDLE_VALUE && overlapped_.hEvent && Read();
  }
  FolderWatch(const FolderWatch&) = delete;
  FolderWatch& operator=(const FolderWatch&) = delete;
  ~FolderWatch() {
    if (handle_ != INVALID_HANDLE_VALUE) {
      CancelIo(handle_);
      DWORD bytes = 0;
      if (reading_) GetOverlappedResult(handle_, &overlapped_, &bytes, TRUE);
      CloseHandle(handle_);
    }
    if (overlapped_.hEvent) CloseHandle(overlapped_.hEvent);
  }

  // False when the file has not appeared within the limit, or the folder cannot be watched.
  bool WaitFor(const std::wstring& name, double limitMs = 10000) {
    const auto start = Clock::now();
    while (reading_) {
      const double left = limitMs - Ms(Clock::now() - start);
      if (left <= 0 || WaitForSingleObject(overlapped_.hEvent, static_cast<DWORD>(left) + 1) != WAIT_OBJECT_0) return false;
      DWORD bytes = 0;
      if (!GetOverlappedResult(handle_, &overlapped_, &bytes, FALSE)) return false;
      // No bytes: more reports than the buffer holds, so the folder itself says.
      const bool appeared = bytes == 0 ? std::filesystem::exists(folder_ / name) : Reported(name);
      reading_ = Read();
      if (appeared) return true;
    }
    return false;
  }

 private:
  bool Read() {
    ResetEvent(overlapped_.hEvent);
    return ReadDirectoryChangesW(handle_, reports_, sizeof reports_, FALSE, FILE_NOTIFY_CHANGE_FILE_NAME, nullptr,
                                 &overlapped_, nullptr) != FALSE;
  }
  bool Reported(const std::wstring& name) const {
    bool found = false;
    for (size_t at = 0;;) {
      const auto* report = reinterpret_cast<const FILE_NOTIFY_INFORMATION*>(reports_ + at);
      const std::wstring_view reported(report->FileName, report->FileNameLength / sizeof(wchar_t));
      if ((report->Action == FILE_ACTION_ADDED || report->Action == FILE_ACTION_RENAMED_NEW_NAME) &&
          CompareStringOrdinal(reported.data(), static_cast<int>(reported.size()), name.c_str(),
                               static_cast<int>(name.size()), TRUE) == CSTR_EQUAL)
        found = true;
      if (!report->NextEntryOffset) return found;
      at += report->NextEntryOffset;
    }
  }

  std::filesystem::path folder_;
  HANDLE handle_ = INVALID_HANDLE_VALUE;
  OVERLAPPED overlapped_{};
  bool reading_ = false;
  alignas(DWORD) uint8_t reports_[64 * 1024];
};

std::wstring Numbered(int n, const wchar_t* extension) {
  wchar_t name[32];
  swprintf(name, 32, L"%03d%ls", n, extension);
  return name;
}

// The program's runs and the floor's, in turn: a run of each to warm up, then kRuns of each.
// A run returns its milliseconds, or a negative number when it failed (the series then fails).
void Alternate(const char* programName, const std::function<double(int)>& program, const char* floorName,
               const std::function<double(int)>& floor) {
  std::vector<double> programTimes, floorTimes;
  for (int i = 0; i <= kRuns; ++i) {
    Sleep(kPauseMs);
    const double p = program(i);
    Sleep(kPauseMs);
    const double f = floor ? floor(i) : 0;
    if (i == 0) continue;
    programTimes.push_back(p);
    floorTimes.push_back(f);
    if (p < 0 || f < 0) break;
  }
  Report(programName, programTimes);
  if (floor) Report(floorName, floorTimes);
}

// A Corvix.exe with these options, pressing Ctrl+F1 until each numbered file is complete on disk
// (it appears whole, by a rename).
class HotKeyRuns {
 public:
  HotKeyRuns(const std::wstring& options, const wchar_t* extension)
      : corvix_(CorvixRun::BinFolder().parent_path() / L"bench-run"), save_(corvix_.Folder() / L"Save"),
        extension_(extension) {
    corvix_.WriteOptionIni(L"[Default]\r\nAutoSave=1\r\nExitHint=0\r\nSavedTip=0\r\n" + options);
    started_ = corvix_.Start();
  }
  double Press() {
    if (!started_) return -1;
    const auto start = Clock::now();
    SendKeys(MOD_CONTROL, VK_F1);
    return save_.WaitFor(Numbered(++count_, extension_)) ? Ms(Clock::now() - start) : -1;
  }
  // The same capture asked for as the command line asks the running program: from the request's
  // arrival to the file (the later start's own start-up apart). Its answer goes to `reply`, which
  // reads none of it, so any well-formed secret (32 hexadecimal digits) does.
  double Request(HWND reply) {
    if (!started_) return -1;
    static const std::wstring kSecret(32, L'0');
    const auto start = Clock::now();
    LRESULT taken = 0;
    if (!SendRequest(corvix_.MainForm(), reply, CaptureRequest{CaptureKind::Desktop}, kSecret, taken) ||
        taken != kRequestTaken)
      return -1;
    return save_.WaitFor(Numbered(++count_, extension_)) ? Ms(Clock::now() - start) : -1;
  }
  CorvixRun& Corvix() { return corvix_; }

 private:
  CorvixRun corvix_;
  FolderWatch save_;
  const wchar_t* extension_;
  bool started_ = false;
  int count_ = 0;
};

// The floor of a capture to a file: the fastest way this machine does the same work with the same
// library settings. The screen is copied straight into a bottom-up 32-bit DIB section (as Corvix's
// capture sources do), encoded from its memory, and the bytes written to a new file.
class ScreenFloor {
 public:
  ScreenFloor()
      : width_(GetSystemMetrics(SM_CXVIRTUALSCREEN)), height_(GetSystemMetrics(SM_CYVIRTUALSCREEN)),
        folder_(CorvixRun::BinFolder().parent_path() / L"bench-floor") {
    screen_ = GetDC(nullptr);
    memory_ = CreateCompatibleDC(screen_);
    BITMAPINFOHEADER header{sizeof header, width_, height_, 1, 32, BI_RGB};
    section_ = CreateDIBSection(screen_, reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS, &bits_, nullptr, 0);
    std::filesystem::remove_all(folder_);
    std::filesystem::create_directories(folder_);
  }
  ~ScreenFloor() {
    DeleteObject(section_);
    DeleteDC(memory_);
    ReleaseDC(nullptr, screen_);
    std::filesystem::remove_all(folder_);
  }
  // format: 0 BMP, 1 JPEG, 2 PNG.
  double Run(int format) {
    const auto path = folder_ / (std::to_wstring(++count_) + L".out");
    const auto start = Clock::now();
    HGDIOBJ old = SelectObject(memory_, section_);
    const bool copied = BitBlt(memory_, 0, 0, width_, height_, screen_, 0, 0, SRCCOPY);
    SelectObject(memory_, old);
    GdiFlush();
    const PixelView view{width_, height_, 32, static_cast<const uint8_t*>(bits_), static_cast<size_t>(width_) * 4, false};
    std::vector<uint8_t> header;
    const uint8_t* bytes = view.Pixels;
    size_t size = view.Stride * static_cast<size_t>(height_);
    if (format == 0) {
      header.resize(BmpHeaderBytes(32));
      WriteBmpHeaders(header.data(), width_, height_, 32, {}, {});
    } else {
      if ((format == 1 ? EncodeJpeg(view, encoded_) : EncodePng(view, encoded_)) != 0) return -1;
      bytes = encoded_.data();
      size = encoded_.size();
    }
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0, headerWritten = 0;
    const bool wrote = file != INVALID_HANDLE_VALUE &&
                       (header.empty() || WriteFile(file, header.data(), static_cast<DWORD>(header.size()), &headerWritten, nullptr)) &&
                       WriteFile(file, bytes, static_cast<DWORD>(size), &written, nullptr) && written == size;
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    const double ms = Ms(Clock::now() - start);
    return copied && wrote ? ms : -1;
  }

 private:
  int width_, height_;
  std::filesystem::path folder_;
  HDC screen_ = nullptr, memory_ = nullptr;
  HBITMAP section_ = nullptr;
  void* bits_ = nullptr;
  std::vector<uint8_t> encoded_;
  int count_ = 0;
};

// Hot key to file against its floor, in turn.
void FileFigures(const char* name, const char* floorName, const std::wstring& options, const wchar_t* extension,
                 int format) {
  HotKeyRuns corvix(options, extension);
  ScreenFloor floor;
  Alternate(name, [&](int) { return corvix.Press(); }, floorName, [&](int) { return floor.Run(format); });
}

// The clipboard's cost: the JPEG hot key with the clipboard copy on, then off (one Corvix runs at a
// time, so the two series cannot take turns).
void ClipboardFigures() {
  {
    HotKeyRuns with(L"CopyToClipboard=1\r\n", L".jpg");
    Alternate("jpeg_clipboard_hotkey_ms", [&](int) { return with.Press(); }, nullptr, nullptr);
  }
  HotKeyRuns without(L"", L".jpg");
  Alternate("jpeg_no_clipboard_hotkey_ms", [&](int) { return without.Press(); }, nullptr, nullptr);
}

// A window that takes the running program's answers, on a thread of its own that keeps reading
// its messages (the program waits for its answer to be taken).
class AnswerWindow {
 public:
  AnswerWindow() {
    HANDLE ready = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    thread_ = std::thread([this, ready] {
      window_ = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
      SetEvent(ready);
      MSG message;
      while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
    });
    WaitForSingleObject(ready, 10000);
    CloseHandle(ready);
  }
  ~AnswerWindow() {
    PostMessageW(window_, WM_QUIT, 0, 0);
    thread_.join();
  }
  HWND Handle() const { return window_; }

 private:
  HWND window_ = nullptr;
  std::thread thread_;
};

// A command line's request against the hot key, in turn, into the same folder.
void RequestFigures() {
  HotKeyRuns corvix(L"", L".jpg");
  AnswerWindow answers;
  Alternate("request_to_file_ms", [&](int) { return corvix.Request(answers.Handle()); }, "request_hotkey_to_file_ms",
            [&](int) { return corvix.Press(); });
}

// Ctrl+F1 into a folder that already holds `existing` numbered files (001.jpg ... , empty): each
// capture writes the next number, as a person capturing into a full folder sees it.
std::vector<double> HotKeyToFileAmong(int existing) {
  CorvixRun corvix(CorvixRun::BinFolder().parent_path() / L"bench-run");
  corvix.WriteOptionIni(L"[Default]\r\nAutoSave=1\r\nExitHint=0\r\nSavedTip=0\r\n");
  const auto save = corvix.Folder() / L"Save";
  std::filesystem::create_directories(save);
  for (int n = 1; n <= existing; ++n) std::ofstream(save / Numbered(n, L".jpg"), std::ios::binary).close();
  FolderWatch watch(save);
  if (!corvix.Start()) return {-1};
  std::vector<double> times;
  for (int i = 0; i <= kRuns; ++i) {
    Sleep(kPauseMs);
    const auto start = Clock::now();
    SendKeys(MOD_CONTROL, VK_F1);
    if (!watch.WaitFor(Numbered(existing + 1 + i, L".jpg"))) return {-1};
    if (i > 0) times.push_back(Ms(Clock::now() - start));  // the first one warms the caches
  }
  return times;
}

// The floor of showing the frozen picture: copy the screen into a DIB section, then show a
// full-screen window that paints the copy, until the screen shows it. The desktop picture is
// covered with its canvas between the copy and the show (not timed), so that only this paint can
// bring the picture back to the screen.
class OverlayFloor {
 public:
  explicit OverlayFloor(DesktopPicture& desktop) : desktop_(desktop) {
    WNDCLASSW type{};
    type.lpfnWndProc = Procedure;
    type.hInstance = GetModuleHandleW(nullptr);
    type.lpszClassName = L"CorvixBenchOverlayFloor";
    RegisterClassW(&type);
    window_ = CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, type.lpszClassName, L"", WS_POPUP, 0, 0, width_,
                              height_, nullptr, nullptr, type.hInstance, this);
    HDC screen = GetDC(nullptr);
    memory_ = CreateCompatibleDC(screen);
    ReleaseDC(nullptr, screen);
    BITMAPINFOHEADER header{sizeof header, width_, height_, 1, 32, BI_RGB};
    void* bits = nullptr;
    bitmap_ = CreateDIBSection(memory_, reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS, &bits, nullptr, 0);
    SelectObject(memory_, bitmap_);
  }
  ~OverlayFloor() {
    DestroyWindow(window_);
    DeleteDC(memory_);
    DeleteObject(bitmap_);
  }

  // Milliseconds, or -1 when the canvas did not show or the copy never reached the screen.
  double Run() {
    const auto start = Clock::now();
    HDC screen = GetDC(nullptr);
    BitBlt(memory_, 0, 0, width_, height_, screen, 0, 0, SRCCOPY);
    ReleaseDC(nullptr, screen);
    const auto coverStart = Clock::now();
    const bool covered = desktop_.Cover() > 0;
    const auto coverTime = Clock::now() - coverStart;
    ShowWindow(window_, SW_SHOWNA);
    UpdateWindow(window_);
    const bool shown = covered && Pump([&] { return desktop_.CanvasPoints() == 0; });
    const double ms = Ms(Clock::now() - start - coverTime);
    ShowWindow(window_, SW_HIDE);
    return desktop_.Uncover() && shown ? ms : -1;
  }

 private:
  // Runs this thread's messages (the window's paint, and Wine's flush of it to the screen) until
  // the condition holds.
  static bool Pump(const std::function<bool()>& condition) {
    const auto start = Clock::now();
    for (;;) {
      MSG message;
      while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
      if (condition()) return true;
      if (Ms(Clock::now() - start) > 10000) return false;
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 1, QS_ALLINPUT);
    }
  }
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE)
      SetWindowLongPtrW(window, GWLP_USERDATA,
                        reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
    auto* self = reinterpret_cast<OverlayFloor*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (message == WM_ERASEBKGND) return 1;
    if (message == WM_PAINT && self) {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(window, &paint);
      const RECT& r = paint.rcPaint;
      BitBlt(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, self->memory_, r.left, r.top, SRCCOPY);
      EndPaint(window, &paint);
      return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
  }

  DesktopPicture& desktop_;
  const int width_ = GetSystemMetrics(SM_CXVIRTUALSCREEN), height_ = GetSystemMetrics(SM_CYVIRTUALSCREEN);
  HWND window_ = nullptr;
  HDC memory_ = nullptr;
  HBITMAP bitmap_ = nullptr;
};

// Wine answers another process's memory and CPU time with zeros, so scripts/bench.sh reads them
// from Linux: this leaves a mark file holding the mark of the program's command line, by which the
// script finds that process alone, and waits (bounded) until the script has taken the reading.
void Mark(const CorvixRun& corvix, const wchar_t* name) {
  const auto folder = CorvixRun::BinFolder().parent_path() / L"bench-marks";
  std::filesystem::create_directories(folder);
  const auto mark = folder / name;
  { std::ofstream(mark) << std::string(corvix.RunMark().begin(), corvix.RunMark().end()); }
  Poll([&] { return !std::filesystem::exists(mark); }, 5000);
}

HWND Overlay(const CorvixRun& corvix) { return FindProcessWindow(corvix.Pid(), L"TCustomSnapForm", L"", true); }

// Holds the making of the program's overlay window until the canvas is on the screen
// (bench/overlay_gate.cpp, a hook the system loads into the program).
class OverlayGate {
 public:
  OverlayGate() {
    module_ = LoadLibraryW((CorvixRun::BinFolder() / L"corvix_overlay_gate.dll").c_str());
    const auto hook = module_ ? reinterpret_cast<HOOKPROC>(reinterpret_cast<void*>(GetProcAddress(module_, "OverlayGateHook"))) : nullptr;
    if (hook) hook_ = SetWindowsHookExW(WH_CBT, hook, module_, 0);
  }
  ~OverlayGate() {
    if (hook_) UnhookWindowsHookEx(hook_);
    if (module_) FreeLibrary(module_);
    CloseHandle(made_);
    CloseHandle(shown_);
  }
  bool Set() const { return hook_ != nullptr; }
  // Waits until the program is about to make its overlay window; false after 10 s.
  bool WaitForOverlay() const { return WaitForSingleObject(made_, 10000) == WAIT_OBJECT_0; }
  void Open() const { SetEvent(shown_); }

 private:
  HMODULE module_ = nullptr;
  HHOOK hook_ = nullptr;
  HANDLE made_ = CreateEventW(nullptr, FALSE, FALSE, L"CorvixBenchOverlayMade");
  HANDLE shown_ = CreateEventW(nullptr, FALSE, FALSE, L"CorvixBenchCanvasShown");
};

// The region key to the overlay's first full paint on the screen, in turn with the floor. The
// program has copied the screen when it makes the overlay window; the gate holds it there while
// the desktop picture is covered with its canvas (the hold is not counted), so the picture comes
// back only by the overlay's paint.
void OverlayFigures(const CorvixRun& corvix, DesktopPicture& desktop, const char* name = "overlay_ms",
                    const char* floorName = "overlay_floor_ms") {
  const OverlayGate gate;
  OverlayFloor floor(desktop);
  std::vector<double> overlays, floors;
  // One run of each; false when a step failed. The first run of each warms the caches.
  const auto run = [&](bool measured) {
    Sleep(kPauseMs);
    const auto start = Clock::now();
    SendKeys(MOD_CONTROL, VK_F3);
    if (!gate.WaitForOverlay()) return false;
    const auto holdStart = Clock::now();
    const bool covered = desktop.Cover() > 0;
    gate.Open();
    const auto hold = Clock::now() - holdStart;
    if (!covered || !Poll([&] { return desktop.CanvasPoints() == 0; })) return false;
    if (measured) overlays.push_back(Ms(Clock::now() - start - hold));
    // Esc once the overlay has the keyboard, and the next run once it is gone and the picture back.
    HWND overlay = Overlay(corvix);
    if (!overlay || !Poll([&] { return GetForegroundWindow() == overlay; }, 3000)) return false;
    SendKeys(0, VK_ESCAPE);
    if (!Poll([&] { return !IsWindow(overlay); }) || !desktop.Uncover()) return false;
    if (!floorName) return true;
    Sleep(kPauseMs);
    const double floorMs = floor.Run();
    if (measured) floors.push_back(floorMs);
    return floorMs >= 0;
  };
  bool ok = gate.Set();
  for (int i = 0; ok && i <= kRuns; ++i) ok = run(i > 0);
  if (!ok) overlays.assign(1, -1);
  Report(name, overlays);
  if (floorName) Report(floorName, floors);
}

// 200 top-level windows of 10 child windows each, in a grid over part of the screen (the desktop
// picture's probes partly uncovered), above the desktop picture, served by a thread of their own.
class ManyWindows {
 public:
  static constexpr int kColumns = 20, kRows = 10, kWidth = 40, kHeight = 30, kChildren = 10;
  ManyWindows() {
    HANDLE ready = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    thread_ = std::thread([&] {
      WNDCLASSW type{};
      type.lpfnWndProc = DefWindowProcW;
      type.hInstance = GetModuleHandleW(nullptr);
      type.hbrBackground = static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
      type.lpszClassName = L"CorvixBenchMany";
      RegisterClassW(&type);
      for (int i = 0; i < kColumns * kRows; ++i) {
        const POINT at = Place(i);
        HWND window = CreateWindowExW(WS_EX_TOPMOST | WS_EX_NOACTIVATE | WS_EX_TOOLWINDOW, L"CorvixBenchMany", L"",
                                      WS_POPUP | WS_VISIBLE, at.x, at.y, kWidth, kHeight, nullptr, nullptr,
                                      GetModuleHandleW(nullptr), nullptr);
        for (int c = 0; c < kChildren; ++c)
          CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE | SS_WHITERECT, 2 + (c % 5) * 7, 4 + (c / 5) * 12, 6,
                          10, window, nullptr, GetModuleHandleW(nullptr), nullptr);
        windows_.push_back(window);
      }
      threadId_ = GetCurrentThreadId();
      SetEvent(ready);
      MSG message;
      while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
      for (HWND window : windows_) DestroyWindow(window);
    });
    WaitForSingleObject(ready, 30000);
    CloseHandle(ready);
  }
  ~ManyWindows() {
    PostThreadMessageW(threadId_, WM_QUIT, 0, 0);
    thread_.join();
  }
  // Window i's top-left on the screen; its first child lies at (2, 4) in it, 6 x 10.
  static POINT Place(int i) { return {100 + (i % kColumns) * (kWidth + 4), 120 + (i / kColumns) * (kHeight + 4)}; }

 private:
  std::vector<HWND> windows_;
  DWORD threadId_ = 0;
  std::thread thread_;
};

// With those windows open: the region key to the overlay painted, and a mouse move to the outline
// on the screen around the control under the cursor.
void SnappingFigures(const CorvixRun& corvix, DesktopPicture& desktop) {
  const ManyWindows windows;
  OverlayFigures(corvix, desktop, "overlay_windows_ms", "overlay_windows_floor_ms");
  std::vector<double> hovers;
  SendKeys(MOD_CONTROL, VK_F3);
  HWND overlay = nullptr;
  bool ok = Poll([&] { return (overlay = Overlay(corvix)) != nullptr && GetForegroundWindow() == overlay; });
  if (!ok) std::fprintf(stderr, "hover: no overlay in front\n");
  HDC screen = GetDC(nullptr);
  for (int i = 0; ok && i <= kRuns; ++i) {
    const POINT window = ManyWindows::Place(i * 13 % (ManyWindows::kColumns * ManyWindows::kRows));
    const POINT edge{window.x + 2, window.y + 8};  // the first child's left edge
    const auto start = Clock::now();
    MouseMoveTo(window.x + 5, window.y + 9);
    ok = Poll([&] { return GetPixel(screen, edge.x, edge.y) == RGB(0, 120, 215); }, 3000);
    if (!ok) std::fprintf(stderr, "hover: no outline at %ld,%ld: %06lx\n", edge.x, edge.y, GetPixel(screen, edge.x, edge.y));
    if (i > 0) hovers.push_back(Ms(Clock::now() - start));
  }
  ReleaseDC(nullptr, screen);
  if (!ok) hovers.assign(1, -1);
  Report("hover_outline_ms", hovers);
  SendKeys(0, VK_ESCAPE);
  Poll([&] { return overlay && !IsWindow(overlay); });
}

// Ten pins of a 1920x1080 picture from the clipboard, opened and closed: the program's private
// memory before, with them, and after (a pin holds one copy of its picture and frees it).
void PinFigures(const CorvixRun& corvix) {
  HDC screen = GetDC(nullptr);
  HBITMAP picture = CreateCompatibleBitmap(screen, 1920, 1080);
  ReleaseDC(nullptr, screen);
  if (!OpenClipboard(nullptr)) return;
  EmptyClipboard();
  SetClipboardData(CF_BITMAP, picture);  // the clipboard's now
  CloseClipboard();
  const auto pins = [&] {
    int count = 0;
    for (HWND at = GetTopWindow(nullptr); at; at = GetWindow(at, GW_HWNDNEXT)) {
      DWORD pid = 0;
      GetWindowThreadProcessId(at, &pid);
      count += pid == corvix.Pid() && IsWindowVisible(at) && ClassName(at) == L"TCorvixPin";
    }
    return count;
  };
  // One pin first: the process then holds its own copy of the clipboard's picture (Wine keeps what
  // a program read from the clipboard until the clipboard changes), which is not the pins'.
  PostMessageW(corvix.MainForm(), WM_COMMAND, IDA_PIN_CLIPBOARD, 0);
  Poll([&] { return pins() == 1; });
  PostMessageW(corvix.MainForm(), WM_COMMAND, IDA_CLOSE_PINS, 0);
  Poll([&] { return pins() == 0; });
  Sleep(1000);
  Mark(corvix, L"memory_before_pins_kb");
  for (int i = 0; i < 10; ++i) PostMessageW(corvix.MainForm(), WM_COMMAND, IDA_PIN_CLIPBOARD, 0);
  const bool opened = Poll([&] { return pins() == 10; });
  Mark(corvix, opened ? L"memory_with_10_pins_kb" : L"memory_with_10_pins_failed");
  PostMessageW(corvix.MainForm(), WM_COMMAND, IDA_CLOSE_PINS, 0);
  const bool closed = Poll([&] { return pins() == 0; });
  Sleep(1000);
  Mark(corvix, closed ? L"memory_after_pins_kb" : L"memory_after_pins_failed");
}

// Every mouse event the system takes in while it stands, through a low-level hook on a thread of
// its own; it counts those not sent from here (the X server's own reports of the pointer).
//
// Under Wine, while a process holds such a hook, the mouse events it sends leave the X server's
// pointer where it was. Without one, each sent move also warps that pointer, and the X server
// reports the warp back to the window under it as a move of its own, which reaches the window's
// thread only when that thread next takes in X events: behind a pile of input such moves come in
// late, carrying places the pointer has long left (in a run of the markup figures at 3840 x 2160,
// 48 to 115 of them, up to 150 ms old). With the hook on, none came in 15 runs.
class MouseEventWatch {
 public:
  MouseEventWatch() {
    thread_ = std::thread([this] {
      threadId_ = GetCurrentThreadId();
      watch_ = this;  // the hook is called on this thread
      HHOOK hook = SetWindowsHookExW(WH_MOUSE_LL, Watch, GetModuleHandleW(nullptr), 0);
      MSG message;
      PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE);  // the queue exists: the quit can come
      hooked_ = hook != nullptr;
      ready_ = true;
      while (hook && GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
      if (hook) UnhookWindowsHookEx(hook);
    });
    Poll([&] { return ready_.load(); });
  }
  ~MouseEventWatch() {
    PostThreadMessageW(threadId_, WM_QUIT, 0, 0);
    thread_.join();
  }
  MouseEventWatch(const MouseEventWatch&) = delete;
  MouseEventWatch& operator=(const MouseEventWatch&) = delete;

  bool Hooked() const { return hooked_; }
  int NotSentHere() const { return notSentHere_; }

 private:
  static LRESULT CALLBACK Watch(int code, WPARAM message, LPARAM data) {
    if (code == HC_ACTION && watch_ && !(reinterpret_cast<const MSLLHOOKSTRUCT*>(data)->flags & LLMHF_INJECTED))
      ++watch_->notSentHere_;
    return CallNextHookEx(nullptr, code, message, data);
  }
  static inline thread_local MouseEventWatch* watch_ = nullptr;
  std::thread thread_;
  DWORD threadId_ = 0;
  std::atomic<bool> ready_ = false, hooked_ = false;
  std::atomic<int> notSentHere_ = 0;
};

// The chosen shape's marks as the overlay paints them over its picture: a grip is a small white
// square edged in the accent colour (0, 120, 215) on one of the shape's points, and a text or a step,
// which has no grips, gets a frame of that colour round it.
bool IsAccent(const uint8_t* bgr) { return bgr[2] < 20 && std::abs(bgr[1] - 120) < 20 && std::abs(bgr[0] - 215) < 20; }

// A grip centred on `p`: white there, the accent colour round it.
bool GripAt(POINT p) {
  const std::vector<uint8_t> bgr = ScreenBgr({p.x - 6, p.y - 6, p.x + 7, p.y + 7});
  const uint8_t* centre = &bgr[(6 * 13 + 6) * 3];
  int accent = 0;
  for (size_t at = 0; at < bgr.size(); at += 3) accent += IsAccent(&bgr[at]);
  return centre[0] == 255 && centre[1] == 255 && centre[2] == 255 && accent >= 8;
}

// A frame's edge crossing the row `y` between `left` and `right`.
bool FrameEdgeOn(int y, int left, int right) {
  const std::vector<uint8_t> bgr = ScreenBgr({left, y, right, y + 1});
  for (size_t at = 0; at < bgr.size(); at += 3)
    if (IsAccent(&bgr[at])) return true;
  return false;
}

// 200 shapes of every kind drawn with the mouse and keys on a box over most of the screen: a mouse
// move while a shape is dragged, to the shape on the screen at its new place; and Enter to the file,
// against the same box with no shapes.
//
// Each shape is drawn once the one before shows, as a person draws: the next press waits until the
// overlay has painted the last shape with its marks on the points it was drawn between. Sent all at
// once, the 200 shapes' input piles up behind the overlay's painting (about 2 s of it at 3840 x
// 2160); the X server's reports of the pointer (see MouseEventWatch) then land inside later drags
// and stretch their shapes across the box, until a text's click lands on one of them, takes it
// instead of starting a text, and the Esc meant to end the text closes the overlay. Waiting alone
// is not enough (a report of one shape's end can still come in after the next press), so the
// shapes are drawn with the watch on.
void MarkupFigures() {
  CorvixRun corvix(CorvixRun::BinFolder().parent_path() / L"bench-markup");
  corvix.WriteOptionIni(L"[Default]\r\nAutoSave=1\r\nDefaultImage=0\r\nExitHint=0\r\nSavedTip=0\r\n");
  if (!corvix.Start()) return;
  FolderWatch save(corvix.Folder() / L"Save");
  const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
  const RECT box{20, 20, width - 20, height - 80};
  HDC screen = GetDC(nullptr);
  const auto red = [&](int x, int y) {
    const COLORREF c = GetPixel(screen, x, y);
    return std::abs(GetRValue(c) - 230) < 10 && GetGValue(c) < 40 && GetBValue(c) < 40;
  };
  const auto open = [&] {
    SendKeys(MOD_CONTROL, VK_F3);
    HWND overlay = nullptr, placed = nullptr;
    if (!Poll([&] { return (overlay = Overlay(corvix)) != nullptr; }) || !(placed = corvix.PlaceBox(overlay, {box.left, box.top}))) {
      std::fprintf(stderr, "markup: %s\n", overlay ? "no box on the overlay" : "no overlay within 10 s of the region key");
      return false;
    }
    RECT at{};
    GetWindowRect(placed, &at);
    if (DragInMoveSizeLoop(placed, {at.right - 2, at.bottom - 2}, {box.right - 2, box.bottom - 2}, box)) return true;
    std::fprintf(stderr, "markup: the box did not take its size\n");
    return false;
  };
  const auto drag = [](POINT from, POINT to) {
    MouseButton(from.x, from.y, true);
    MouseMoveTo((from.x + to.x) / 2, (from.y + to.y) / 2);
    MouseMoveTo(to.x, to.y);
    MouseButton(to.x, to.y, false);
  };
  // What the screen shows where a shape that did not come was looked for, and a screenshot of it.
  const auto tellMissing = [&](const char* what, std::initializer_list<POINT> looked, const MouseEventWatch& watch) {
    std::string seen;
    for (const POINT p : looked) {
      const COLORREF c = GetPixel(screen, p.x, p.y);
      char one[40];
      std::snprintf(one, sizeof one, " %ld,%ld #%02x%02x%02x", p.x, p.y, GetRValue(c), GetGValue(c), GetBValue(c));
      seen += one;
    }
    const auto shot = corvix.Folder() / L"markup-missing.jpg";
    SaveScreenshot(shot);
    std::fprintf(stderr,
                 "markup: %s did not show within 10 s; the overlay is %s, the foreground %ls; the screen at%s (all of it: "
                 "%ls); mouse events not sent from here while the shapes were drawn: %d\n",
                 what, Overlay(corvix) ? "open" : "closed", ClassName(GetForegroundWindow()).c_str(), seen.c_str(),
                 shot.c_str(), watch.NotSentHere());
  };
  // The measured rectangle stands alone in a strip below the others.
  const RECT alone{box.left + 100, box.bottom - 110, box.left + 300, box.bottom - 40};
  const auto drawShapes = [&](const MouseEventWatch& watch) {
    constexpr UINT kTools[] = {'R', 'E', 'A', 'L', 'P', 'M', 'B', 'N', 'T'};
    constexpr const char* kNames[] = {"rectangle", "ellipse", "arrow", "line", "pen stroke", "marker stroke", "mosaic", "step", "text"};
    const int cellWidth = (box.right - box.left - 40) / 20, cellHeight = (box.bottom - box.top - 160) / 10;
    char what[96];
    for (int i = 0; i < 200; ++i) {
      const int left = box.left + 20 + i % 20 * cellWidth, top = box.top + 20 + i / 20 * cellHeight;
      const UINT tool = kTools[i % 9];
      std::snprintf(what, sizeof what, "shape %d of 200 (a %s in the cell at %d,%d)", i + 1, kNames[i % 9], left, top);
      SendKeys(0, tool);
      bool shown = false;
      if (tool == 'N') {
        // Its frame's left edge, a little way left of the step on its row.
        const POINT centre{left + cellWidth / 2, top + cellHeight / 2};
        Click(centre.x, centre.y);
        shown = Poll([&] { return FrameEdgeOn(centre.y, centre.x - 40, centre.x - 8); });
        if (!shown) tellMissing(what, {centre, {centre.x - 15, centre.y}}, watch);
      } else if (tool == 'T') {
        // Ended by Esc, the text is chosen: its frame's left edge just left of where it was clicked.
        const POINT at{left + 4, top + 4};
        Click(at.x, at.y);
        SendKeys(0, 'A');
        SendKeys(0, 'B');
        SendKeys(0, VK_ESCAPE);
        shown = Poll([&] { return FrameEdgeOn(at.y + 8, at.x - 8, at.x + 1); });
        if (!shown) tellMissing(what, {at, {at.x - 2, at.y + 8}}, watch);
      } else {
        // Grips on the two points it was drawn between: its corners, or a line's ends.
        const POINT from{left + 4, top + 4}, to{left + cellWidth - 8, top + cellHeight - 8};
        drag(from, to);
        shown = Poll([&] { return GripAt(from) && GripAt(to); });
        if (!shown) tellMissing(what, {from, to}, watch);
      }
      SendKeys(0, tool);  // put down
      if (!shown) return false;
    }
    SendKeys(0, 'R');
    drag({alone.left, alone.top}, {alone.right, alone.bottom});
    SendKeys(0, 'R');
    if (Poll([&] { return GripAt({alone.left, alone.top}) && GripAt({alone.right, alone.bottom}) && red(alone.left + 50, alone.top); }))
      return true;
    tellMissing("the rectangle to be dragged", {{alone.left, alone.top}, {alone.left + 50, alone.top}, {alone.right, alone.bottom}},
                watch);
    return false;
  };
  std::vector<double> drags, withShapes, without;
  int files = 0;
  const auto accept = [&](std::vector<double>& times, const char* which) {
    const auto start = Clock::now();
    SendKeys(0, VK_RETURN);
    const std::wstring name = Numbered(++files, L".bmp");
    if (!save.WaitFor(name)) {
      std::fprintf(stderr, "markup: Enter on the box %s wrote no Save\\%ls within 10 s; the overlay is %s\n", which, name.c_str(),
                   Overlay(corvix) ? "open" : "closed");
      return false;
    }
    times.push_back(Ms(Clock::now() - start));
    if (Poll([&] { return Overlay(corvix) == nullptr; })) return true;
    std::fprintf(stderr, "markup: the overlay stayed open after Enter wrote Save\\%ls\n", name.c_str());
    return false;
  };
  bool ok = true;
  for (int run = 0; ok && run < 5; ++run) {
    ok = open();
    std::optional<MouseEventWatch> watch;
    if (ok) watch.emplace();
    if (ok && !watch->Hooked()) {
      std::fprintf(stderr, "markup: no low-level mouse hook: the X server's reports of the pointer would mix with the drawing\n");
      ok = false;
    }
    ok = ok && drawShapes(*watch);
    const int y = (alone.top + alone.bottom) / 2;
    // Pressed with the watch still on: the pointer's jump there is not reported back among the timed moves.
    if (ok && run == 0) MouseButton(alone.left, y, true);
    watch.reset();
    if (ok && run == 0) {
      // Its left edge taken and moved right 2 pixels at a time: each move, the stroke's new
      // right-most pixels turn red.
      for (int step = 1; ok && step <= kRuns + 1; ++step) {
        const auto start = Clock::now();
        MouseMoveTo(alone.left + 2 * step, y);
        ok = Poll([&] { return red(alone.left + 2 * step + 1, y); }, 3000);
        if (!ok) {
          const COLORREF c = GetPixel(screen, alone.left + 2 * step + 1, y);
          std::fprintf(stderr, "markup: the dragged shape did not come to %ld,%d within 3 s (the screen there is #%02x%02x%02x)\n",
                       alone.left + 2 * step + 1, y, GetRValue(c), GetGValue(c), GetBValue(c));
        }
        if (step > 1) drags.push_back(Ms(Clock::now() - start));
      }
      MouseButton(alone.left + 2 * (kRuns + 1), y, false);
    }
    ok = ok && accept(withShapes, "with the shapes") && open() && accept(without, "without shapes");
  }
  ReleaseDC(nullptr, screen);
  if (!ok) drags.assign(1, -1), withShapes.assign(1, -1), without.assign(1, -1);
  Report("markup_drag_ms", drags);
  Report("markup_accept_ms", withShapes, 5);
  Report("markup_accept_plain_ms", without, 5);
}

void MemoryFigures(const CorvixRun& corvix);

// Start-up, the overlay, idle cost and memory over captures, in one run of the program.
void ProgramFigures(DesktopPicture& desktop) {
  std::vector<double> starts;
  for (int i = 0; i < 5; ++i) {
    CorvixRun corvix(CorvixRun::BinFolder().parent_path() / L"bench-run");
    const auto start = Clock::now();
    if (!corvix.Start()) return;
    starts.push_back(Ms(Clock::now() - start));
  }
  Report("startup_ms", starts, 5);

  CorvixRun corvix(CorvixRun::BinFolder().parent_path() / L"bench-run");
  corvix.WriteOptionIni(L"[Default]\r\nAutoSave=1\r\nExitHint=0\r\nSavedTip=0\r\n");
  if (!corvix.Start()) return;
  Sleep(500);
  Mark(corvix, L"memory_after_start_kb");

  OverlayFigures(corvix, desktop);
  SnappingFigures(corvix, desktop);

  Mark(corvix, L"cpu_idle_start_ms");
  Sleep(30000);
  Mark(corvix, L"cpu_idle_end_ms");
  MemoryFigures(corvix);
  PinFigures(corvix);
}

// Memory after 1 and 20 captures of each kind, and a while after the last of them (the program
// gives a capture's memory back a few seconds after it); a capture that does not come fails the
// readings still to be made, rather than read a program that did less.
void MemoryFigures(const CorvixRun& corvix) {
  const wchar_t* const readings[] = {L"memory_after_1_screen_kb",  L"memory_after_20_screens_kb",
                                     L"memory_idle_after_screens_kb", L"memory_after_1_region_kb",
                                     L"memory_after_20_regions_kb", L"memory_idle_after_regions_kb"};
  constexpr int kReadings = static_cast<int>(std::size(readings));
  FolderWatch save(corvix.Folder() / L"Save");
  for (int i = 1, read = 0; i <= 40; ++i) {
    bool came = false;
    if (i <= 20) {
      SendKeys(MOD_CONTROL, VK_F1);
      came = save.WaitFor(Numbered(i, L".jpg"));
    } else {
      SendKeys(MOD_CONTROL, VK_F3);
      HWND overlay = nullptr;
      if (Poll([&] { return (overlay = Overlay(corvix)) != nullptr; })) {
        corvix.MarkRegion(overlay, {200, 200}, 200, 150);
        came = save.WaitFor(Numbered(i, L".jpg"));
      }
    }
    if (!came) {
      for (; read < kReadings; ++read) std::printf("%ls,failed\n", readings[read]);
      return;
    }
    if (i == 1 || i == 20 || i == 21 || i == 40) Mark(corvix, readings[read++]);
    if (i == 20 || i == 40) {
      Sleep(kIdleReadingMs);
      Mark(corvix, readings[read++]);
    }
  }
}

// A capture into a folder of 10,000 files against the same capture into an empty one.
void CrowdedFolderFigures() {
  Report("jpeg_hotkey_empty_folder_ms", HotKeyToFileAmong(0));
  Report("jpeg_hotkey_10000_files_ms", HotKeyToFileAmong(10000));
}

}  // namespace

// With the argument "crowded", "overlay", "clipboard" or "memory", only those figures (a quick look
// at a row).
int main(int argc, char** argv) {
  DesktopPicture desktop;
  std::printf("desktop,%s\n", desktop.Shown() ? "shown" : "missing");
  // The first seconds of a new Wine desktop and X screen are slower for everyone (the shell is
  // still starting): a floor run first, not reported, so both sides are measured warm.
  ScreenFloor().Run(1);
  if (argc > 1 && std::string_view(argv[1]) == "crowded") {
    CrowdedFolderFigures();
    return 0;
  }
  if (argc > 1 && std::string_view(argv[1]) == "request") {
    RequestFigures();
    return 0;
  }
  if (argc > 1 && std::string_view(argv[1]) == "clipboard") {
    ClipboardFigures();
    return 0;
  }
  if (argc > 1 && std::string_view(argv[1]) == "memory") {
    CorvixRun corvix(CorvixRun::BinFolder().parent_path() / L"bench-run");
    corvix.WriteOptionIni(L"[Default]\r\nAutoSave=1\r\nExitHint=0\r\nSavedTip=0\r\n");
    if (!corvix.Start()) return 1;
    Sleep(500);
    Mark(corvix, L"memory_after_start_kb");
    MemoryFigures(corvix);
    PinFigures(corvix);
    return 0;
  }
  if (argc > 1 && std::string_view(argv[1]) == "markup") {
    MarkupFigures();
    return 0;
  }
  if (argc > 1 && std::string_view(argv[1]) == "overlay") {
    CorvixRun corvix(CorvixRun::BinFolder().parent_path() / L"bench-run");
    corvix.WriteOptionIni(L"[Default]\r\nExitHint=0\r\n");
    if (!corvix.Start()) return 1;
    OverlayFigures(corvix, desktop);
    SnappingFigures(corvix, desktop);
    return 0;
  }
  FileFigures("jpeg_hotkey_ms", "jpeg_floor_ms", L"", L".jpg", 1);
  FileFigures("png_hotkey_ms", "png_floor_ms", L"DefaultImage=2\r\n", L".png", 2);
  FileFigures("bmp_hotkey_ms", "bmp_floor_ms", L"DefaultImage=0\r\n", L".bmp", 0);
  ClipboardFigures();
  RequestFigures();
  CrowdedFolderFigures();
  ProgramFigures(desktop);
  MarkupFigures();
  Report("exe_bytes", static_cast<double>(std::filesystem::file_size(CorvixRun::BinFolder() / L"Corvix.exe")));
  return 0;
}
