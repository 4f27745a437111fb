// Esc held by one part at a time and handed back in order; a count busy until its capture begins.
#include "toolkit/escape_key.h"

#include <gtest/gtest.h>

#include "capture/countdown.h"
#include "support/windows.h"
#include "toolkit/forms.h"

namespace {

HWND MessageWindow() { return CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr); }

// Whether any window holds Esc as a hot key: then it cannot be held again.
bool EscapeHeld() {
  HWND probe = MessageWindow();
  const bool free = RegisterHotKey(probe, 99, MOD_NOREPEAT, VK_ESCAPE);
  if (free) UnregisterHotKey(probe, 99);
  DestroyWindow(probe);
  return !free;
}

TEST(EscapeKey, OneOwnerAtATimeAndEachGetsItBackInTurn) {
  HWND count = MessageWindow(), reading = MessageWindow();
  {
    TEscapeOwner waiting(reading, 1, TEscapeOwner::Place::Behind);  // a reading waits
    EXPECT_TRUE(waiting.Holds() && EscapeHeld());
    {
      TEscapeOwner counting(count, 2);  // a delay starts: Esc cancels the count
      EXPECT_TRUE(counting.Holds() && !waiting.Holds());
      testsupport::PressKeys(0, VK_ESCAPE);
      MSG hot{};
      EXPECT_TRUE(testsupport::WaitFor([&] { return PeekMessageW(&hot, count, WM_HOTKEY, WM_HOTKEY, PM_REMOVE) && hot.wParam == 2; }));
      {
        TEscapeOwner keyboard(nullptr, 0);  // the overlay opens: Esc goes to the window with the keyboard
        TEscapeOwner late(reading, 3, TEscapeOwner::Place::Behind);  // a reading's wait shown meanwhile
        EXPECT_TRUE(keyboard.Holds() && !late.Holds());
        EXPECT_FALSE(EscapeHeld()) << "a reading took Esc from the overlay";
      }
      EXPECT_TRUE(counting.Holds() && EscapeHeld()) << "the count did not get Esc back";
    }
    EXPECT_TRUE(waiting.Holds() && EscapeHeld()) << "the reading did not get Esc back";
  }
  EXPECT_FALSE(EscapeHeld());
  DestroyWindow(count);
  DestroyWindow(reading);
}

TEST(EscapeKey, ADelaysCountStaysBusyUntilItsCaptureHasBegun) {
  TCountdown countdown;
  countdown.Create();
  bool due = false;
  countdown.Start(1, [&] { due = true; });
  ASSERT_TRUE(testsupport::WaitFor([&] {
    Application.ProcessMessages();
    return due;
  }));
  EXPECT_TRUE(countdown.Counting()) << "a hot key pressed now would run before the capture that was due";
  countdown.Began();
  EXPECT_FALSE(countdown.Counting());
  countdown.Destroy();
}

}  // namespace
