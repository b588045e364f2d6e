#include "platform/QueueSynchronizer.h"

namespace tw {

bool TQueueSynchronizer::WaitAndProcess(unsigned timeoutMs) {
  WaitForCall(timeoutMs);
  return RunQueued();
}

void TQueueSynchronizer::RunUntil(const std::function<bool()>& done) {
  while (!done()) WaitAndProcess(100);
}

}  // namespace tw
