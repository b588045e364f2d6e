#pragma once
// The fixers of program keys: empty keys under Software that nothing else knows, uninstall
// entries whose uninstaller is gone, cached Add/Remove Programs entries without an uninstall
// entry, and Start-menu order keys of Programs folders that no longer exist.
#include "cleaners/registry/RegistryFixObject.h"

namespace tw {

TW_REGISTRY_FIXER(TRegFixSoftware, true)
TW_REGISTRY_FIXER(TRegFixUninstall, true)
TW_REGISTRY_FIXER(TRegFixARPCache, true)
TW_REGISTRY_FIXER(TRegFixMenuOrder, true)

}  // namespace tw
