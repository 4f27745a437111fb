#include "support/windows.h"

#include <commctrl.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <iterator>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace testsupport {

bool WaitFor(const std::function<bool()>& condition, std::chrono::milliseconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  for (;;) {
    if (condition()) return true;
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(20ms);
  }
}

std::wstring WindowText(HWND window) {
  // WM_GETTEXT itself, which the system carries across processes: GetWindowText would give only
  // the caption the system keeps, empty for a control of another process.
  wchar_t text[1024] = {};
  DWORD_PTR length = 0;
  if (!SendMessageTimeoutW(window, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 2000, &length))
    return L"";
  return std::wstring(text, std::min<size_t>(length, 1023));
}

std::wstring ClassName(HWND window) {
  wchar_t name[256] = {};
  GetClassNameW(window, name, 256);
  return name;
}

std::wstring ClipboardText() {
  std::wstring text;
  if (!OpenClipboard(nullptr)) return L"(held)";
  if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
    if (const auto* at = static_cast<const wchar_t*>(GlobalLock(data))) {
      text = at;
      GlobalUnlock(data);
    }
  }
  CloseClipboard();
  return text;
}

std::vector<uint8_t> ClipboardBytes(UINT format) {
  std::vector<uint8_t> bytes;
  if (!OpenClipboard(nullptr)) return bytes;
  if (HANDLE data = GetClipboardData(format)) {
    if (const auto* at = static_cast<const uint8_t*>(GlobalLock(data))) {
      bytes.assign(at, at + GlobalSize(data));
      GlobalUnlock(data);
    }
  }
  CloseClipboard();
  return bytes;
}

HWND FindProcessWindow(DWORD pid, const std::wstring& className, const std::wstring& caption, bool visibleOnly) {
  const wchar_t* cls = className.empty() ? nullptr : className.c_str();
  const wchar_t* text = caption.empty() ? nullptr : caption.c_str();
  for (HWND window = FindWindowExW(nullptr, nullptr, cls, text); window;
       window = FindWindowExW(nullptr, window, cls, text)) {
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == pid && (!visibleOnly || IsWindowVisible(window))) return window;
  }
  return nullptr;
}

int CountVisibleWindows(const wchar_t* className, DWORD pid) {
  int count = 0;
  for (HWND w = FindWindowExW(nullptr, nullptr, className, nullptr); w; w = FindWindowExW(nullptr, w, className, nullptr)) {
    DWORD owner = 0;
    GetWindowThreadProcessId(w, &owner);
    count += IsWindowVisible(w) && (!pid || owner == pid) ? 1 : 0;
  }
  return count;
}

std::vector<LONG> PlaceIn(HWND window, HWND control) {
  RECT r{};
  GetWindowRect(control, &r);
  MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&r), 2);
  return {r.left, r.top, r.right - r.left, r.bottom - r.top};
}

HWND FindControl(HWND parent, int id) {
  std::pair<int, HWND> wanted{id, nullptr};
  EnumChildWindows(
      parent,
      [](HWND child, LPARAM data) -> BOOL {
        auto* w = reinterpret_cast<std::pair<int, HWND>*>(data);
        if (GetDlgCtrlID(child) != w->first) return TRUE;
        w->second = child;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&wanted));
  return wanted.second;
}

MessageBoxView WaitForMessageBox(DWORD pid, std::chrono::milliseconds limit) {
  MessageBoxView view;
  WaitFor([&] { return (view.Handle = FindProcessWindow(pid, L"#32770", L"", true)) != nullptr; }, limit);
  if (!view.Handle) return view;
  HWND box = view.Handle;
  view.Caption = WindowText(box);
  const auto shown = [box](int id) {
    HWND item = GetDlgItem(box, id);
    return item && IsWindowVisible(item);
  };
  view.Yes = shown(IDYES);
  view.No = shown(IDNO);
  view.Ok = shown(IDOK);
  view.Cancel = shown(IDCANCEL);
  for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    if (ClassName(child) != L"Static") continue;
    if ((GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON)
      view.Icon = view.Icon || SendMessageW(child, STM_GETICON, 0, 0) != 0;
    else if (!WindowText(child).empty())
      view.Text = WindowText(child);
  }
  return view;
}

