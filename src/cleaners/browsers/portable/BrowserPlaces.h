#pragma once
// Where the browsers keep their profiles, as text rules without the file system: the entries of
// Firefox's "profiles.ini", the user-data folders of the browsers that share Chrome's layout,
// the order of their profile folders, and the files a cleaner must never remove.
#include <string>
#include <string_view>
#include <vector>

#include "cleaners/browsers/portable/IniText.h"

namespace tw {

// One [ProfileN] section of "profiles.ini".
struct TFirefoxProfileEntry {
  std::string Name;  // "default-release"
  std::string Path;  // as written ("Profiles/abcd.default-release" or an absolute folder)
  bool IsRelative = true;
};

// The sections "Profile0", "Profile1"... in order, up to the first one missing or without a Path.
std::vector<TFirefoxProfileEntry> FirefoxProfileEntries(const TIniText& ini);

// The folders (each ending with "\") that Entry may name, most likely first. IniFolder is the
// folder of "profiles.ini" with its "\". A relative path lies below IniFolder; for one written as
// "<folder>/<name>" the older reading "Profiles\<name>" follows as a second choice.
std::vector<std::string> FirefoxProfileFolders(const std::string& iniFolder,
                                               const TFirefoxProfileEntry& entry);

// The profile's local folder (its disk cache lives there), ending with "\": for a profile below
// the roaming application-data folder, the same place below the local one; otherwise the
// profile's own folder. Empty when the profile is relative and there is no local folder.
std::string FirefoxLocalFolder(const std::string& profileFolder, const std::string& roamingAppData,
                               const std::string& localAppData);

// A browser built on Chromium: its name and its user-data folder below the roaming or the
// local application-data folder.
struct TChromiumBrowser {
  const char* Name;
  bool Roaming;
  const char* UserData;
};
// Chrome first, then the others.
const std::vector<TChromiumBrowser>& ChromiumBrowsers();

// True for a folder name that holds a profile of a Chromium user-data folder: "Default" and
// "Profile <n>".
bool IsChromiumProfileName(std::string_view name);
// Profile folder names in the order they are read: "Default" first, then "Profile <n>" by n.
void SortChromiumProfileNames(std::vector<std::string>& names);

// True when FileName matches one of the ";"-separated wildcard masks ("*" any run, "?" one
// character), without regard to ASCII letter case. An empty list matches every name.
bool MatchesFileMasks(std::string_view fileName, std::string_view masks);

// Files that hold passwords, keys, certificates, bookmarks or settings: never removed, whatever
// folder they are found in (compared without regard to ASCII letter case).
bool IsProtectedBrowserFile(std::string_view fileName);

}  // namespace tw
