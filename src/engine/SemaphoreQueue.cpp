#include "engine/SemaphoreQueue.h"

#include <algorithm>
#include <climits>
#include <thread>

#include "platform/Text.h"
#include "support/LogFile.h"

namespace tw {

TSemaphoreQueue::TSemaphoreQueue()
    : semaphore_(::CreateSemaphoreA(nullptr, 0, LONG_MAX, nullptr)) {
  if (!semaphore_) RaiseLastOSError();
}

TSemaphoreQueue::~TSemaphoreQueue() {
  TCustomWorkObject* entry = nullptr;
  while (Pop(entry, 0)) delete entry;
}

void TSemaphoreQueue::Push(TCustomWorkObject* entry) {
  std::lock_guard<std::mutex> lock(lock_);
  entries_.push_back(entry);
  ::ReleaseSemaphore(semaphore_.get(), 1, nullptr);
}

bool TSemaphoreQueue::Pop(TCustomWorkObject*& entry, DWORD timeout) {
  if (::WaitForSingleObject(semaphore_.get(), timeout) != WAIT_OBJECT_0) return false;
  std::lock_guard<std::mutex> lock(lock_);
  entry = entries_.front();
  entries_.pop_front();
  return true;
}

// The body of one pool thread: sequences the queued objects and has each run (and its
// completion) carried out in the main thread when the pool synchronises.
class TWorkThread {
 public:
  static void Run(TWorkThreadPool& pool) noexcept;

 private:
  static void RunWork(TCustomWorkObject& work) noexcept;
};

void TWorkThread::RunWork(TCustomWorkObject& work) noexcept {
  work.ErrorClass.clear();
  work.ErrorMessage.clear();
  work.PartialErrors.clear();
  try {
    work.Execute();
  } catch (...) {
    ErrorInfo error = DescribeException(std::current_exception());
    work.ErrorClass = error.className;
    work.ErrorMessage = error.message;
  }
}

void TWorkThread::Run(TWorkThreadPool& pool) noexcept {
  bool tookEndRequest = false;
  try {
    for (;;) {
      TCustomWorkObject* work = nullptr;
      pool.queue_.Pop(work, INFINITE);
      if (!work) {
        tookEndRequest = true;
        break;
      }
      if (pool.Synchronize) {
        pool.sync_.Synchronize([work] { RunWork(*work); });
        pool.sync_.Synchronize([&pool, work] { pool.WorkDone(work); });
      } else {
        RunWork(*work);
        pool.WorkDone(work);
      }
    }
  } catch (...) {
    ErrorInfo error = DescribeException(std::current_exception());
    LogFile().Write("[TWorkThread.Run] %s: %s", error.className, error.message);
  }
  try {
    pool.ThreadEnded(tookEndRequest);
  } catch (...) {
    ErrorInfo error = DescribeException(std::current_exception());
    LogFile().Write("[TWorkThread.Run] %s: %s", error.className, error.message);
  }
  --pool.runningThreads_;  // the last touch of the pool
}

TWorkThreadPool::TWorkThreadPool(TSynchronizer& sync, int maxThreads, bool ownsObjects,
                                 bool synchronize)
    : OwnsObjects(ownsObjects), Synchronize(synchronize), sync_(sync), maxThreads_(maxThreads) {
  std::lock_guard<std::mutex> lock(lock_);
  for (int i = 0; i < maxThreads_; ++i) {
    StartThread();
    ++liveThreads_;
  }
}

TWorkThreadPool::~TWorkThreadPool() {
  Stop(nullptr);
  {
    std::lock_guard<std::mutex> lock(lock_);
    RequestEndOfEveryThread();
  }
  while (runningThreads_ > 0) {
    sync_.ProcessPending();
    ::Sleep(5);
  }
}

void TWorkThreadPool::StartThread() {
  ++runningThreads_;
  try {
    std::thread([this] { TWorkThread::Run(*this); }).detach();
  } catch (...) {
    --runningThreads_;
    throw;
  }
}

int TWorkThreadPool::LiveThreads() const {
  std::lock_guard<std::mutex> lock(lock_);
  return liveThreads_;
}

bool TWorkThreadPool::Stopping() const {
  std::lock_guard<std::mutex> lock(lock_);
  return !stopWaiters_.empty();
}

int TWorkThreadPool::Pending() const {
  std::lock_guard<std::mutex> lock(lock_);
  return pending_;
}

void TWorkThreadPool::Add(TCustomWorkObject* work) {
  {
    std::lock_guard<std::mutex> lock(lock_);
    if (liveThreads_ < maxThreads_) {
      StartThread();
      ++liveThreads_;
    }
    if (work) ++pending_;
    if (maxThreads_ < liveThreads_) {
      ++endRequests_;
      queue_.Push(nullptr);
    }
    if (!work) ++endRequests_;
  }
  queue_.Push(work);
}

void TWorkThreadPool::RequestEndOfEveryThread() {
  for (; endRequests_ < liveThreads_; ++endRequests_) queue_.Push(nullptr);
}

void TWorkThreadPool::Stop(TStoppedEvent onStopped) {
  TCustomWorkObject* entry = nullptr;
  while (queue_.Pop(entry, 0)) {
    {
      std::lock_guard<std::mutex> lock(lock_);
      if (entry) --pending_;  // dropped: it never completes
      else --endRequests_;    // made again below while a stop waits for the threads
    }
    if (entry && OwnsObjects) delete entry;
  }
  bool raiseNow = false;
  {
    std::lock_guard<std::mutex> lock(lock_);
    if (onStopped) {
      if (liveThreads_ > 0) stopWaiters_.push_back(std::move(onStopped));
      else raiseNow = true;  // no thread left to wait for
    }
    // Threads already on their way out are not asked again, so no end request is left over
    // for a thread that a later Add starts.
    if (!stopWaiters_.empty()) RequestEndOfEveryThread();
  }
  if (raiseNow) onStopped(this);
}

void TWorkThreadPool::WorkDone(TCustomWorkObject* work) {
  try {
    work->OnWorkDone(work);
  } catch (...) {
    // A failing receiver must not end the thread and strand the objects still queued.
    ErrorInfo error = DescribeException(std::current_exception());
    LogFile().Write("[TWorkThreadPool.WorkDone] %s: %s", error.className, error.message);
  }
  std::lock_guard<std::mutex> lock(lock_);
  --pending_;
}

void TWorkThreadPool::ThreadEnded(bool tookEndRequest) {
  std::vector<TStoppedEvent> stopped;
  {
    std::lock_guard<std::mutex> lock(lock_);
    if (tookEndRequest && endRequests_ > 0) --endRequests_;
    if (liveThreads_ > 0) --liveThreads_;
    if (liveThreads_ == 0) stopped.swap(stopWaiters_);  // each stop is answered once
  }
  for (TStoppedEvent& event : stopped) event(this);
  // Work added while every thread was on its way out (a scan started right after an abort)
  // waited behind their end requests; now that they have ended, it gets threads of its own.
  std::lock_guard<std::mutex> lock(lock_);
  if (liveThreads_ != 0) return;
  while (liveThreads_ < std::min(pending_, maxThreads_)) {
    StartThread();
    ++liveThreads_;
  }
}

}  // namespace tw
