#pragma once
// Hands work from other threads to the main thread. Work objects' Execute and all their events
// run in the main thread; the worker thread only sequences them through a synchronizer.
//   - TQueueSynchronizer (platform/QueueSynchronizer.h): a queue the main loop drains (twcli, tests);
//   - TWindowSynchronizer (ui/components/WindowSynchronizer.h): a hidden window of the main thread.
// Both share the queue of platform/CallQueue.h.
#include <functional>

namespace tw {

class TSynchronizer {
 public:
  virtual ~TSynchronizer() = default;
  // Runs Fn in the main thread and waits until it has run; an exception raised by Fn is
  // re-raised in the calling thread. Called from the main thread, Fn runs at once.
  virtual void Synchronize(const std::function<void()>& fn) = 0;
  // Runs Fn in the main thread later, without waiting.
  virtual void Queue(std::function<void()> fn) = 0;
  // Main thread only: runs what other threads have handed over and are waiting for. Used by
  // owners that must wait for a worker thread in the main thread (the worker pool's destructor),
  // so that a worker blocked in Synchronize can finish. The default does nothing.
  virtual void ProcessPending() {}
};

}  // namespace tw
