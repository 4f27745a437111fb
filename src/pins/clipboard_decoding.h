// The clipboard's PNGs decoded for pins off the window's thread: a large one takes seconds, and the
// tray and the hot keys stay awake meanwhile. Each result comes back at a message to the window.
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
  // Waits for the decodings still running.
  ~TClipboardDecoding();
  TClipboardDecoding(const TClipboardDecoding&) = delete;
  TClipboardDecoding& operator=(const TClipboardDecoding&) = delete;

  void Start(std::vector<uint8_t> png);
  // At the message, on the window's thread: the pictures decoded since, or why each gave none.
  std::vector<std::pair<UniqueBitmap, ClipboardMiss>> Take();

 private:
  HWND window_;
  UINT message_;
  std::vector<std::future<void>> running_;
  std::mutex lock_;
  std::vector<std::pair<UniqueBitmap, ClipboardMiss>> done_;
};
