#pragma once
// The work pool: threads that take work objects from one queue, in order, and run each one
// (in the main thread through the synchronizer when Synchronize is set). A null entry retires
// one thread. Errors raised by Execute are recorded on the object and never stop the pool.
#include <windows.h>

#include <atomic>
#include <deque>
#include <functional>
#include <mutex>
#include <vector>

#include "engine/CustomWorkObject.h"
#include "platform/Handles.h"
#include "platform/MainThread.h"

namespace tw {

// First in, first out; a counting semaphore lets idle workers block without polling.
class TSemaphoreQueue {
 public:
  TSemaphoreQueue();
  // Frees the entries still queued.
  ~TSemaphoreQueue();
  TSemaphoreQueue(const TSemaphoreQueue&) = delete;
  TSemaphoreQueue& operator=(const TSemaphoreQueue&) = delete;

  void Push(TCustomWorkObject* entry);
  // Waits up to Timeout ms (INFINITE allowed) for an entry; false when none came.
  bool Pop(TCustomWorkObject*& entry, DWORD timeout);

 private:
  unique_handle semaphore_;
  std::mutex lock_;
  std::deque<TCustomWorkObject*> entries_;
};

class TWorkThreadPool {
 public:
  using TStoppedEvent = std::function<void(TWorkThreadPool* sender)>;

  // Starts MaxThreads threads. OwnsObjects: free objects that Stop drops unrun.
  // Synchronize: run every Execute and OnWorkDone in the main thread through Sync.
  TWorkThreadPool(TSynchronizer& sync, int maxThreads, bool ownsObjects, bool synchronize);
  // Drops what is queued, retires the threads still alive and waits until they have ended
  // (running what they hand to the main thread meanwhile).
  ~TWorkThreadPool();
  TWorkThreadPool(const TWorkThreadPool&) = delete;
  TWorkThreadPool& operator=(const TWorkThreadPool&) = delete;

  // Queues Work (null retires one thread); starts a thread when fewer than MaxThreads are alive.
  void Add(TCustomWorkObject* work);
  // Drops everything queued. With OnStopped: also ends every thread and raises OnStopped, in the
  // last ending worker thread, once all have ended; at once, in the calling thread, when no
  // thread is alive. A stop while an earlier one is still under way raises both events, in
  // order, when the last thread ends. Does not interrupt a running Execute.
  void Stop(TStoppedEvent onStopped);

  // True from a Stop with an event until its event is raised: a thread may still hand an
  // object's run or completion to the main thread until then.
  bool Stopping() const;
  int MaxThreads() const { return maxThreads_; }
  int LiveThreads() const;
  int Pending() const;
  const bool OwnsObjects;
  const bool Synchronize;

 private:
  friend class TWorkThread;
  void StartThread();
  // Called with the object after each run.
  void WorkDone(TCustomWorkObject* work);
  // Called by a thread as it ends; TookEndRequest: it ended on a null entry.
  void ThreadEnded(bool tookEndRequest);
  // Under Lock: queues one end request for every live thread that has none yet.
  void RequestEndOfEveryThread();

  TSynchronizer& sync_;
  const int maxThreads_;
  int liveThreads_ = 0;
  int pending_ = 0;
  // Null entries queued, or taken by a thread that has not ended yet: the threads that will end.
  int endRequests_ = 0;
  TSemaphoreQueue queue_;
  mutable std::mutex lock_;
  std::vector<TStoppedEvent> stopWaiters_;  // raised when the last thread has ended
  std::atomic<int> runningThreads_{0};      // thread bodies not yet returned
};

}  // namespace tw
