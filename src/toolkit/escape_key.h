// Esc, which several parts of the program take while they run (a delay's count, a long picture's
// panel, a reading that waits), held by one of them at a time and handed over explicitly: the one
// that came last in front holds it, and gives it back to the one it took it from as it ends. A
// part that waits in the background (a reading) takes it only while nobody else holds it, and a
// capture whose own window has the keyboard (the region overlay) holds it for that window: then no
// hot key is held, and Esc goes where the keyboard is. On the program's one window thread.
#pragma once

#include <windows.h>

class TEscapeOwner {
 public:
  enum class Place { Front, Behind };
  // Esc comes to `window` as the hot key `id` while this owner holds it; a null window holds it
  // for the window that has the keyboard.
  TEscapeOwner(HWND window, int id, Place place = Place::Front);
  ~TEscapeOwner();
  TEscapeOwner(const TEscapeOwner&) = delete;
  TEscapeOwner& operator=(const TEscapeOwner&) = delete;

  // Whether Esc comes to this owner now.
  bool Holds() const;

 private:
  HWND window_;
  int id_;
};
