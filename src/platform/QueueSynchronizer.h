#pragma once
// The synchronizer of programs without windows (twcli, tests): other threads queue calls, and the
// main thread runs them when its loop calls ProcessPending, WaitAndProcess or RunUntil.
#include <condition_variable>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "platform/MainThread.h"

namespace tw {

class TQueueSynchronizer final : public TSynchronizer {
 public:
  // The constructing thread is the main thread.
  TQueueSynchronizer();
  TQueueSynchronizer(const TQueueSynchronizer&) = delete;
  TQueueSynchronizer& operator=(const TQueueSynchronizer&) = delete;

  void Synchronize(const std::function<void()>& fn) override;
  void Queue(std::function<void()> fn) override;
  // Runs every call queued so far, in order.
  void ProcessPending() override;
  // Waits up to TimeoutMs for a call to arrive, then runs what is queued. True when one ran.
  bool WaitAndProcess(unsigned timeoutMs);
  // Runs queued calls until Done (tested after each batch) returns true.
  void RunUntil(const std::function<bool()>& done);

  bool InMainThread() const { return std::this_thread::get_id() == mainThread_; }

 private:
  struct Call {
    std::function<void()> fn;
    bool waited = false;
    bool done = false;
    std::exception_ptr error;
  };
  bool RunQueued();

  std::thread::id mainThread_;
  std::mutex lock_;
  std::condition_variable arrived_;   // a call was queued
  std::condition_variable finished_;  // a waited call has run
  std::deque<std::shared_ptr<Call>> calls_;
};

}  // namespace tw
