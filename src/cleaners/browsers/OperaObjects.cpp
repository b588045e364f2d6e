#include "cleaners/browsers/OperaObjects.h"

namespace tw {

void TOperaBrowserObject::Run(std::initializer_list<const char*> names,
                              std::initializer_list<const char*> folders) {
  if (!Locations || Locations->OperaDir.empty()) throw Exception("Exception", "Opera not found!");
  if (CleanMode) {
    CleanFound();
    return;
  }
  const std::string& dir = Locations->OperaDir;
  for (const char* name : names) {
    bool found = false;
    if (!ScanNamedFile(dir + name, found)) return;
  }
  for (const char* folder : folders)
    if (!ScanFolderFiles(dir + folder)) return;
}

}  // namespace tw
