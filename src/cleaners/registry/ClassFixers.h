#pragma once
// The fixers of file associations and class registrations: extension keys that lead nowhere,
// extension and file-type keys whose icons or commands point at missing programs, application
// keys and COM classes whose icons, servers or verbs point at missing files.
//
// The file-extension and file-type fixers examine the keys directly under the key their action
// names (the classes root itself in the scan database) and look classes up there too.
#include "cleaners/registry/RegistryFixObject.h"

namespace tw {

TW_REGISTRY_FIXER(TRegFixFileExts, true)
TW_REGISTRY_FIXER(TRegFixFileExtsRec, true)
TW_REGISTRY_FIXER(TRegFixFileTypeRec, true)
TW_REGISTRY_FIXER(TRegFixApplications, true)
TW_REGISTRY_FIXER(TRegFixCLSID, true)

}  // namespace tw
