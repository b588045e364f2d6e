#pragma once
// The folder walk shared by the file cleaner's variants (broken shortcuts, hotfix folders,
// desktop-search data): the file cleaner's parameters, masks and clean, with each variant
// deciding which files and folders it lists and which folders it enters.
#include <windows.h>

#include <cstdint>
#include <string>

#include "cleaners/system/DeleteFileObject.h"

namespace tw {

class TFileVariantObject : public TDeleteFileObject {
 public:
  using TDeleteFileObject::TDeleteFileObject;

 protected:
  // A scan walks Folder with the variant's tests; a clean is the file cleaner's.
  void ProcessFolder(const std::string& folder, std::uint32_t includeMask,
                     std::uint32_t excludeMask) override;

  // Folder ends with "\"; Entry is a file or folder found in it.
  virtual bool FileListed(const std::string& folder, const WIN32_FIND_DATAW& entry,
                          std::uint32_t includeMask, std::uint32_t excludeMask) = 0;
  virtual bool FolderListed(const std::string& folder, const WIN32_FIND_DATAW& entry,
                            std::uint32_t includeMask, std::uint32_t excludeMask) = 0;
  virtual bool FolderEntered(const std::string& /*folder*/, const WIN32_FIND_DATAW& /*entry*/) {
    return true;
  }

 private:
  // False when Aborted stopped the walk.
  bool WalkFolder(const std::string& folder, std::uint32_t includeMask, std::uint32_t excludeMask);
  void AddEntry(const std::string& folder, const WIN32_FIND_DATAW& entry);
};

}  // namespace tw
