// The three capture sources: the whole virtual desktop, the foreground window, and a region the
// user marks on a frozen picture of the desktop. Each holds its screen DC and its picture for the
// whole run; a capture returns the source's own picture (borrowed) or nothing.
#pragma once

#include <windows.h>

#include <memory>

#include "capture/sizer_geometry.h"
#include "capture/snap_bitmap.h"

class TBaseSnap {
 public:
  TBaseSnap();
  virtual ~TBaseSnap();
  TBaseSnap(const TBaseSnap&) = delete;
  TBaseSnap& operator=(const TBaseSnap&) = delete;

  // Copies a screen rectangle into the picture with one block transfer.
  virtual void SnapRect(const Rect& rect);
  // One capture: the picture, valid until this source's next capture or ReleasePicture, or null
  // for nothing.
  virtual HBITMAP Snap() = 0;
  // Gives the picture's memory back, between captures.
  void ReleasePicture() { FBitmap.Release(); }

 protected:
  TSnapBitmap FBitmap;
  HDC FScreenDC = nullptr;
  Rect FRect;
};

class TScreenSnap : public TBaseSnap {
 public:
  TScreenSnap();
  HBITMAP Snap() override;
};

class TCustomSnap : public TScreenSnap {
 public:
  // Freezes the desktop, lets the user mark a region on it; null when the user cancels.
  HBITMAP Snap() override;
};

class TActiveFormSnap : public TBaseSnap {
 public:
  // The foreground window's outer rectangle as the user sees it (without the invisible resize
  // borders the desktop window manager adds); null when there is no foreground window or its
  // rectangle cannot be read or is empty.
  HBITMAP Snap() override;
};

// The bounding rectangle of all monitors, in screen coordinates.
Rect VirtualDesktop();

// Where the whole-desktop sources read the desktop's rectangle, at every capture: VirtualDesktop,
// or a stand-in that plays a change of monitors.
using DesktopRectSource = Rect (*)();
extern DesktopRectSource DesktopRect;

extern std::unique_ptr<TScreenSnap> ScreenSnap;
extern std::unique_ptr<TActiveFormSnap> ActiveFormSnap;
extern std::unique_ptr<TCustomSnap> CustomSnap;

// Start-up makes them in this order; exit frees them in the same order.
void CreateSnaps();
void FreeSnaps();
// Every source's picture memory given back, while no capture runs.
void ReleaseSnapPictures();
