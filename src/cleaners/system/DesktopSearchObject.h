#pragma once
// The index of the Google Desktop search program: the files of the data folder that the program
// records in the registry, sparing its settings files. A folder that holds a spared file, at any
// depth, is not listed, so it and the file stay.
#include <string>

#include "cleaners/system/FileVariantObject.h"

namespace tw {

class TDeleteGoogleDesktopDataDir : public TFileVariantObject {
 public:
  using TFileVariantObject::TFileVariantObject;

  void Execute() override;
  const char* ClassName() const override { return "TDeleteGoogleDesktopDataDir"; }

  // The "data_dir" value of the program's key under HKEY_CURRENT_USER; empty when it cannot be
  // read.
  static std::string DataFolder();

 protected:
  bool FileListed(const std::string& folder, const WIN32_FIND_DATAW& entry,
                  std::uint32_t includeMask, std::uint32_t excludeMask) override;
  bool FolderListed(const std::string& folder, const WIN32_FIND_DATAW& entry,
                    std::uint32_t includeMask, std::uint32_t excludeMask) override;
};

}  // namespace tw
