// The wait of a delayed capture: a small count of the seconds left beside the cursor. It lets the
// mouse through, never takes the foreground and never shows in the capture; Esc cancels it (a
// hot key of its own while it counts, since the keyboard stays with the window the user works in).
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "toolkit/forms.h"
#include "toolkit/escape_key.h"

class TCountdown : public TForm {
 public:
  // Counts the seconds; `due` runs once the time is up and the count is off the screen,
  // `cancelled` when Esc stopped it. Nothing while it counts already.
  void Start(int seconds, std::function<void()> due, std::function<void()> cancelled = {});
  // Esc: stops the count, nothing is due.
  void Cancel();
  // From the start until the capture that was due has begun (Began): nothing else begins meanwhile.
  bool Counting() const { return deadline_ != 0 || awaited_; }
  void Began() { awaited_ = false; }

 protected:
  const wchar_t* ClassName() const override { return L"TCountdownForm"; }
  std::wstring Caption() const override { return L"延时截屏"; }
  WindowClass Class() const override { return {ClassName(), 0, IDC_ARROW, nullptr}; }
  DWORD Style() const override { return WS_POPUP; }
  DWORD ExStyle() const override {
    return WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE | WS_EX_LAYERED | WS_EX_TRANSPARENT;
  }
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  void Tick();
  void Stop();
  void Paint();
  // Hidden, and where the system cannot keep it out of screen copies, gone from the screen too.
  void HideFromScreen();
  int SecondsLeft() const;

  std::function<void()> due_, cancelled_;
  uint64_t deadline_ = 0;  // GetTickCount64's at the end; 0 while it does not count
  bool awaited_ = false;   // the time is up and its capture not begun
  int shown_ = -1;         // the seconds drawn
  int dpi_ = 96;           // of the monitor the cursor is on
  int side_ = 0;           // the square's side in pixels
  bool excluded_ = false;  // the system keeps it out of screen copies
  std::vector<uint32_t> pixels_;  // as drawn, to tell when the screen no longer shows it
  std::unique_ptr<TEscapeOwner> escape_;
};
