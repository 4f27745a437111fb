// One Corvix per user session, wherever its copies lie: the first start owns a named mutex until
// its windows, hot keys and icon are gone; a later start asks the running one to show its welcome
// balloon again and ends.
#pragma once

#include <windows.h>

// The message a later start sends to the running program's main form. It answers kWelcomedAgain
// when it has shown its welcome, anything else while it is ending.
UINT ShowWelcomeMessage();
inline constexpr LRESULT kWelcomedAgain = 1;

// Whether a Corvix runs in this session (it holds the mutex), without taking it.
bool CorvixRuns();

class TSingleInstance {
 public:
  TSingleInstance();
  ~TSingleInstance();
  TSingleInstance(const TSingleInstance&) = delete;
  TSingleInstance& operator=(const TSingleInstance&) = delete;

  // Whether this start is the one to run: no other Corvix runs in this session, or the one that
  // ran was ending and has let go.
  bool First() const { return first_; }
  // From a later start: the running program's main form, waited for while it starts too, is asked
  // to welcome the user again. While it is ending instead (it has no form, or says so), this start
  // waits for it to let go, and is then the first. After 30 s of neither, it gives up.
  void WakeFirst();
  // Lets a later start run: called once this one's windows, hot keys and icon are gone.
  void Release();

 private:
  // Waits up to this long for the running one to let go; true once this start holds the mutex.
  bool TakeOver(DWORD waitMs);
  HANDLE mutex_ = nullptr;
  bool first_ = true;
};
