// The markup tool bar: a child of the region overlay by the box, so it is never in a picture. It
// draws itself by cairo at the DPI of the monitor the box stands on, names each button in a tooltip,
// and passes each press on.
#pragma once

#include <functional>
#include <vector>

#include "markup/markup_bar_look.h"
#include "toolkit/forms.h"
#include "toolkit/handles.h"
#include "toolkit/pixel_canvas.h"

class TMarkupBar : public TWinControl {
 public:
  TMarkupBar(HWND overlay, std::function<void(const BarButton&)> pressed);
  ~TMarkupBar() override;
  // Stands by this box (overlay client coordinates), showing this state.
  void Follow(const Rect& box, const BarState& state);
  // The buttons in overlay client coordinates, for whoever needs to find one.
  std::vector<BarButton> Buttons() const;

 protected:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  void LayOut();
  void Paint();
  void Hot(int32_t button);
  int32_t ButtonAt(int x, int y) const;

  HWND overlay_;
  std::function<void(const BarButton&)> pressed_;
  HWND tips_ = nullptr;
  double scale_ = 1;
  std::vector<BarButton> buttons_;
  BarState state_;
  Rect box_;
  TPixelCanvas canvas_;
  bool drawn_ = false;  // the canvas shows the state
};
