// A hot key of a window held while the object lives (Enter or Esc while a capture or a reading
// runs, say); none is held when another program has the key.
#pragma once

#include <windows.h>

class TScopedHotKey {
 public:
  TScopedHotKey(HWND window, int id, UINT key) : window_(window), id_(id), held_(RegisterHotKey(window, id, MOD_NOREPEAT, key)) {}
  ~TScopedHotKey() {
    if (held_) UnregisterHotKey(window_, id_);
  }
  TScopedHotKey(const TScopedHotKey&) = delete;
  TScopedHotKey& operator=(const TScopedHotKey&) = delete;

 private:
  HWND window_;
  int id_;
  bool held_;
};
