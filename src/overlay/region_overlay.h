// The region overlay: the frozen desktop shown full-screen, a selection box placed, sized and moved
// on it, its inside accepted with a double-click or dropped with Esc.
#pragma once

#include <array>
#include <memory>

#include "markup/markup_bar.h"
#include "overlay/readouts.h"
#include "overlay/box_geometry.h"
#include "overlay/snap_targets.h"
#include "overlay/window_list.h"
#include "toolkit/forms.h"
#include "markup/editor.h"
#include "toolkit/handles.h"
#include "toolkit/pixel_canvas.h"

class TSelectionBox;

// How the overlay ended with a picture: as a plain acceptance (the options say where it goes), to
// the clipboard alone, through the Save dialog, or pinned to the screen where it stood.
enum class RegionEnding : uint8_t { Done, Copy, SaveAs, Pin };

class TRegionOverlay : public TForm {
 public:
  // Over the whole virtual desktop, or over the given rectangle of the screen.
  TRegionOverlay();
  explicit TRegionOverlay(const Rect& desktop);
  ~TRegionOverlay() override;

  // Shows the picture (borrowed; its top-left is the virtual desktop's) and runs modally: mrOk
  // once a region is accepted, mrCancel after Esc or a close request.
  // Outlines the windows of the listing under the cursor before the first press; a click takes one.
  void SnapTo(std::unique_ptr<TWindowListing> listing) { FListing = std::move(listing); }
  int ShowFrozen(HBITMAP frozen);
  // Copies what the overlay shows inside the box's frame into SelectedBitmap and ends with mrOk.
  // A box with nothing inside its band is left as it is, for the user to make it bigger.
  void AcceptSelection();
  HBITMAP SelectedBitmap() const { return FSelectedBitmap.get(); }
  const Rect& SelectedRect() const { return FSelectedRect; }
  RegionEnding Ending() const { return FEnding; }
  // The drawing style the overlay starts with, and as the user left it.
  MarkupStyle DrawingStyle;

  // The frozen picture, selected into a memory DC for painting.
  HDC FrozenDc() const { return FFrozenDc.get(); }
  // `flags` as WM_KEYDOWN gives them: a key held down repeats.
  void FormKeyDown(WPARAM key, LPARAM flags);
  // The box's readouts: while it is moved or sized (`proposed` in overlay client coordinates; the
  // magnifier follows a dragged grip), once it stands, and once the system's loop is over.
  void BoxChanging(const Rect& proposed, bool sizing);
  void BoxChanged();
  void BoxLoopEnded();

  // Drawing in the box (overlay client coordinates). A press the editor does not take is the box's.
  bool MarkupPress(POINT at);
  void MarkupDrag(POINT at);
  void MarkupRelease();
  // Edits a text again; elsewhere a tool takes it as a press, and with no tool the box is accepted.
  void BoxDoubleClicked(POINT at);
  void FormChar(wchar_t c);
  bool Typing() const { return FEditor && FEditor->Typing(); }
  bool Drawing() const { return FEditor && FEditor->Tool(); }
  // Puts the input method's window at the caret while a text is typed.
  void PlaceComposition(HWND box);
  // The box's inside: the frozen picture with the shapes on it, as the picture will be. Copies the
  // part inside `place`'s frame into `dc` at the box's coordinates, and draws the chosen shape's
  // grips and the caret over it, within `area` (box coordinates).
  void PaintInside(HDC dc, const Rect& place, const Rect& area);

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
  // The box placed here, with its readouts and the tool bar.
  void FormMouseDown(const Rect& place);
  // A press: on an outlined window it waits to see a click or a drag; elsewhere it places a box.
  void Press(int x, int y);
  void Released();
  void MouseMove(int x, int y);
  void Wheel(int delta);
  // The window under this point outlined, as many levels up as the wheel says.
  void Hover(int x, int y);
  void Outline(const Rect& target);
  // The listing's timer: what it added since is outlined under the cursor.
  void ListingGrew();
  void InvalidateOutline();
  bool MarkupKey(int32_t key, bool control, bool shift);
  void BarPressed(const BarButton& button);
  void ChooseTool(std::optional<ShapeKind> tool);
  // The editor changed: the picture is drawn again, the box and the bar show it.
  void MarkupChanged();
  void FollowBox(const Rect& box);
  // The rectangle the picture is taken from: the box's frame and what lies inside it, on the desktop.
  Rect PictureRect(const Rect& box) const;
  // The frozen picture of that rectangle with the shapes drawn on it, made again only when stale.
  void Compose(const Rect& picture);
  void ComposePart(const Rect& part);
  RectF MarksBounds() const;
  void End(RegionEnding ending);

  Rect FDesktop;
  HBITMAP FFrozen = nullptr;
  UniqueMemoryDc FFrozenDc;
  HGDIOBJ FFrozenDcOld = nullptr;
  UniqueBitmap FSelectedBitmap;
  Rect FSelectedRect;
  std::unique_ptr<TSelectionBox> FBox;
  std::unique_ptr<TSizeLabel> FSizeLabel;
  std::unique_ptr<TMagnifier> FMagnifier;
  // Snapping, before the first press.
  std::unique_ptr<TWindowListing> FListing;
  SnapWindows FWindows;          // what the listing has given so far
  std::vector<int32_t> FChain;   // the windows under the cursor, outermost first
  int32_t FLevelsUp = 0;         // wheel turns towards the whole window
  Rect FOutline;                 // empty when nothing is outlined
  bool FPressing = false;        // a press on an outlined window, not yet a click or a drag
  POINT FPressAt{};
  // Drawing, once there is a box.
  std::optional<MarkupEditor> FEditor;
  std::unique_ptr<TMarkupBar> FBar;
  TPixelCanvas FComposite;
  Rect FComposed;                // what FComposite holds, or empty when it is stale
  ShapeList FShown;              // the shapes drawn in it
  RectF FMarks;                  // where the grips and the caret were drawn over it
  RegionEnding FEnding = RegionEnding::Done;
  bool FCaretMade = false;       // the system caret the input method follows
};

// The selection box: a child of the overlay with eight grips. Sizing and moving are the system's
// own loops; its inside shows the frozen picture under it.
class TSelectionBox : public TWinControl {
 public:
  TSelectionBox(TRegionOverlay& owner, const Rect& place);
  // The box in overlay client coordinates.
  Rect BoundsInOwner() const;

 protected:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  LRESULT WMNCHitTest(LPARAM lParam);
  LRESULT WMSetCursor(WPARAM wParam, LPARAM lParam);
  void WMSize(int width, int height);
  POINT InOwner(LPARAM lParam) const;
  void WMLButtonDown(POINT at);
  void WMMove();
  void WMMovingOrSizing(RECT* proposed, bool sizing);
  void Paint();

  TRegionOverlay& owner_;
  std::array<Rect, 8> FGrips{};
  std::array<int32_t, 8> FHitCodes{};
  Rect FFrameRect;
  bool moved_ = false;  // shows the four-way cursor from the first move on
};

// The live overlay and its box; only one of each exists at a time.
extern TRegionOverlay* RegionOverlay;
extern TSelectionBox* SelectionBox;
