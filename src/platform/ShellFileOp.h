#pragma once
// The shell's file operation on a list of files; here its delete, which with AllowUndo moves
// the files into the Recycle Bin.
#include <windows.h>
#include <shellapi.h>

#include <set>
#include <string>

namespace tw {

class TShellFileOp {
 public:
  bool FilesOnly = false;
  bool NoConfirmation = false;
  bool AutoMakeDir = false;
  bool AllowUndo = false;
  bool RenameOnCollision = false;
  bool Animate = false;
  bool NoErrorUI = false;
  std::string ProgressTitle;
  HWND OwnerWindow = nullptr;
  std::string Destination;

  // Adds one source path (duplicates are ignored).
  void Add(const std::string& path) { sources_.insert(path); }
  const std::set<std::string>& Sources() const { return sources_; }
  // Sets AllowUndo and deletes the sources; the list is empty afterwards. True when the shell
  // reports that an operation was aborted; false for an empty list.
  bool Delete();
  // The shell flags of an operation (FO_DELETE, FO_COPY, ...) with the current options.
  FILEOP_FLAGS Flags(UINT operation) const;

 private:
  bool Execute(UINT operation);
  std::set<std::string> sources_;
};

}  // namespace tw