void Answer(const MessageBoxView& box, int button) {
  PostMessageW(GetDlgItem(box.Handle, button), BM_CLICK, 0, 0);
}

HWND WindowThread::Start(const std::function<HWND()>& make) {
  HANDLE made = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  thread_ = std::thread([&] {
    window_ = make();
    SetEvent(made);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
  });
  WaitForSingleObject(made, 10000);
  CloseHandle(made);
  return window_;
}

WindowThread::~WindowThread() {
  if (!thread_.joinable()) return;
  PostMessageW(window_, WM_CLOSE, 0, 0);
  thread_.join();
}

KeyEventLog::KeyEventLog() {
  thread_ = std::thread([this] {
    threadId_ = GetCurrentThreadId();
    log_ = this;  // the hook is called on this thread
    HHOOK hook = SetWindowsHookExW(WH_KEYBOARD_LL, Watch, GetModuleHandleW(nullptr), 0);
    MSG message;
    PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE);  // the queue exists: the quit can come
    hooked_ = hook != nullptr;
    ready_ = true;
    while (hook && GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
    if (hook) UnhookWindowsHookEx(hook);
  });
  WaitFor([&] { return ready_.load(); });
}

KeyEventLog::~KeyEventLog() {
  PostThreadMessageW(threadId_, WM_QUIT, 0, 0);
  thread_.join();
}

std::vector<KeyEventLog::Event> KeyEventLog::Events() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return events_;
}

int KeyEventLog::Downs(DWORD vk) const {
  std::lock_guard<std::mutex> lock(mutex_);
  return static_cast<int>(std::count_if(events_.begin(), events_.end(), [vk](const Event& e) { return e.vk == vk && !e.up; }));
}

LRESULT CALLBACK KeyEventLog::Watch(int code, WPARAM message, LPARAM data) {
  if (code == HC_ACTION && log_) {
    const auto* key = reinterpret_cast<const KBDLLHOOKSTRUCT*>(data);
    std::lock_guard<std::mutex> lock(log_->mutex_);
    log_->events_.push_back({key->vkCode, message == WM_KEYUP || message == WM_SYSKEYUP, (key->flags & LLKHF_INJECTED) != 0});
  }
  return CallNextHookEx(nullptr, code, message, data);
}

namespace {

bool IsModifier(DWORD vk) {
  switch (vk) {
    case VK_CONTROL: case VK_LCONTROL: case VK_RCONTROL:
    case VK_MENU: case VK_LMENU: case VK_RMENU:
    case VK_SHIFT: case VK_LSHIFT: case VK_RSHIFT:
      return true;
    default:
      return false;
  }
}

}  // namespace

// Under Wine a window that takes the X focus brings the modifier keys in line with what the X
// server holds, which knows nothing of keys sent here: a Ctrl sent down is let up again, and should
// that come between the modifiers going down and the key going down, the system sees the key
// without them. So the press is watched: when a modifier event of the system's own came in there,
// the combination never reached the system as a person's press would, and it is pressed again.
// (Once the key is down the combination has done its work, whatever the system does after.)
namespace {

std::vector<INPUT> KeyEvents(UINT modifiers, UINT key) {
  std::vector<INPUT> inputs;
  const auto add = [&](UINT vk, bool up) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = static_cast<WORD>(vk);
    input.ki.wScan = static_cast<WORD>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    inputs.push_back(input);
  };
  const std::pair<UINT, UINT> held[] = {{MOD_CONTROL, VK_CONTROL}, {MOD_ALT, VK_MENU}, {MOD_SHIFT, VK_SHIFT}};
  for (auto [flag, vk] : held)
    if (modifiers & flag) add(vk, false);
  add(key, false);
  add(key, true);
  for (auto it = std::rbegin(held); it != std::rend(held); ++it)
    if (modifiers & it->first) add(it->second, true);
  return inputs;
}

}  // namespace

