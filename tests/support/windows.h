// Test helpers that look at windows as a person would: by class, caption and text, in this or
// another process. Every wait is bounded.
#pragma once

#include <windows.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace testsupport {

using namespace std::chrono_literals;

// Polls a condition until it holds or the time is up; true when it held.
bool WaitFor(const std::function<bool()>& condition, std::chrono::milliseconds limit = 10s);

std::wstring WindowText(HWND window);
std::wstring ClassName(HWND window);
// The clipboard's Unicode text; "(held)" while another program holds the clipboard.
std::wstring ClipboardText();
// The clipboard's data in a format, copied out; empty when it holds none.
std::vector<uint8_t> ClipboardBytes(UINT format);

// How many visible top-level windows of a class there are, in any process or in one.
int CountVisibleWindows(const wchar_t* className, DWORD pid = 0);

// A control of a window by its identifier, at any depth (dialogs keep controls on panels).
HWND FindControl(HWND parent, int id);
// A control's place in a window's client area: left, top, width, height.
std::vector<LONG> PlaceIn(HWND window, HWND control);

// A top-level window of the process with this class and caption (empty: any); visible ones only
// when asked.
HWND FindProcessWindow(DWORD pid, const std::wstring& className, const std::wstring& caption,
                       bool visibleOnly = false);

// What a message box shows.
struct MessageBoxView {
  HWND Handle = nullptr;
  std::wstring Caption, Text;
  bool Yes = false, No = false, Ok = false, Cancel = false;  // visible buttons
  bool Icon = false;
};

// Waits (bounded) for a visible message box of the process and reads it; Handle is null when
// none came.
MessageBoxView WaitForMessageBox(DWORD pid, std::chrono::milliseconds limit = 10s);

// Presses one of its buttons (IDYES, IDNO, IDOK, ...).
void Answer(const MessageBoxView& box, int button);

// A window of the test driver's own, made and served on a thread of its own while the test waits
// for conditions on its thread: Start runs `make` there and returns the window once it is made;
// its procedure ends the loop (PostQuitMessage) when it is destroyed. The window is closed and
// the thread joined at destruction.
class WindowThread {
 public:
  WindowThread() = default;
  ~WindowThread();
  WindowThread(const WindowThread&) = delete;
  WindowThread& operator=(const WindowThread&) = delete;
  HWND Start(const std::function<HWND()>& make);

 private:
  HWND window_ = nullptr;
  std::thread thread_;
};

// The key events the system takes in, in order, as a low-level keyboard hook on a thread of its
// own sees them (auto-repeats included), from construction on. Several may watch at once.
class KeyEventLog {
 public:
  struct Event {
    DWORD vk;
    bool up, injected;
  };
  KeyEventLog();
  ~KeyEventLog();
  KeyEventLog(const KeyEventLog&) = delete;
  KeyEventLog& operator=(const KeyEventLog&) = delete;
  bool Hooked() const { return hooked_; }
  std::vector<Event> Events() const;
  // How many times this key went down.
  int Downs(DWORD vk) const;

 private:
  static LRESULT CALLBACK Watch(int code, WPARAM message, LPARAM data);
  static inline thread_local KeyEventLog* log_ = nullptr;  // the log whose thread the hook runs on
  std::thread thread_;
  DWORD threadId_ = 0;
  std::atomic<bool> ready_ = false, hooked_ = false;
  mutable std::mutex mutex_;
  std::vector<Event> events_;
};

// Presses and releases a key with modifiers (MOD_CONTROL, MOD_ALT, MOD_SHIFT) held, through
// SendInput, as a person at the keyboard would, and makes sure the system took the combination
// whole (see windows.cpp); what cannot be made sure fails the running test. Without `release` the
// keys stay down.
void PressKeys(UINT modifiers, UINT key, bool release = true);
// The same key events sent once and not watched: for the benchmarks, where watching the keyboard
// would add its own delay to every press.
void SendKeys(UINT modifiers, UINT key);

// The mouse, through SendInput, in screen coordinates of the primary monitor. A move is never lost
// in a move before it (see windows.cpp).
void MouseMoveTo(int x, int y);
void MouseButton(int x, int y, bool down, UINT button = MK_LBUTTON);
void Click(int x, int y, UINT button = MK_LBUTTON);
void DoubleClick(int x, int y);
// A click at the centre of a window.
void ClickCentre(HWND window);
// Wheel clicks away from the user (negative: towards), Ctrl held when asked.
void Wheel(int clicks, bool control = false);
// A turn of `delta` (a click is WHEEL_DELTA), as a touchpad sends parts of a click.
void WheelBy(int delta, bool control = false);

// The screen's colour at a point, and its blue, green and red in a rectangle, row after row.
COLORREF ScreenPixel(int x, int y);
std::vector<uint8_t> ScreenBgr(const RECT& r);

// Runs a program of the X side (xset, xdotool) through Wine's start and waits (bounded) for it to
// end; false when it could not be started or did not end.
bool RunUnix(const std::wstring& commandLine);

// Whether the thread runs the system's move or size loop (a window being dragged by a grip or its
// caption).
bool InMoveSizeLoop(DWORD thread);
// A mouse move (and the left button's release, when asked) that a running move or size loop takes
// in order.
void MoveInMoveSizeLoop(int x, int y, bool release = false);
// A drag by a window's grip or its inside, which the system's move or size loop of the window's
// thread carries out: press at `from`, wait until the loop runs, move there in steps, release.
// Returns once the loop has ended and the window stands at `expected` (screen coordinates); false
// when the loop did not start or the window did not get there in time (the button is released
// either way). Where the system draws only a frame while dragging (Wine's default for a child
// window), the window moves once the loop has ended, which is why the place is waited for.
bool DragInMoveSizeLoop(HWND window, POINT from, POINT to, const RECT& expected);

// A balloon as the shell shows it: a tooltip window of the shell's process. Its text is read
// through that process's own memory, since a tooltip's text does not travel in WM_GETTEXT. (Wine's
// tooltip does not give its title back, so the title is checked by eye on a screenshot.)
struct BalloonView {
  HWND Handle = nullptr;
  std::wstring Text;
};
BalloonView ReadBalloon(HWND tooltip);
// Waits (bounded) for a visible balloon whose text satisfies the condition.
BalloonView WaitForBalloon(const std::function<bool(const BalloonView&)>& wanted, std::chrono::milliseconds limit = 10s);

// How many tooltip windows, shown or not, carry exactly this text: the shell keeps one per icon
// with the icon's tip.
int CountTooltipsWithText(const std::wstring& text);

// True when another program holds this global hot key: our own RegisterHotKey for it fails.
bool IsHotKeyTaken(UINT modifiers, UINT key);

// Whether the shell shows icon 1 of this window, asked without changing it. The window may be
// gone: the shell keeps an icon until it is taken away.
bool ShellHasIcon(HWND notifyWindow);

}  // namespace testsupport
