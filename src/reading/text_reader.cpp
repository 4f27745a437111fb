#include "reading/text_reader.h"

#include <algorithm>
#include <exception>
#include <stdexcept>

#include <malloc.h>

#include "reading/text_engine.h"

TTextReader::TTextReader(std::span<const uint8_t> model, std::string language, std::chrono::milliseconds idle,
                         std::function<void(TextReadResult)> done)
    : model_(model), language_(std::move(language)), idle_(idle), done_(std::move(done)), worker_([this] { Work(); }) {}

TTextReader::~TTextReader() {
  {
    const std::lock_guard lock(mutex_);
    stop_ = true;
    cancelRunning_ = true;
  }
  wake_.notify_all();
  worker_.join();
}

uint64_t TTextReader::Read(std::vector<uint8_t> pixels, int32_t width, int32_t height) {
  uint64_t number;
  {
    const std::lock_guard lock(mutex_);
    number = next_++;
    jobs_.push_back({number, std::move(pixels), width, height});
  }
  wake_.notify_all();
  return number;
}

void TTextReader::Cancel(uint64_t job) {
  const std::lock_guard lock(mutex_);
  if (running_ == job) cancelRunning_ = true;
  std::erase_if(jobs_, [&](const Job& queued) { return queued.Number == job; });
}

void TTextReader::Work() {
  std::unique_ptr<TTextEngine> engine;
  std::unique_lock lock(mutex_);
  while (!stop_) {
    if (jobs_.empty()) {
      // Idle: the engine goes once no job came for a while.
      if (!wake_.wait_for(lock, idle_, [this] { return stop_ || !jobs_.empty(); }) && engine) {
        lock.unlock();
        engine.reset();
        loaded_ = false;
        _heapmin();  // the C runtime's free blocks back to the system, as after a capture
        lock.lock();
      }
      if (jobs_.empty() && !stop_) wake_.wait(lock, [this] { return stop_ || !jobs_.empty(); });
      continue;
    }
    Job job = std::move(jobs_.front());
    jobs_.pop_front();
    running_ = job.Number;
    cancelRunning_ = false;
    lock.unlock();
    TextReadResult result{job.Number};
    try {
      if (!engine) {
        result.Failure = ReadFailure::NoEngine;
        engine = std::make_unique<TTextEngine>(model_, language_.c_str());
        loaded_ = true;
      }
      result.Failure = ReadFailure::Failed;
      if (job.Width <= 0 || job.Height <= 0 || job.Pixels.size() != static_cast<size_t>(job.Width) * static_cast<size_t>(job.Height) * 4)
        throw std::invalid_argument("the pixels do not match the picture's size");
      result.Text = engine->Read(job.Pixels.data(), job.Width, job.Height, job.Width * 4, cancelRunning_);
      result.Failure = result.Text ? ReadFailure::None : ReadFailure::Cancelled;
    } catch (...) {
      // The engine's own words are English and technical: the failure's kind is what is told.
      result.Text.reset();
    }
    job.Pixels = {};
    done_(std::move(result));
    lock.lock();
    running_ = 0;
  }
}