void SendKeys(UINT modifiers, UINT key) {
  std::vector<INPUT> inputs = KeyEvents(modifiers, key);
  SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

void PressKeys(UINT modifiers, UINT key, bool release) {
  std::vector<INPUT> inputs = KeyEvents(modifiers, key);
  if (!release) inputs.resize(static_cast<size_t>(std::count_if(inputs.begin(), inputs.end(), [](const INPUT& i) {
                  return !(i.ki.dwFlags & KEYEVENTF_KEYUP);
                })));
  if (modifiers == 0) {
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
    return;
  }
  for (int attempt = 1; attempt <= 3; ++attempt) {
    const KeyEventLog log;
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
    std::vector<KeyEventLog::Event> events;
    const auto injected = [&] {
      events = log.Events();
      return std::count_if(events.begin(), events.end(), [](auto& e) { return e.injected; });
    };
    if (!log.Hooked() || !WaitFor([&] { return injected() >= static_cast<long>(inputs.size()); }, 5s)) {
      ADD_FAILURE() << "PressKeys: the keyboard's events could not be watched";
      return;
    }
    const auto first = std::find_if(events.begin(), events.end(), [](auto& e) { return e.injected; });
    const auto keyDown = std::find_if(first, events.end(), [&](auto& e) { return e.injected && e.vk == key && !e.up; });
    if (std::none_of(first, keyDown, [](auto& e) { return !e.injected && IsModifier(e.vk); })) return;
    std::fprintf(stderr, "PressKeys: the system let a modifier go before the key went down; pressed again\n");
  }
  ADD_FAILURE() << "PressKeys: the system broke the combination apart three times";
}

namespace {

// A mouse event at a point of the primary monitor: the point travels with the event.
INPUT MouseAt(int x, int y, DWORD flags) {
  INPUT input{};
  input.type = INPUT_MOUSE;
  const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
  // The system maps back by truncating (x = dx * width / 65536), so the smallest dx at or past the
  // pixel's left edge lands on the pixel itself.
  input.mi.dx = static_cast<LONG>((x * 65536LL + width - 1) / width);
  input.mi.dy = static_cast<LONG>((y * 65536LL + height - 1) / height);
  input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | flags;
  return input;
}

DWORD ButtonFlag(UINT button, bool down) {
  switch (button) {
    case MK_RBUTTON: return down ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_RIGHTUP;
    case MK_MBUTTON: return down ? MOUSEEVENTF_MIDDLEDOWN : MOUSEEVENTF_MIDDLEUP;
    default: return down ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP;
  }
}

// Wine merges a mouse move into the last one queued for the window's thread even when that thread
// has already taken it and is handling it: the newer point is then lost, and with no move after it
// the window never learns where the pointer stopped. So a move goes after a wheel turn of no
// distance, which no move merges into and which turns nothing.
void SendUnmerged(const INPUT& event) {
  INPUT inputs[2] = {};
  inputs[0].type = INPUT_MOUSE;
  inputs[0].mi.dwFlags = MOUSEEVENTF_WHEEL;
  inputs[1] = event;
  SendInput(2, inputs, sizeof(INPUT));
}

}  // namespace

void MouseMoveTo(int x, int y) { SendUnmerged(MouseAt(x, y, 0)); }

// A press or release carries its own point rather than going where the pointer is: under Wine, the
// pointer also follows moves that the X server reports late (the crossing events of earlier
// warps), which may come between a move and the press after it.
void MouseButton(int x, int y, bool down, UINT button) {
  INPUT input = MouseAt(x, y, ButtonFlag(button, down));
  SendInput(1, &input, sizeof input);
}

void Click(int x, int y, UINT button) {
  INPUT inputs[] = {MouseAt(x, y, ButtonFlag(button, true)), MouseAt(x, y, ButtonFlag(button, false))};
  SendInput(2, inputs, sizeof(INPUT));
}

void Wheel(int clicks, bool control) { WheelBy(clicks * WHEEL_DELTA, control); }

void WheelBy(int delta, bool control) {
  INPUT inputs[3] = {{INPUT_KEYBOARD}, {INPUT_MOUSE}, {INPUT_KEYBOARD}};
  inputs[0].ki.wVk = inputs[2].ki.wVk = VK_CONTROL;
  inputs[2].ki.dwFlags = KEYEVENTF_KEYUP;
  inputs[1].mi.dwFlags = MOUSEEVENTF_WHEEL;
  inputs[1].mi.mouseData = static_cast<DWORD>(delta);
  if (control) SendInput(3, inputs, sizeof(INPUT));
  else SendInput(1, &inputs[1], sizeof(INPUT));
}

COLORREF ScreenPixel(int x, int y) {
  HDC screen = GetDC(nullptr);
  const COLORREF colour = GetPixel(screen, x, y);
  ReleaseDC(nullptr, screen);
  return colour;
}

std::vector<uint8_t> ScreenBgr(const RECT& r) {
  const int width = r.right - r.left, height = r.bottom - r.top;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info{{sizeof(BITMAPINFOHEADER), width, -height, 1, 32}};
  uint8_t* bits = nullptr;
  HBITMAP dib = CreateDIBSection(screen, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits), nullptr, 0);
  HGDIOBJ old = SelectObject(memory, dib);
  BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY);
  GdiFlush();
  std::vector<uint8_t> bgr;
  for (int i = 0; i < width * height; ++i) bgr.insert(bgr.end(), bits + i * 4, bits + i * 4 + 3);
  SelectObject(memory, old);
  DeleteObject(dib);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return bgr;
}

