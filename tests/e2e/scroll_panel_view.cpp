#include "scroll_panel_view.h"

namespace e2e {

ScrollPanelView::ScrollPanelView(const CorvixRun& corvix, const RECT& region) {
  constexpr int kGrip = 5;  // from the box's edge to its frame line
  Press(kCtrlF3);
  HWND overlay = corvix.WaitForOverlay();
  if (!overlay || corvix.SizeBox(overlay, {region.left - kGrip, region.top - kGrip}, region.right - region.left + 2 * kGrip,
                                 region.bottom - region.top + 2 * kGrip).right == 0)
    return;
  PressKeys(0, 'S');
  WaitFor([&] { return (panel_ = FindProcessWindow(corvix.Pid(), L"TScrollCaptureForm", L"滚动截图", true)); });
}

std::wstring ScrollPanelView::Label(bool height) const {
  HWND child = FindWindowExW(panel_, nullptr, L"STATIC", nullptr);
  while (child && (WindowText(child).rfind(L"高度：", 0) == 0) != height) child = FindWindowExW(panel_, child, L"STATIC", nullptr);
  return WindowText(child);
}

int ScrollPanelView::Rows() const { return std::wcstol(Label(true).c_str() + 3, nullptr, 10); }

std::wstring ScrollPanelView::Said() const { return Label(false); }

void ScrollPanelView::Click(const wchar_t* caption) const {
  RECT place{};
  GetWindowRect(FindWindowExW(panel_, nullptr, L"BUTTON", caption), &place);
  const int x = (place.left + place.right) / 2, y = (place.top + place.bottom) / 2;
  MouseMoveTo(x, y);
  MouseButton(x, y, true);
  MouseButton(x, y, false);
}

}  // namespace e2e
