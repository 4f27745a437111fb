// The long picture's panel as a person meets it: a box marked just round a screen rectangle and S
// pressed, then the panel's words read and its buttons clicked.
#pragma once

#include <string>

#include "corvix_run.h"

namespace e2e {

class ScrollPanelView {
 public:
  // Marks `region` (its frame line on the region's outermost pixels) on the open overlay and presses
  // S; Panel() is null when the panel did not come.
  ScrollPanelView(const CorvixRun& corvix, const RECT& region);
  HWND Panel() const { return panel_; }
  // The picture's height in rows, and what the panel says under it.
  int Rows() const;
  std::wstring Said() const;
  void Click(const wchar_t* caption) const;

 private:
  std::wstring Label(bool height) const;
  HWND panel_ = nullptr;
};

}  // namespace e2e