void DoubleClick(int x, int y) {
  Click(x, y);
  Sleep(50);
  Click(x, y);
}

void ClickCentre(HWND window) {
  RECT r;
  GetWindowRect(window, &r);
  Click((r.left + r.right) / 2, (r.top + r.bottom) / 2);
}

bool InMoveSizeLoop(DWORD thread) {
  GUITHREADINFO info{sizeof info};
  return GetGUIThreadInfo(thread, &info) && (info.flags & GUI_INMOVESIZE);
}

bool RunUnix(const std::wstring& commandLine) {
  std::wstring line = L"start.exe /wait /unix " + commandLine;
  STARTUPINFOW startup{sizeof startup};
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
    return false;
  const bool ended = WaitForSingleObject(process.hProcess, 30000) == WAIT_OBJECT_0;
  if (!ended) TerminateProcess(process.hProcess, 1);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return ended;
}

void MoveInMoveSizeLoop(int x, int y, bool release) {
  SendUnmerged(MouseAt(x, y, release ? MOUSEEVENTF_LEFTUP : 0));  // the loop passes over the wheel turn
}

bool DragInMoveSizeLoop(HWND window, POINT from, POINT to, const RECT& expected) {
  const DWORD thread = GetWindowThreadProcessId(window, nullptr);
  MouseButton(from.x, from.y, true);
  const bool started = WaitFor([&] { return InMoveSizeLoop(thread); }, 5s);
  if (started) {
    constexpr int kSteps = 4;
    for (int step = 1; step <= kSteps; ++step)
      MoveInMoveSizeLoop(from.x + (to.x - from.x) * step / kSteps, from.y + (to.y - from.y) * step / kSteps);
  }
  MoveInMoveSizeLoop(to.x, to.y, true);  // also when nothing started: no button stays down
  RECT now{};
  const bool there = started && WaitFor([&] {
    return !InMoveSizeLoop(thread) && GetWindowRect(window, &now) && EqualRect(&now, &expected);
  });
  if (!started)
    std::fprintf(stderr, "drag from %ld,%ld: the system's move or size loop did not start\n", from.x, from.y);
  else if (!there)
    std::fprintf(stderr, "drag from %ld,%ld to %ld,%ld: the window stands at %ld,%ld-%ld,%ld, not %ld,%ld-%ld,%ld%s\n",
                 from.x, from.y, to.x, to.y, now.left, now.top, now.right, now.bottom, expected.left, expected.top,
                 expected.right, expected.bottom, InMoveSizeLoop(thread) ? " (the loop still runs)" : "");
  return there;
}

