#include "platform/QueueSynchronizer.h"

#include <chrono>

namespace tw {

TQueueSynchronizer::TQueueSynchronizer() : mainThread_(std::this_thread::get_id()) {}

void TQueueSynchronizer::Synchronize(const std::function<void()>& fn) {
  if (InMainThread()) {
    fn();
    return;
  }
  auto call = std::make_shared<Call>();
  call->fn = fn;
  call->waited = true;
  std::unique_lock<std::mutex> lock(lock_);
  calls_.push_back(call);
  arrived_.notify_all();
  finished_.wait(lock, [&] { return call->done; });
  if (call->error) std::rethrow_exception(call->error);
}

void TQueueSynchronizer::Queue(std::function<void()> fn) {
  auto call = std::make_shared<Call>();
  call->fn = std::move(fn);
  std::lock_guard<std::mutex> lock(lock_);
  calls_.push_back(std::move(call));
  arrived_.notify_all();
}

bool TQueueSynchronizer::RunQueued() {
  bool ran = false;
  for (;;) {
    std::shared_ptr<Call> call;
    {
      std::lock_guard<std::mutex> lock(lock_);
      if (calls_.empty()) return ran;
      call = std::move(calls_.front());
      calls_.pop_front();
    }
    ran = true;
    std::exception_ptr error;
    try {
      call->fn();
    } catch (...) {
      error = std::current_exception();
    }
    if (call->waited) {
      std::lock_guard<std::mutex> lock(lock_);
      call->error = error;
      call->done = true;
      finished_.notify_all();
    } else if (error) {
      std::rethrow_exception(error);  // a queued call has nobody else to report to
    }
  }
}

void TQueueSynchronizer::ProcessPending() { RunQueued(); }

bool TQueueSynchronizer::WaitAndProcess(unsigned timeoutMs) {
  {
    std::unique_lock<std::mutex> lock(lock_);
    arrived_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return !calls_.empty(); });
  }
  return RunQueued();
}

void TQueueSynchronizer::RunUntil(const std::function<bool()>& done) {
  while (!done()) WaitAndProcess(100);
}

}  // namespace tw
