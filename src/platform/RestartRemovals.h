#pragma once
// The removals the system will carry out at its next restart (files that were locked when a
// clean met them).
#include <cstddef>

namespace tw {

// The number of file operations waiting for the next restart; 0 when none is recorded or the
// record cannot be read.
std::size_t PendingRestartRemovals();

}  // namespace tw
