#pragma once
// What the Firefox, Chrome and Opera cleaners share: the browser locations they work in, the
// scan of a profile's databases and files, and the clean of what stays ticked.
//
// A scan opens every database read-only and creates nothing. A clean opens for writing only the
// databases that hold a ticked row, each once, and removes those rows in one transaction; it
// never writes to a database that another program (the browser) holds open.
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "cleaners/browsers/BrowserProfiles.h"
#include "cleaners/browsers/portable/BrowserTables.h"
#include "engine/CustomWorkObject.h"

namespace tw {

// A row of a browser database: what finds it again, with the file it is in.
class TRowChecked : public TChecked {
 public:
  explicit TRowChecked(TRowKey&& key) : Key(std::move(key)) {}
  const std::string& Database() const { return Key.Store->File; }
  TRowKey Key;
};

class TBrowserWorkObject : public TWorkObject {
 public:
  // Locations start as the process-wide ones; whoever builds the object may give others.
  TBrowserWorkObject(HWND handle, TWorkDoneEvent onWorkDone, TWorkItemEvent onItem,
                     TXmlNode itemNode);

  std::shared_ptr<const TBrowserLocations> Locations;

  // A file finding is its path; a database row lies nowhere the protect list can name.
  TFindingPlace FindingPlace(const std::string& text, const TChecked& record) const override;
  TFindingKind FindingKind() const override { return TFindingKind::BrowserRow; }

 protected:
  // Line Index shown as a path when it is a file, as it is when it is a row (columns
  // separated by ",").
  TFindingCaption FileOrRowCaption(int index) const {
    std::string text = Found.Text(index);
    const bool path = text.find(',') == std::string::npos;
    return {std::move(text), path};
  }
  // For each profile: the old-format file OldFile (when given) as a file finding, then the rows
  // of every source whose file the profile holds. With several profiles each row's text begins
  // with the profile's label. A database that cannot be read is logged and passed over while
  // other databases can be read; when none could, its error ends the run (the findings listed
  // so far stay, unticked: they are not shown, so they are never cleaned).
  void ScanProfiles(const std::vector<TBrowserProfile>& profiles, const char* oldFile,
                    std::span<const TRowSource> sources);
  // Lists the files directly in Folder (not its subfolders); false when Aborted stopped it.
  bool ScanFolderFiles(const std::string& folder);
  // Lists the file Path when it exists; false when Aborted is set as it is found (then it is not
  // listed) or right after it was listed.
  bool ScanNamedFile(const std::string& path, bool& found);
  // Walks Found from the last finding to the first and removes every ticked one: a row from its
  // database (one transaction per database), a file from the disk. Raises the first database
  // error once the walk is over.
  void CleanFound();
};

// Removes a file listed by a browser cleaner; true when it is gone. A file that is held open is
// scheduled for removal at the next restart and counts as not removed. Files with passwords,
// keys, certificates, bookmarks or settings are never removed.
bool RemoveBrowserFile(const std::string& path);

// The message a database gets when another program holds it: the one SQLite gives for a lock.
std::string LockedDatabaseMessage(const std::string& sql);

}  // namespace tw
