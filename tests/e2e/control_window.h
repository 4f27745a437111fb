// A window of the test driver's own that holds one of the system's scrolling controls, filled with
// 160 numbered lines (some of them wrapped): a multi-line EDIT, a report list view (its item under
// the pointer lit, as web pages and file lists light it, or not) or a rich edit; or a label, which
// does not scroll at all. A system tooltip may stand over it, as an autocomplete list does.
// It runs its own message loop on a thread of its own.
#pragma once

#include <windows.h>

#include <vector>

#include "support/windows.h"

namespace e2e {

enum class ControlKind { Edit, ListView, LitList, RichEdit, Label };

class ControlWindow {
 public:
  ControlWindow(ControlKind kind, RECT place);
  ControlWindow(const ControlWindow&) = delete;
  ControlWindow& operator=(const ControlWindow&) = delete;

  bool Ready() const { return control_ != nullptr; }
  HWND Control() const { return control_; }
  // The control's client area, or the whole control with its scroll bar, in screen coordinates.
  RECT Region(bool withScrollBar) const;
  // How far the document stands scrolled, in pixels, and whether it stands at its end.
  int Offset() const;
  bool AtEnd() const;
  // The rows that scroll, [From, To) of the region; those above and below stay.
  struct Rows {
    int From, To;
  };
  Rows TextRows() const;
  void ScrollToTop() const;
  // A tooltip at this screen point, over the control, or none; once it shows or has gone.
  bool ShowPopup(const POINT* at) const;
  // The region's pixels once two screenshots in a row agree (the control has painted).
  std::vector<uint8_t> StillShot(const RECT& region) const;

 private:
  bool List() const { return kind_ == ControlKind::ListView || kind_ == ControlKind::LitList; }
  ControlKind kind_;
  HWND window_ = nullptr, control_ = nullptr;
  int lineHeight_ = 0;
  testsupport::WindowThread thread_;  // last: the window goes first
};

}  // namespace e2e
