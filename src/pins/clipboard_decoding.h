// The clipboard's PNGs decoded for pins off the window's thread, one after another: a large one
// takes seconds, and the tray and the hot keys stay awake meanwhile. Each result comes back at a
// message to the window.
#pragma once

#include <windows.h>

#include <future>
#include <mutex>
#include <utility>
#include <vector>

#include "common/clipboard.h"

class TClipboardDecoding {
 public:
  // Results are announced to `window` with `message`.
  TClipboardDecoding(HWND window, UINT message) : window_(window), message_(message) {}
  // Waits for the decoding still running.
  ~TClipboardDecoding();
  TClipboardDecoding(const TClipboardDecoding&) = delete;
  TClipboardDecoding& operator=(const TClipboardDecoding&) = delete;

  // Queued after those still to decode (each takes up to 256 MB while it is decoded).
  void Start(std::vector<uint8_t> png);
  // At the message, on the window's thread: the pictures decoded since, or why each gave none.
  std::vector<std::pair<UniqueBitmap, ClipboardMiss>> Take();

 private:
  void DecodeQueued();

  HWND window_;
  UINT message_;
  std::future<void> worker_;
  std::mutex lock_;  // over what follows
  std::vector<std::vector<uint8_t>> queued_;
  bool working_ = false;
  std::vector<std::pair<UniqueBitmap, ClipboardMiss>> done_;
};
