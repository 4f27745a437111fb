// One Corvix per user session, wherever its copies lie: the first start holds a named mutex; a
// later start asks the running one to show its welcome balloon again and ends.
#pragma once

#include <windows.h>

// The message a later start posts to the running program's main form.
UINT ShowWelcomeMessage();

class TSingleInstance {
 public:
  TSingleInstance();
  ~TSingleInstance();
  TSingleInstance(const TSingleInstance&) = delete;
  TSingleInstance& operator=(const TSingleInstance&) = delete;

  // Whether no other Corvix runs in this session.
  bool First() const { return first_; }
  // From a later start: the running program's main form, waited for a little while it starts too,
  // is asked to welcome the user again.
  void WakeFirst() const;

 private:
  HANDLE mutex_ = nullptr;
  bool first_ = true;
};
