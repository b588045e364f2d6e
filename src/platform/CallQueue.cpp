#include "platform/CallQueue.h"

#include <chrono>

#include "support/Exceptions.h"

namespace tw {
namespace {

std::exception_ptr MainThreadEnded() {
  return std::make_exception_ptr(Exception("Exception", "The main thread has ended"));
}

}  // namespace

TCallQueueSynchronizer::TCallQueueSynchronizer() : mainThread_(std::this_thread::get_id()) {}

bool TCallQueueSynchronizer::Push(const std::shared_ptr<Call>& call) {
  {
    std::lock_guard<std::mutex> guard(lock_);
    if (closed_) return false;
    call->number = nextNumber_++;
    calls_.push_back(call);
    arrived_.notify_all();
  }
  Wake();
  return true;
}

void TCallQueueSynchronizer::Synchronize(const std::function<void()>& fn) {
  if (InMainThread()) {
    fn();
    return;
  }
  auto call = std::make_shared<Call>();
  call->fn = fn;
  call->waited = true;
  if (!Push(call)) std::rethrow_exception(MainThreadEnded());
  std::unique_lock<std::mutex> guard(lock_);
  finished_.wait(guard, [&] { return call->done; });
  if (call->error) std::rethrow_exception(call->error);
}

void TCallQueueSynchronizer::Queue(std::function<void()> fn) {
  auto call = std::make_shared<Call>();
  call->fn = std::move(fn);
  Push(call);
}

bool TCallQueueSynchronizer::RunQueued() {
  // Only the calls queued so far: one queued while these run comes after what the main thread
  // was sent meanwhile (a posted message names an object; a later queued call frees it), and
  // its own wake-up runs it.
  std::uint64_t limit = 0;
  {
    std::lock_guard<std::mutex> guard(lock_);
    limit = nextNumber_;
  }
  bool ran = false;
  for (;;) {
    std::shared_ptr<Call> call;
    {
      std::lock_guard<std::mutex> guard(lock_);
      if (calls_.empty() || calls_.front()->number >= limit) return ran;
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
      std::lock_guard<std::mutex> guard(lock_);
      call->error = error;
      call->done = true;
      finished_.notify_all();
    } else if (error) {
      QueuedCallFailed(error);
    }
  }
}

void TCallQueueSynchronizer::ProcessPending() { RunQueued(); }

bool TCallQueueSynchronizer::WaitForCall(unsigned timeoutMs) {
  std::unique_lock<std::mutex> guard(lock_);
  return arrived_.wait_for(guard, std::chrono::milliseconds(timeoutMs),
                           [&] { return !calls_.empty(); });
}

void TCallQueueSynchronizer::Close() {
  std::lock_guard<std::mutex> guard(lock_);
  closed_ = true;
  for (auto& call : calls_) {
    if (!call->waited) continue;
    call->error = MainThreadEnded();
    call->done = true;
  }
  calls_.clear();
  finished_.notify_all();
}

}  // namespace tw
