// A hot-key press carried through: the capture of the slots whose keys were pressed, the picture on
// the clipboard and in its file (under an automatic name or the one the Save dialog gives), and the
// errors of both in one box. Owns what a capture keeps between captures, and gives it back.
#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>

#include "capture/capture_sources.h"
#include "command_line/capture_request.h"
#include "common/rect.h"
#include "common/clipboard.h"
#include "common/hotkey_text.h"
#include "common/image_files.h"
#include "toolkit/save_dialog.h"

class TCaptureRun {
 public:
  // `owner` owns the Save dialog and the clipboard's picture, and hears `clipboardMessage` when the
  // clipboard's formats are made (for Clipboard().Rendered()); `saved` hears of each automatic save
  // the options want named.
  TCaptureRun(HWND owner, UINT clipboardMessage, std::function<void(const std::wstring& path)> saved);
  TCaptureRun(const TCaptureRun&) = delete;
  TCaptureRun& operator=(const TCaptureRun&) = delete;

  // True while a press is carried through (its overlay or Save dialog runs the message loop) or its
  // error is shown: other presses are dropped meanwhile, or each would open another error box
  // inside the last. A pin's Save dialog holds no press up.
  bool Running() const { return running_; }
  // Carries the press through; an error is shown in the error box.
  void Run(const HotKeyRec& pressed);
  // A region marked in the overlay, as its hot key takes one; an error is shown in the error box.
  void RunRegion();
  // The region taken last, at once, as Enter took it; nothing when there is none on the screens.
  void RunLastRegion();
  // A capture the command line asked for, carried through as a press is; what became of it is the
  // answer (an error too, which no box shows).
  CaptureAnswer RunRequest(const CaptureRequest& request);
  // The box of the region taken last, when it lies wholly on today's screens.
  static std::optional<Rect> LastRegion();
  // The memory the last capture kept goes back to the system: the pictures, the encoders' buffers,
  // and the clipboard's copy once a worker has made its formats. Not while a press runs.
  void ReleaseMemory();

  // A picture from elsewhere (a pin's): to the clipboard, or through the Save dialog in the default
  // folder, owned by `owner` (above it); an error is shown in the error box. Either works while a
  // capture's dialog or error box is open.
  void Copy(HBITMAP picture);
  void SaveAs(HBITMAP picture, HWND owner);
  // Hears a region pinned to the screen: its picture and where it stood.
  std::function<void(HBITMAP, const Rect&)> OnPin;
  // Hears a region whose text is to be read: its picture (inside the frame line) and where it stood.
  std::function<void(HBITMAP, const Rect&)> OnReadText;

  // What this program last put on the clipboard; its window passes on the clipboard's messages.
  TClipboardPicture& Clipboard() { return clipboard_; }

 private:
  // Runs `capture` as a press: busy meanwhile, its error in the error box.
  void RunGuarded(const std::function<void()>& capture);
  // Raises on failure.
  void CaptureAndSave(const HotKeyRec& pressed);
  // The region capture: the overlay; null when it was cancelled. The region taken is remembered
  // once the capture has run its course, the picture delivered or not.
  HBITMAP TakeRegion();
  void RememberRegion();
  // The picture where the options and the overlay's ending send it.
  // `written`, when given, hears the path of the file written, before any error of the clipboard's.
  void Deliver(HBITMAP picture, TCaptureSource* source, RegionEnding ending, std::optional<TAutoNameSearch>& search,
               std::wstring* written = nullptr);
  static void SearchName(std::optional<TAutoNameSearch>& search);
  // The picture a request asked for, taken; null when there is none (`failure` says why).
  HBITMAP TakeRequested(const CaptureRequest& request, TCaptureSource*& source, RegionEnding& ending,
                        Rect& place, CaptureAnswer& failure);
  // The last region at once; null when there is none on the screens.
  HBITMAP TakeLastRegion();
  // A file written: among the recent pictures.
  void Saved(const std::wstring& path);
  // The path written.
  std::wstring SaveAutomatically(HBITMAP picture, TAutoNameSearch& search);
  // The path written; empty when the dialog was cancelled.
  std::wstring SaveThroughDialog(HBITMAP picture, const std::wstring& folder, HWND owner);

  HWND owner_;
  std::function<void(const std::wstring&)> saved_;
  TClipboardPicture clipboard_;
  TSaveDialog saveDialog_;
  TImageFileWriter files_;
  bool running_ = false;
  std::optional<Rect> takenRegion_;
};
