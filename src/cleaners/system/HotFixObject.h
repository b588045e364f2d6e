#pragma once
// Hotfix uninstall folders: the folders whose names hold two "$" signs that system updates leave
// behind ("$NtUninstallKB123456$"), and everything in them: the walk lists the whole tree of
// such a folder ("spuninst" and its files too), so the user sees every entry that goes. The
// clean removes exactly what is ticked: a folder only once it is empty, so one still holding
// an unticked or unlisted entry stays (and counts as not removed). Links are listed and removed
// as themselves, never entered.
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
  bool FolderEntered(const std::string& folder, const WIN32_FIND_DATAW& entry) override;

 private:
  void CleanHotFixes(const std::string& root);
};

}  // namespace tw
