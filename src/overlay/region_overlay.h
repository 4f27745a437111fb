// The region overlay: the frozen desktop shown full-screen, where the user marks a region, draws on
// it and takes it. It coordinates the rooms of its folder and routes their messages:
// - frozen_picture: the desktop as it stood at the key press;
// - window_snapper: before the first press, the window under the cursor outlined, a click takes it;
// - selection_box (box_geometry): the box, placed, moved, sized, moved by the arrow keys;
// - readouts (readouts_geometry): the size label and the magnifier with its colour picker;
// - markup_tools, markup_view: drawing in the box, and what the box shows of it.
// It ends with a picture (accepted as the box shows it, with its frame line) or without one.
#pragma once

#include <memory>
#include <optional>
#include <vector>

#include "overlay/frozen_picture.h"
#include "overlay/markup_tools.h"
#include "overlay/markup_view.h"
#include "overlay/readouts.h"
#include "overlay/selection_box.h"
#include "overlay/window_snapper.h"
#include "history/region_history.h"
#include "toolkit/forms.h"
#include "toolkit/handles.h"

// How the overlay ended with a picture: as a plain acceptance (the options say where it goes), to
// the clipboard alone, through the Save dialog, or pinned to the screen where it stood. Or with a
// region to scroll through (SelectedRect, the pixels a picture of the box holds; no picture yet), or with the
// picture inside the frame line, whose text is to be read.
enum class RegionEnding : uint8_t { Done, Copy, SaveAs, Pin, Scroll, ReadText };

class TRegionOverlay : public TForm, private TBoxOwner {
 public:
  // Over the whole virtual desktop, or over the given rectangle of the screen.
  TRegionOverlay();
  explicit TRegionOverlay(const Rect& desktop);

  // Outlines the windows of the listing under the cursor before the first press; a click takes one.
  void SnapTo(std::unique_ptr<TWindowListing> listing) { snapper_.SnapTo(std::move(listing)); }
  // The boxes of the regions taken last, newest first, in screen coordinates: before a box is
  // placed, `,` brings back the one before and `.` the one after, while the box brought back is
  // untouched.
  void RecallFrom(std::vector<Rect> boxes) { walk_ = TRegionWalk(std::move(boxes)); }
  // Shows the picture (borrowed; its top-left is the virtual desktop's) and runs modally: mrOk
  // once a region is accepted, mrCancel after Esc or a close request.
  int ShowFrozen(HBITMAP frozen);
  HBITMAP SelectedBitmap() const { return selectedBitmap_.get(); }
  const Rect& SelectedRect() const { return selectedRect_; }
  // The box as it stood when the region was taken, in screen coordinates.
  const Rect& TakenBox() const { return takenBox_; }
  RegionEnding Ending() const { return ending_; }
  // The box, once there is one.
  const TSelectionBox* Box() const { return box_.get(); }
  // The drawing style the overlay starts with, and as the user left it.
  MarkupStyle DrawingStyle;
  // No running Corvix to pin or read for: 钉在屏幕 and 识别文字 greyed, their keys only beep.
  bool Alone = false;

 protected:
  const wchar_t* ClassName() const override { return L"TCustomSnapForm"; }
  std::wstring Caption() const override { return L"CustomSnapForm"; }
  WindowClass Class() const override { return {ClassName(), 0, IDC_CROSS, nullptr}; }
  DWORD Style() const override { return WS_POPUP | WS_CLIPCHILDREN; }
  DWORD ExStyle() const override { return WS_EX_TOPMOST | WS_EX_TOOLWINDOW; }
  FormBounds Bounds() const override;

  void FormDestroy() override;
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  void FormPaint();
  // Before the box: the mouse on the frozen picture.
  // `button` is the press's message (WM_LBUTTONDOWN...); `upFor` the press a release ends.
  void MousePressed(int x, int y, UINT button);
  void MouseReleased(int x, int y, UINT upFor);
  void MouseCaptureLost();
  void MouseMoved(int x, int y);
  void WindowOutlined(const Rect& outline);
  // The box placed here, with the drawing tools and the readouts.
  void PlaceBox(const Rect& place);
  // `flags` as WM_KEYDOWN gives them: a key held down repeats.
  void FormKeyDown(WPARAM key, LPARAM flags);
  void RunCommand(BarCommand command, int32_t index);
  // The drawing changed: the box paints what changed, the bar and the size label follow.
  void MarkupChanged();
  void FollowBox(const Rect& box);
  // Takes what the box shows inside its frame line into SelectedBitmap and ends with mrOk. A box with
  // nothing inside its band is left as it is, for the user to make it bigger.
  void AcceptSelection();
  void End(RegionEnding ending);
  Rect ToScreen(const Rect& client) const;
  // Ends with the region inside the box's frame line, to be read while it scrolls.
  void StartScrolling();

  // The box's events.
  // `,` (back) or `.`: the box of a region taken before.
  void Recall(bool back);

  void BoxChanging(const Rect& proposed, bool sizing) override;
  void BoxChanged() override;
  void BoxLoopEnded() override;
  bool BoxPressed(POINT at) override;
  void BoxDragged(POINT at) override;
  void BoxReleased() override;
  bool BoxDoubleClicked(POINT at) override;
  void BoxKeyDown(WPARAM key, LPARAM flags) override { FormKeyDown(key, flags); }
  void BoxChar(wchar_t c) override;
  void BoxComposing() override;
  void PaintBoxInside(HDC dc, const Rect& place, const Rect& area) override;
  bool ToolChosen() const override { return tools_ && tools_->ToolChosen(); }
  bool Typing() const override { return tools_ && tools_->Typing(); }

  Rect desktop_;
  TFrozenPicture frozen_;
  TWindowSnapper snapper_;
  std::unique_ptr<TSizeLabel> sizeLabel_;
  std::unique_ptr<TMagnifier> magnifier_;
  // With the box: whenever there is one, there are tools and a view (FormDestroy lets them go
  // first, and only the box's own callbacks may come after).
  std::unique_ptr<TMarkupTools> tools_;
  std::unique_ptr<TMarkupView> view_;
  std::unique_ptr<TSelectionBox> box_;
  UniqueBitmap selectedBitmap_;
  Rect selectedRect_, takenBox_;
  TRegionWalk walk_{{}};
  std::optional<Rect> recalled_;  // the box brought back, in client coordinates, until it is touched
  RegionEnding ending_ = RegionEnding::Done;
};

// The live overlay; only one exists at a time.
extern TRegionOverlay* RegionOverlay;
