#pragma once
// Broken shortcuts: shortcut files whose target is missing from a fixed disk that is present.
// A shortcut to a removable, network or absent drive is never broken, nor one the system
// cannot read. Only shortcut files are listed, never folders.
#include <string>

#include "cleaners/system/FileVariantObject.h"

namespace tw {

class TDeleteShortcutObject : public TFileVariantObject {
 public:
  using TFileVariantObject::TFileVariantObject;

  void Execute() override;
  const char* ClassName() const override { return "TDeleteShortcutObject"; }

  // True when the shortcut file Path loads and its target is certainly missing from a fixed
  // disk that is present.
  static bool IsBrokenShortcut(const std::string& path);

 protected:
  bool FileListed(const std::string& folder, const WIN32_FIND_DATAW& entry,
                  std::uint32_t includeMask, std::uint32_t excludeMask) override;
  bool FolderListed(const std::string& folder, const WIN32_FIND_DATAW& entry,
                    std::uint32_t includeMask, std::uint32_t excludeMask) override;
};

}  // namespace tw
