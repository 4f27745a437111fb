// Child controls of the dialogs: standard Windows controls made from a layout given in pixels at
// 96 DPI (scaled to the screen), and panels that paint themselves flat in their own colour.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "toolkit/forms.h"
#include "toolkit/handles.h"

// The system's DPI, as the program started.
int SystemDpi();
// The DPI of a window's monitor as the system reports it to a program aware of each monitor's DPI;
// the system's DPI where it cannot tell.
int WindowDpi(HWND window);

// The DPI of the monitor showing a screen point, as a program aware of each monitor's DPI sees it;
// the system's DPI where it cannot tell.
int MonitorDpi(POINT point);

// The DPI controls are laid out and fonts made for on this thread: the innermost DpiScope's, or
// the system's.
int UiDpi();
class DpiScope {
 public:
  explicit DpiScope(int dpi);
  ~DpiScope();
  DpiScope(const DpiScope&) = delete;
  DpiScope& operator=(const DpiScope&) = delete;

 private:
  int outer_;
};

// Whether the system keeps a window marked WDA_EXCLUDEFROMCAPTURE out of screen copies.
bool SystemExcludesFromCapture();

// Pixels at 96 DPI to pixels at UiDpi.
int Scale(int pixels);

// The dialogs' font, 宋体, this many pixels high at 96 DPI.
UniqueFont SongTiFont(int pixels, int weight = FW_NORMAL);

// A standard control (class "BUTTON", "EDIT", ...) at a place in its parent, with an identifier.
HWND CreateControl(HWND parent, const wchar_t* className, const std::wstring& text, DWORD style, int left, int top,
                   int width, int height, int id = 0, DWORD exStyle = 0);

// Shows a bitmap in a picture control (SS_BITMAP); `shown` keeps it alive while it is shown. A
// control that made its own copy (of a 32-bit picture with alpha) hands that copy back at the next
// change, which frees it. A null bitmap takes the picture away.
void SetStaticBitmap(HWND control, UniqueBitmap bitmap, UniqueBitmap& shown);

// A panel: its colour, bevels, and a caption at x = 2, centred vertically. It passes its children's
// notifications (commands, colours) on to the form it is on.
class TPanel : public TWinControl {
 public:
  enum Bevel { None, Framed };  // framed: outer lowered, inner raised
  TPanel(HWND parent, int left, int top, int width, int height, COLORREF colour, Bevel bevel);
  COLORREF Colour() const { return colour_; }
  HBRUSH Brush() const { return brush_.get(); }
  std::wstring Caption;
  COLORREF TextColour = GetSysColor(COLOR_WINDOWTEXT);  // of the labels on it
  // Group boxes drawn on the panel itself (a group box control would paint the face colour over
  // it): an etched frame with its caption, at a place in pixels at 96 DPI.
  struct Group {
    RECT Place;
    std::wstring Caption;
  };
  std::vector<Group> Groups;
  // The client area inside the bevels.
  RECT Inside() const;

 protected:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  void PanelPainterPaint();
  int dpi_ = UiDpi();  // the one it was made for, which its groups are drawn at
  COLORREF colour_;
  UniqueBrush brush_;
  Bevel bevel_;
};
