#include "engine/States.h"

namespace tw {

std::uint8_t CurrentMode = pmNone;
std::uint8_t ScanState = ssIdle;

}  // namespace tw