BalloonView ReadBalloon(HWND tooltip) {
  BalloonView view{tooltip};
  DWORD pid = 0;
  GetWindowThreadProcessId(tooltip, &pid);
  HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
  if (!process) return view;
  constexpr size_t kChars = 1024;
  // One block in the shell's process: the tool record and a text buffer.
  struct Remote {
    TTTOOLINFOW tool;
    wchar_t text[kChars];
  };
  auto* remote = static_cast<Remote*>(VirtualAllocEx(process, nullptr, sizeof(Remote), MEM_COMMIT, PAGE_READWRITE));
  if (remote) {
    Remote local{};
    local.tool.cbSize = sizeof local.tool;
    local.tool.lpszText = remote->text;
    SIZE_T moved = 0;
    WriteProcessMemory(process, remote, &local, sizeof local, &moved);
    DWORD_PTR ignored = 0;
    if (SendMessageTimeoutW(tooltip, TTM_ENUMTOOLSW, 0, reinterpret_cast<LPARAM>(&remote->tool), SMTO_ABORTIFHUNG, 2000,
                            &ignored)) {
      SendMessageTimeoutW(tooltip, TTM_GETTEXTW, kChars, reinterpret_cast<LPARAM>(&remote->tool), SMTO_ABORTIFHUNG,
                          2000, &ignored);
      ReadProcessMemory(process, remote, &local, sizeof local, &moved);
      local.text[kChars - 1] = L'\0';
      view.Text = local.text;
    }
    VirtualFreeEx(process, remote, 0, MEM_RELEASE);
  }
  CloseHandle(process);
  return view;
}

BalloonView WaitForBalloon(const std::function<bool(const BalloonView&)>& wanted, std::chrono::milliseconds limit) {
  BalloonView found;
  WaitFor([&] {
    for (HWND window = FindWindowExW(nullptr, nullptr, L"tooltips_class32", nullptr); window;
         window = FindWindowExW(nullptr, window, L"tooltips_class32", nullptr)) {
      if (!IsWindowVisible(window)) continue;
      BalloonView view = ReadBalloon(window);
      if (wanted(view)) {
        found = view;
        return true;
      }
    }
    return false;
  }, limit);
  return found;
}

int CountTooltipsWithText(const std::wstring& text) {
  int count = 0;
  for (HWND window = FindWindowExW(nullptr, nullptr, L"tooltips_class32", nullptr); window;
       window = FindWindowExW(nullptr, window, L"tooltips_class32", nullptr))
    count += ReadBalloon(window).Text == text;
  return count;
}

bool IsHotKeyTaken(UINT modifiers, UINT key) {
  constexpr int kProbeId = 0xBFFE;
  if (!RegisterHotKey(nullptr, kProbeId, modifiers, key)) return true;
  UnregisterHotKey(nullptr, kProbeId);
  return false;
}

bool ShellHasIcon(HWND notifyWindow) {
  NOTIFYICONDATAW icon{};
  icon.cbSize = NOTIFYICONDATAW_V2_SIZE;
  icon.hWnd = notifyWindow;
  icon.uID = 1;
  return Shell_NotifyIconW(NIM_MODIFY, &icon);
}

}  // namespace testsupport
