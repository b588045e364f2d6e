#pragma once
// What the system information report says about this machine: the running Windows, memory,
// processors and the processor's clock.
#include <cstdint>
#include <optional>

#include "support/Exceptions.h"

namespace tw {

TW_DECLARE_EXCEPTION(ECPUFrequencyError, Exception)

struct TSystemFacts {
  unsigned Major = 0, Minor = 0, Build = 0;  // the running system's own version (not a shim's)
  bool Server = false;
  int MemoryLoad = 0;                 // per cent of physical memory in use
  std::uint64_t TotalPhysical = 0;    // bytes
  int Processors = 0;                 // logical processors of every processor group
};
TSystemFacts ReadSystemFacts();

// The processor's clock in MHz, measured by counting time-stamp cycles over about 100 000
// performance-counter ticks on one processor. Raises ECPUFrequencyError with the step that failed.
int GetCPUFrequency();

// The clock Windows recorded for the first processor ("~MHz"): nothing when its key cannot be
// opened, 0 when the value is missing.
std::optional<int> RecordedProcessorMHz();

}  // namespace tw
