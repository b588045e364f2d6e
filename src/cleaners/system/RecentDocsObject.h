#pragma once
// The shortcuts in the user's recent-documents folder. Findings are bare file names; subfolders
// are neither listed nor entered, and the folder's own "desktop.ini" is not a document.
#include <optional>
#include <string>

#include "cleaners/system/DeleteFileObject.h"

namespace tw {

class TRecentDocsObject : public TDeleteFileObject {
 public:
  using TDeleteFileObject::TDeleteFileObject;

  void Execute() override;
  const char* ClassName() const override { return "TRecentDocsObject"; }

  // The recent-documents folder (ending with "\"), set by each scan and used by the clean.
  std::string RecentFolder;

  // A finding is a name in RecentFolder.
  TFindingPlace FindingPlace(const std::string& text, const TChecked& record) const override;
  // The group and each finding show and open the recent-documents folder.
  std::optional<std::string> PlaceText() const override;
  TOpenPlace OpenPlace(int index) const override;

 private:
  // RecentFolder, or before a scan the user's recent-documents folder; empty when unknown.
  std::string Folder() const;
  void Scan();
  void Clean();
};

}  // namespace tw
