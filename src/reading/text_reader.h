// Text recognition off the window's thread: one worker takes the pictures in turn. It loads the
// engine on first use and frees it (the model's memory with it) once it has been idle a while.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <thread>
#include <vector>

class TTextEngine;

enum class ReadFailure : uint8_t { None, Cancelled, NoEngine, Failed };

// What became of a picture: its text (empty: none found), or why there is none.
struct TextReadResult {
  uint64_t Job = 0;
  std::optional<std::wstring> Text;
  ReadFailure Failure = ReadFailure::None;
};

class TTextReader {
 public:
  // `model` (borrowed for the reader's life) and its language; `done` hears each job's result on the
  // worker's thread; `idle` is how long the engine is kept after the last job.
  TTextReader(std::span<const uint8_t> model, std::string language, std::chrono::milliseconds idle,
              std::function<void(TextReadResult)> done);
  ~TTextReader();
  TTextReader(const TTextReader&) = delete;
  TTextReader& operator=(const TTextReader&) = delete;

  // Queues 32-bit BGRX pixels (top-down, `width` * 4 bytes a row); returns the job's number.
  uint64_t Read(std::vector<uint8_t> pixels, int32_t width, int32_t height);
  // The job ends without a result as soon as the engine looks (cancelled); one not started never starts.
  void Cancel(uint64_t job);
  bool EngineLoaded() const { return loaded_; }

 private:
  struct Job {
    uint64_t Number;
    std::vector<uint8_t> Pixels;
    int32_t Width, Height;
  };
  void Work();

  std::span<const uint8_t> model_;
  std::string language_;
  std::chrono::milliseconds idle_;
  std::function<void(TextReadResult)> done_;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<Job> jobs_;
  uint64_t next_ = 1, running_ = 0;
  std::atomic<bool> cancelRunning_{false}, loaded_{false};
  bool stop_ = false;
  std::thread worker_;
};
