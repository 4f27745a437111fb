#include "toolkit/work_queue.h"

#include <system_error>
#include <utility>

TWorkQueue::~TWorkQueue() {
  {
    const std::lock_guard<std::mutex> hold(lock_);
    ending_ = true;
    queued_.clear();
  }
  if (worker_.valid()) worker_.wait();
}

void TWorkQueue::Start(std::function<Ending()> job) {
  {
    const std::lock_guard<std::mutex> hold(lock_);
    queued_.push_back(std::move(job));
    if (working_) return;  // the worker takes it next
    working_ = true;
  }
  if (worker_.valid()) worker_.wait();  // it has ended, or is ending
  try {
    worker_ = std::async(std::launch::async, [this] { RunQueued(); });
  } catch (const std::system_error&) {
    RunQueued();  // no thread to be had: run here, as it must be done
  }
}

void TWorkQueue::RunQueued() {
  for (;;) {
    std::function<Ending()> job;
    {
      const std::lock_guard<std::mutex> hold(lock_);
      if (queued_.empty() || ending_) {
        working_ = false;
        return;
      }
      job = std::move(queued_.front());
      queued_.erase(queued_.begin());
    }
    Ending ending = job();
    {
      const std::lock_guard<std::mutex> hold(lock_);
      done_.push_back(std::move(ending));
    }
    PostMessageW(window_, message_, 0, 0);
  }
}

void TWorkQueue::Finish() {
  std::vector<Ending> done;
  {
    const std::lock_guard<std::mutex> hold(lock_);
    done = std::exchange(done_, {});
  }
  for (const Ending& ending : done)
    if (ending) ending();
}
