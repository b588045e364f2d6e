#pragma once
// The synchronizer of programs without windows (twcli, tests): other threads queue calls, and the
// main thread runs them when its loop calls ProcessPending, WaitAndProcess or RunUntil.
#include <functional>

#include "platform/CallQueue.h"

namespace tw {

class TQueueSynchronizer final : public TCallQueueSynchronizer {
 public:
  // The constructing thread is the main thread.
  TQueueSynchronizer() = default;

  // Waits up to TimeoutMs for a call to arrive, then runs what is queued. True when one ran.
  bool WaitAndProcess(unsigned timeoutMs);
  // Runs queued calls until Done (tested after each batch) returns true.
  void RunUntil(const std::function<bool()>& done);

 protected:
  // A queued call has nobody else to report to: its error leaves the main loop.
  void QueuedCallFailed(std::exception_ptr error) override { std::rethrow_exception(error); }
};

}  // namespace tw
