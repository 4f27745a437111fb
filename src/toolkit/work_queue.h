// Jobs run off the window's thread, one after another, so that the tray and the hot keys stay
// awake while pictures are decoded (a large one takes seconds and hundreds of MB). What a job
// gives back runs on the window's thread, at a message to the window.
#pragma once

#include <windows.h>

#include <functional>
#include <future>
#include <mutex>
#include <vector>

class TWorkQueue {
 public:
  using Ending = std::function<void()>;
  // Jobs done are announced to `window` with `message`.
  TWorkQueue(HWND window, UINT message) : window_(window), message_(message) {}
  // Waits for the job running; those still queued are dropped.
  ~TWorkQueue();
  TWorkQueue(const TWorkQueue&) = delete;
  TWorkQueue& operator=(const TWorkQueue&) = delete;

  // Queued after the jobs still to run; its ending runs at Finish.
  void Start(std::function<Ending()> job);
  // At the message, on the window's thread: the endings of the jobs done since, in their order.
  void Finish();

 private:
  void RunQueued();

  HWND window_;
  UINT message_;
  std::future<void> worker_;
  std::mutex lock_;  // over what follows
  std::vector<std::function<Ending()>> queued_;
  bool working_ = false, ending_ = false;
  std::vector<Ending> done_;
};
