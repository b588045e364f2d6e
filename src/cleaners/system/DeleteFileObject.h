#pragma once
// The file and folder cleaner: lists the files (and, with a "*.*" filter, the folders) of one
// folder that match name patterns and attribute masks, optionally beneath its subfolders, and
// removes what stays ticked. The walk never enters a junction or symbolic link; cleaning such an
// entry removes only the link.
//
// Finding texts are UTF-8 full paths in their usual form; the walk and the removal use wide
// calls with the "\\?\" form, so names outside the code page and paths longer than MAX_PATH
// (up to the system's limit) are found and removed on any Windows.
#include <cstdint>
#include <string>

#include "engine/CustomWorkObject.h"

namespace tw {

TW_DECLARE_EXCEPTION(EDeleteFileError, Exception)

// A folder that a place the user adds may not name: a drive root, the Windows folder, a program
// files folder, the user's profile or the profiles root, or a folder that holds one of them (in
// any letter case or form, also through a junction or link).
bool IsRefusedCustomFolder(const std::string& path);

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

  // The folder Path names on this system (before the existence check). "%TEMP%" is the
  // user's "%LOCALAPPDATA%\Temp" from Vista on, the TEMP variable before (and wherever
  // LOCALAPPDATA is not set). A "%TEMP%" that resolves to a drive root, a profile folder or the
  // profiles root, the Desktop, Documents, the Windows folder or a program files folder (in any
  // letter case or form) is refused: "Invalid temp path! %s".
  std::string ResolvedPath() const;
  // The resolved folder when it lies in a place every user of the machine shares.
  std::string MachineWidePlace() const override;

  // A finding is the path its text names; a folder (not a link) goes with what it holds.
  TFindingPlace FindingPlace(const std::string& text, const TChecked& record) const override;

  TFindingKind FindingKind() const override { return TFindingKind::File; }
  TFindingCaption FindingCaption(int index) const override { return {Found.Text(index), true}; }
  std::optional<std::string> PlaceText() const override { return Path; }
  // A line: the folder that holds it; the group: the folder Path names.
  TOpenPlace OpenPlace(int index) const override;

 protected:
  // Folder is a full path ending with "\". A scan lists Folder (and, with Recurse, its
  // subfolders); a clean walks Found.
  virtual void ProcessFolder(const std::string& folder, std::uint32_t includeMask,
                             std::uint32_t excludeMask);
  // Scan of one folder; false when Aborted stopped it.
  bool ScanFolder(const std::string& folder, std::uint32_t includeMask, std::uint32_t excludeMask);
  // Clean of Found; Root is the resolved folder with its "\". Only what lies inside Root with
  // no link between Root and it is removed; a locked file is scheduled for deletion at the next
  // restart (and so is a folder left holding such files) and counts as not removed.
  void CleanFound(const std::string& root);
};

}  // namespace tw
