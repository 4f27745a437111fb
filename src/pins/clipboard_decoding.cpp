#include "pins/clipboard_decoding.h"

#include <algorithm>
#include <chrono>

TClipboardDecoding::~TClipboardDecoding() {
  for (auto& decoding : running_) decoding.wait();
}

void TClipboardDecoding::Start(std::vector<uint8_t> png) {
  // Those that ended are let go.
  std::erase_if(running_, [](const std::future<void>& decoding) {
    return decoding.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
  });
  running_.push_back(std::async(std::launch::async, [this, png = std::move(png)] {
    ClipboardMiss miss = ClipboardMiss::None;
    UniqueBitmap picture = DecodeClipboardPng(png, miss);
    {
      const std::lock_guard<std::mutex> hold(lock_);
      done_.emplace_back(std::move(picture), miss);
    }
    PostMessageW(window_, message_, 0, 0);
  }));
}

std::vector<std::pair<UniqueBitmap, ClipboardMiss>> TClipboardDecoding::Take() {
  const std::lock_guard<std::mutex> hold(lock_);
  return std::exchange(done_, {});
}
