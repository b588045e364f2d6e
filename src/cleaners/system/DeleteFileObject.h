#pragma once
// The file and folder cleaner: lists the files (and, with a "*.*" filter, the folders) of one
// folder that match name patterns and attribute masks, optionally beneath its subfolders, and
// removes what stays ticked. The walk never enters a junction or symbolic link; cleaning such an
// entry removes only the link.
#include <cstdint>
#include <string>

#include "engine/CustomWorkObject.h"

namespace tw {

TW_DECLARE_EXCEPTION(EDeleteFileError, Exception)

class TDeleteFileObject : public TWorkObject {
 public:
  using TWorkObject::TWorkObject;

  void Execute() override;
  const char* ClassName() const override { return "TDeleteFileObject"; }

  std::string FileFilter;     // name patterns separated by ";" ("*.*")
  std::string Path;           // the folder, as a path macro
  std::string FileAttrib;     // attribute names: a listed entry has at least one
  bool Recurse = false;       // descend into subfolders
  std::string ExcludeAttr;    // attribute names: a listed entry has none
  std::string ExcludeFolder;  // subfolder names (";") neither listed nor entered

  // The folder Path names on this system (before the existence check).
  std::string ResolvedPath() const;

 protected:
  // Folder ends with "\". A scan lists Folder (and, with Recurse, its subfolders); a clean
  // walks Found.
  virtual void ProcessFolder(const std::string& folder, std::uint32_t includeMask,
                             std::uint32_t excludeMask);
  // Scan of one folder; false when Aborted stopped it.
  bool ScanFolder(const std::string& folder, std::uint32_t includeMask, std::uint32_t excludeMask);
  // Clean of Found; Root is the resolved folder with its "\".
  void CleanFound(const std::string& root);
  // Removes the file or folder Text names; false when it is still there (a locked file is then
  // scheduled for deletion at the next restart).
  // FinalRoot: Root as the system resolves it (links followed, long names).
  bool RemoveEntry(const std::string& root, const std::string& finalRoot, const std::string& text);
  // Removes a junction or symbolic link itself; false when that cannot be done safely.
  static bool RemoveLink(const std::string& text);
};

}  // namespace tw
