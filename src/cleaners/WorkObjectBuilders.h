#pragma once
// The one place where the cleaners' work-object classes are tied to the methods of the scan
// database: a new class adds its builder here, and the engine stays as it is.
#include "engine/MethodTable.h"

namespace tw {

// One builder per method whose class exists; the front ends hand this to the scan manager.
const TWorkObjectBuilders& CleanerBuilders();

}  // namespace tw
