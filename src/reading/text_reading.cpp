#include "reading/text_reading.h"

#include <algorithm>
#include <span>
#include <vector>

#include "app/resource.h"
#include "common/bitmap_pixels.h"
#include "common/clipboard.h"
#include "toolkit/error.h"

namespace {

constexpr UINT kReadDone = WM_APP + 1;   // results wait in the queue
constexpr UINT kFreeClosed = WM_APP + 2;
constexpr UINT_PTR kWaitingTimer = 1;
// A reading that takes longer than this shows that it runs.
constexpr UINT kWaitingAfterMs = 330;
// The engine and its model go once no reading came for this long.
constexpr auto kEngineIdle = std::chrono::seconds(30);
constexpr int kEscapeHotKey = 1;

std::span<const uint8_t> TextModel() {
  HRSRC found = FindResourceW(nullptr, MAKEINTRESOURCEW(IDR_TEXT_MODEL), MAKEINTRESOURCEW(10) /* RT_RCDATA */);
  HGLOBAL loaded = found ? LoadResource(nullptr, found) : nullptr;
  const void* bytes = loaded ? LockResource(loaded) : nullptr;
  if (!bytes) return {};
  return {static_cast<const uint8_t*>(bytes), SizeofResource(nullptr, found)};
}

// The picture's pixels as the reader takes them: 32-bit, top-down, rows packed. Read as a file's
// are (a pin's picture stays selected into its DC, which GetDIBits may not read).
std::vector<uint8_t> TopDownPixels(HBITMAP picture, int32_t& width, int32_t& height) {
  std::vector<uint8_t> copy;
  const PixelView view = BitmapPixels(picture, copy);
  width = view.Width;
  height = view.Height;
  const int bytes = view.BitsPerPixel / 8;
  std::vector<uint8_t> pixels(static_cast<size_t>(width) * height * 4);
  for (int32_t y = 0; y < height; ++y) {
    const uint8_t* in = view.Pixels + static_cast<size_t>(view.TopDown ? y : height - 1 - y) * view.Stride;
    uint8_t* out = pixels.data() + static_cast<size_t>(y) * width * 4;
    for (int32_t x = 0; x < width; ++x, in += bytes, out += 4) std::copy(in, in + 3, out);
  }
  return pixels;
}

}  // namespace

TTextReading::TTextReading() { CreateHandle({L"TCorvixTextReading"}, 0, 0, L"", {0, 0, 0, 0}, HWND_MESSAGE); }

TTextReading::~TTextReading() { reader_.reset(); }  // its last result, if any, is dropped with the queue

void TTextReading::Read(HBITMAP picture, const Rect& place) {
  int32_t width = 0, height = 0;
  std::vector<uint8_t> pixels = TopDownPixels(picture, width, height);
  CloseWindow();
  if (!reader_) {
    // On the worker's thread: the result waits in the queue, and a word wakes this window (a word
    // lost to a full message queue is made up for by the next).
    reader_ = std::make_unique<TTextReader>(TextModel(), "chi_sim", kEngineIdle, [this](TextReadResult result) {
      {
        const std::lock_guard lock(resultsLock_);
        results_.push_back(std::move(result));
      }
      PostMessageW(Handle(), kReadDone, 0, 0);
    });
  }
  window_ = std::make_unique<TTextResultWindow>(place, [this](TTextResultWindow& asking) {
    if (&asking == window_.get()) CloseWindow();  // not a message left for a window gone before
  });
  window_->Create();
  job_ = reader_->Read(std::move(pixels), width, height);
  SetTimer(Handle(), kWaitingTimer, kWaitingAfterMs, nullptr);
}

// Still reading: the window comes up and says so, and Esc cancels.
void TTextReading::ShowWaiting() {
  KillTimer(Handle(), kWaitingTimer);
  if (!window_ || job_ == 0) return;
  // Esc is held before the window shows: whoever sees the window may press it at once.
  escape_.emplace(window_->Handle(), kEscapeHotKey, TEscapeOwner::Place::Behind);  // the window hears it and closes
  window_->ShowWaiting();
  window_->ShowInactive();
}

void TTextReading::Finished(const TextReadResult& result) {
  if (result.Job != job_ || !window_) return;  // cancelled, or replaced by a later reading
  job_ = 0;
  KillTimer(Handle(), kWaitingTimer);
  escape_.reset();
  if (!result.Text) {
    window_->ShowError(result.Failure == ReadFailure::NoEngine ? L"无法加载文字识别模型" : L"文字识别失败");
  } else {
    window_->ShowText(*result.Text);
    if (!result.Text->empty() && !PutClipboardText(window_->Handle(), *result.Text)) window_->ShowError(L"无法写入剪贴板");
  }
  window_->ShowInactive();
}

void TTextReading::CloseWindow() {
  KillTimer(Handle(), kWaitingTimer);
  escape_.reset();
  if (job_ != 0 && reader_) reader_->Cancel(job_);
  job_ = 0;
  if (!window_) return;
  // The window may be handling the message that closes it: hidden now, freed after.
  ShowWindow(window_->Handle(), SW_HIDE);
  closed_.push_back(std::move(window_));
  PostMessageW(Handle(), kFreeClosed, 0, 0);
}

LRESULT TTextReading::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case kReadDone: {
      std::vector<TextReadResult> results;
      {
        const std::lock_guard lock(resultsLock_);
        results.swap(results_);
      }
      for (const TextReadResult& result : results) Finished(result);
      return 0;
    }
    case kFreeClosed:
      for (auto& window : closed_) window->Destroy();
      closed_.clear();
      return 0;
    case WM_TIMER: ShowWaiting(); return 0;
  }
  return TWinControl::HandleMessage(message, wParam, lParam);
}

