// The small panel beside a region being scrolled through: the long picture growing (scaled down),
// its height, a word when a read could not be placed, and the buttons 自动滚动, 完成 and 取消. It
// never takes the foreground or the keyboard: the window being scrolled keeps both, and a click on
// a button does not move the focus.
#pragma once

#include <windows.h>

#include <functional>
#include <vector>

#include "common/rect.h"
#include "scrolling/long_picture.h"
#include "toolkit/forms.h"
#include "toolkit/handles.h"

enum class PanelCommand : uint8_t { AutoScroll, Done, Cancel };

class TScrollPanel : public TForm {
 public:
  // Beside `region` (screen coordinates), on its monitor, at that monitor's DPI.
  TScrollPanel(const Rect& region, std::function<void(PanelCommand)> command);

  // Shown without taking the foreground; false when it stands on the region and the system cannot
  // keep it out of the region's reads.
  bool ShowInactive();
  void ShowPicture(const TLongPicture& picture);
  // A word under the picture; empty clears it.
  void Say(const wchar_t* text);
  void ShowAutoScrolling(bool on);
  // The modal loop offers the panel its messages first: a click on a button is the panel's, so
  // the button never takes the focus.
  bool TakesClick(const MSG& message);

 protected:
  const wchar_t* ClassName() const override { return L"TScrollCaptureForm"; }
  std::wstring Caption() const override { return L"滚动截图"; }
  DWORD Style() const override { return WS_POPUP | WS_BORDER | WS_CLIPCHILDREN; }
  DWORD ExStyle() const override { return WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE; }
  FormBounds Bounds() const override { return bounds_; }
  void Loaded() override;
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  void PaintPreview(HDC dc);
  void Command(int id);

  std::function<void(PanelCommand)> command_;
  int dpi_;
  FormBounds bounds_;
  bool inside_ = false;  // no room beside the region: it stands on it
  UniqueFont font_;
  HWND heightLabel_ = nullptr, statusLabel_ = nullptr;
  HWND buttons_[3] = {};
  HWND pressed_ = nullptr;  // the button the mouse went down on
  RECT previewPlace_{};
  std::vector<uint32_t> preview_;
};

