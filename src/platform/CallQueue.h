#pragma once
// The queue behind both synchronizers: other threads hand calls over, the main thread runs them
// in order. Subclasses decide how the main thread learns that calls are waiting (Wake) and what
// becomes of an error raised by a call nobody waits for (QueuedCallFailed).
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "platform/MainThread.h"

namespace tw {

class TCallQueueSynchronizer : public TSynchronizer {
 public:
  TCallQueueSynchronizer(const TCallQueueSynchronizer&) = delete;
  TCallQueueSynchronizer& operator=(const TCallQueueSynchronizer&) = delete;

  void Synchronize(const std::function<void()>& fn) override;
  void Queue(std::function<void()> fn) override;
  // Runs every call queued so far, in order.
  void ProcessPending() override;

  bool InMainThread() const { return std::this_thread::get_id() == mainThread_; }

 protected:
  // The constructing thread is the main thread.
  TCallQueueSynchronizer();
  ~TCallQueueSynchronizer() override = default;

  // A call was queued (called in the queuing thread, without the lock).
  virtual void Wake() {}
  // A queued call that nobody waits for raised Error (main thread).
  virtual void QueuedCallFailed(std::exception_ptr error) = 0;

  // Runs what was queued before it began (not what those calls queue); true when one ran.
  bool RunQueued();
  // Waits up to TimeoutMs until a call is queued; true when one is.
  bool WaitForCall(unsigned timeoutMs);
  // Drops queued calls, releases waiting threads with an error and refuses later calls.
  void Close();

 private:
  struct Call {
    std::function<void()> fn;
    bool waited = false;
    bool done = false;
    std::exception_ptr error;
    std::uint64_t number = 0;  // in the order queued
  };
  // False when the queue is closed.
  bool Push(const std::shared_ptr<Call>& call);

  std::thread::id mainThread_;
  std::mutex lock_;
  std::condition_variable arrived_;   // a call was queued
  std::condition_variable finished_;  // a waited call has run
  std::deque<std::shared_ptr<Call>> calls_;
  std::uint64_t nextNumber_ = 0;
  bool closed_ = false;
};

}  // namespace tw
