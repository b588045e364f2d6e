#pragma once
// Hotfix uninstall folders: the folders whose names hold two "$" signs that system updates leave
// behind ("$NtUninstallKB123456$"), and the files in them. A ticked folder goes with everything
// in it, also what the walk does not list (its "spuninst" subfolder), unless the user left
// something listed inside it unticked.
#include <string>

#include "cleaners/system/FileVariantObject.h"

namespace tw {

class TDeleteHotFixObject : public TFileVariantObject {
 public:
  using TFileVariantObject::TFileVariantObject;

  const char* ClassName() const override { return "TDeleteHotFixObject"; }

 protected:
  void ProcessFolder(const std::string& folder, std::uint32_t includeMask,
                     std::uint32_t excludeMask) override;
  bool FileListed(const std::string& folder, const WIN32_FIND_DATAW& entry,
                  std::uint32_t includeMask, std::uint32_t excludeMask) override;
  bool FolderListed(const std::string& folder, const WIN32_FIND_DATAW& entry,
                    std::uint32_t includeMask, std::uint32_t excludeMask) override;
  bool FolderEntered(const WIN32_FIND_DATAW& entry) override;

 private:
  void CleanHotFixes(const std::string& root);
  // True when a line below the folder of line Index is unticked.
  bool HoldsUntickedFinding(int index) const;
};

}  // namespace tw
