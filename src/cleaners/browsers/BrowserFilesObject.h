#pragma once
// Files that the browsers keep in each of their profiles (caches, sessions) or beside them
// (shader caches, crash reports): one action names a folder relative to the profile, and the
// object lists it in every profile that is there, of every browser the action names.
//
// These folders are created by the browser only when it needs them: one that is absent is
// simply nothing found. What is missing is the browser: no profile at all is the location
// error of the family ("Chrome User Data not found!", "Opera not found!", "Firefox profile not
// found!").
#include <string>
#include <vector>

#include "cleaners/browsers/BrowserWorkObject.h"

namespace tw {

class TBrowserFilesObject : public TBrowserWorkObject {
 public:
  using TBrowserWorkObject::TBrowserWorkObject;

  // "Firefox", or the names of Chromium-family browsers separated by ";" ("Google Chrome;
  // Chromium"), as ChromiumBrowsers() names them.
  std::string Browser;
  // Where Folder lies: "profile" (each profile folder, and its local counterpart when the
  // profile roams), "local" (Firefox: each profile's local folder), or "data" (the browser's
  // own folder: Chromium's user-data folder, Firefox's folder of "profiles.ini").
  std::string Place;
  std::string Folder;      // below Place ("Cache\Cache_Data"); empty: Place itself
  std::string FileFilter;  // wildcard masks separated by ";"; empty: every file
  bool Recurse = false;    // the subfolders too

  void Execute() override;
  const char* ClassName() const override { return "TBrowserFilesObject"; }

  // The folders (each ending with "\") this object lists, whether they exist or not; raises the
  // location error when the browser has no profile.
  std::vector<std::string> Folders() const;

 private:
  bool ScanTree(const std::string& folder);
};

// Chrome's autofill entries: what was typed into the fields of web forms ("Web Data").
class TChromeAutofillObject : public TBrowserWorkObject {
 public:
  using TBrowserWorkObject::TBrowserWorkObject;
  void Execute() override;
  const char* ClassName() const override { return "TChromeAutofillObject"; }
};

}  // namespace tw
