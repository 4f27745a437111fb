#include "support/windows.h"

#include <commctrl.h>

#include <algorithm>
#include <iterator>
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

void PressKeys(UINT modifiers, UINT key) {
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
  SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

void MouseMoveTo(int x, int y) {
  INPUT input{};
  input.type = INPUT_MOUSE;
  const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
  input.mi.dx = static_cast<LONG>((x * 65536LL + width / 2) / width);
  input.mi.dy = static_cast<LONG>((y * 65536LL + height / 2) / height);
  input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
  SendInput(1, &input, sizeof input);
}

void MouseButton(int x, int y, bool down, UINT button) {
  MouseMoveTo(x, y);
  INPUT input{};
  input.type = INPUT_MOUSE;
  switch (button) {
    case MK_RBUTTON: input.mi.dwFlags = down ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_RIGHTUP; break;
    case MK_MBUTTON: input.mi.dwFlags = down ? MOUSEEVENTF_MIDDLEDOWN : MOUSEEVENTF_MIDDLEUP; break;
    default: input.mi.dwFlags = down ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP; break;
  }
  SendInput(1, &input, sizeof input);
}

void Click(int x, int y, UINT button) {
  MouseButton(x, y, true, button);
  MouseButton(x, y, false, button);
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

void Drag(int fromX, int fromY, int toX, int toY) {
  MouseButton(fromX, fromY, true);
  Sleep(100);
  constexpr int kSteps = 10;
  for (int step = 1; step <= kSteps; ++step) {
    MouseMoveTo(fromX + (toX - fromX) * step / kSteps, fromY + (toY - fromY) * step / kSteps);
    Sleep(20);
  }
  Sleep(100);
  MouseButton(toX, toY, false);
  Sleep(100);
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

}  // namespace testsupport
