#include "ui/components/WindowSynchronizer.h"

#include "support/Exceptions.h"
#include "support/LogFile.h"

namespace tw {
namespace {

constexpr UINT kWmRunQueued = WM_APP + 1;
constexpr const char* kClassName = "TwSynchronizerWindow";

}  // namespace

TWindowSynchronizer::TWindowSynchronizer() : mainThread_(std::this_thread::get_id()) {
  WNDCLASSA wc{};
  wc.lpfnWndProc = WindowProc;
  wc.hInstance = ::GetModuleHandleA(nullptr);
  wc.lpszClassName = kClassName;
  ::RegisterClassA(&wc);  // fails harmlessly when already registered
  window_.reset(::CreateWindowExA(0, kClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  wc.hInstance, nullptr));
  if (!window_) throw EOSError("Cannot create the synchronizer window");
  ::SetWindowLongPtrA(window_.get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

TWindowSynchronizer::~TWindowSynchronizer() {
  std::lock_guard<std::mutex> guard(lock_);
  closing_ = true;
  for (auto& call : calls_) {
    if (!call->waited) continue;
    call->error = std::make_exception_ptr(Exception("Exception", "The main thread has ended"));
    call->done = true;
  }
  calls_.clear();
  finished_.notify_all();
  ::SetWindowLongPtrA(window_.get(), GWLP_USERDATA, 0);
}

void TWindowSynchronizer::Push(std::shared_ptr<Call> call) {
  {
    std::lock_guard<std::mutex> guard(lock_);
    if (closing_) {
      if (call->waited) throw Exception("Exception", "The main thread has ended");
      return;
    }
    calls_.push_back(call);
  }
  ::PostMessageA(window_.get(), kWmRunQueued, 0, 0);
}

void TWindowSynchronizer::Synchronize(const std::function<void()>& fn) {
  if (InMainThread()) {
    fn();
    return;
  }
  auto call = std::make_shared<Call>();
  call->fn = fn;
  call->waited = true;
  Push(call);
  std::unique_lock<std::mutex> guard(lock_);
  finished_.wait(guard, [&] { return call->done; });
  if (call->error) std::rethrow_exception(call->error);
}

void TWindowSynchronizer::Queue(std::function<void()> fn) {
  auto call = std::make_shared<Call>();
  call->fn = std::move(fn);
  Push(call);
}

void TWindowSynchronizer::ProcessPending() {
  for (;;) {
    std::shared_ptr<Call> call;
    {
      std::lock_guard<std::mutex> guard(lock_);
      if (calls_.empty()) return;
      call = calls_.front();
      calls_.pop_front();
    }
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
      ErrorInfo info = DescribeException(error);
      LogFile().Write("[TWindowSynchronizer.Queue] %s: %s", info.className, info.message);
    }
  }
}

LRESULT CALLBACK TWindowSynchronizer::WindowProc(HWND hwnd, UINT msg, WPARAM wParam,
                                                 LPARAM lParam) noexcept {
  if (msg == kWmRunQueued) {
    auto* self = reinterpret_cast<TWindowSynchronizer*>(::GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    try {
      if (self) self->ProcessPending();
    } catch (...) {
    }
    return 0;
  }
  return ::DefWindowProcA(hwnd, msg, wParam, lParam);
}

}  // namespace tw
