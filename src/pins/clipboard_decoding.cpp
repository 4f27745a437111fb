#include "pins/clipboard_decoding.h"

#include <system_error>

TClipboardDecoding::~TClipboardDecoding() {
  if (worker_.valid()) worker_.wait();
}

void TClipboardDecoding::Start(std::vector<uint8_t> png) {
  {
    const std::lock_guard<std::mutex> hold(lock_);
    queued_.push_back(std::move(png));
    if (working_) return;  // the worker takes it next
    working_ = true;
  }
  if (worker_.valid()) worker_.wait();  // it has ended, or is ending
  try {
    worker_ = std::async(std::launch::async, [this] { DecodeQueued(); });
  } catch (const std::system_error&) {
    DecodeQueued();  // no thread to be had: decoded here, as it must be pinned
  }
}

void TClipboardDecoding::DecodeQueued() {
  for (;;) {
    std::vector<uint8_t> png;
    {
      const std::lock_guard<std::mutex> hold(lock_);
      if (queued_.empty()) {
        working_ = false;
        return;
      }
      png = std::move(queued_.front());
      queued_.erase(queued_.begin());
    }
    ClipboardMiss miss = ClipboardMiss::None;
    UniqueBitmap picture = DecodeClipboardPng(png, miss);
    {
      const std::lock_guard<std::mutex> hold(lock_);
      done_.emplace_back(std::move(picture), miss);
    }
    PostMessageW(window_, message_, 0, 0);
  }
}

std::vector<std::pair<UniqueBitmap, ClipboardMiss>> TClipboardDecoding::Take() {
  const std::lock_guard<std::mutex> hold(lock_);
  return std::exchange(done_, {});
}
