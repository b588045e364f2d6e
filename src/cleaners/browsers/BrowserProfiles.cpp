#include "cleaners/browsers/BrowserProfiles.h"

#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <mutex>

#include "cleaners/browsers/portable/BrowserPlaces.h"
#include "cleaners/browsers/portable/IniText.h"
#include "engine/Utility.h"
#include "platform/Handles.h"
#include "platform/RegRead.h"
#include "platform/TreeSearch.h"
#include "support/Exceptions.h"
#include "support/FileIO.h"

namespace tw {

namespace {

bool IsFolder(const std::string& path) {
  const DWORD attributes = ::GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool IsFile(const std::string& path) {
  const DWORD attributes = ::GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The folder part of a file path, with its "\".
std::string FolderOf(const std::string& path) { return path.substr(0, path.find_last_of('\\') + 1); }

// The last name of a folder path that ends with "\".
std::string LastName(const std::string& folder) {
  const std::string trimmed = folder.substr(0, folder.size() - 1);
  return trimmed.substr(trimmed.find_last_of('\\') + 1);
}

TIniText ReadIni(const std::string& fileName) {
  if (!IsFile(fileName)) return {};
  try {
    return TIniText(ReadWholeFile(fileName));
  } catch (const Exception&) {
    return {};  // unreadable: as missing, every key has its default
  }
}

// The Opera profile below the roaming application-data folder: the folder of its "opera6.ini".
std::string OperaFromAppData(const std::string& roamingAppData) {
  if (roamingAppData.empty()) return {};
  const std::string found = SearchTreeForFile(roamingAppData + "Opera", "opera6.ini");
  return found.empty() ? std::string() : FolderOf(found);
}

std::mutex g_lock;
std::shared_ptr<const TBrowserLocations> g_locations;

}  // namespace

void DiscoverFirefox(TBrowserLocations& locations) {
  locations.FirefoxProfiles.clear();
  locations.FirefoxProfileDir.clear();
  locations.FirefoxCacheDir.clear();
  if (locations.RoamingAppData.empty()) return;

  // Only Firefox's own folder: other programs of the same maker keep a "profiles.ini" too.
  const std::string firefox = locations.RoamingAppData + "Mozilla\\Firefox\\";
  std::string ini = firefox + "profiles.ini";
  if (!IsFile(ini)) ini = IsFolder(firefox) ? SearchTreeForFile(firefox, "profiles.ini") : "";
  if (ini.empty()) return;

  const std::string iniFolder = FolderOf(ini);
  for (const TFirefoxProfileEntry& entry : FirefoxProfileEntries(ReadIni(ini))) {
    for (const std::string& folder : FirefoxProfileFolders(iniFolder, entry)) {
      if (!IsFolder(folder)) continue;
      bool known = false;
      for (const TBrowserProfile& profile : locations.FirefoxProfiles)
        known = known || ::lstrcmpiA(profile.Dir.c_str(), folder.c_str()) == 0;
      if (!known) {
        locations.FirefoxProfiles.push_back(
            {"Firefox (" + (entry.Name.empty() ? LastName(folder) : entry.Name) + ")", folder,
             FirefoxLocalFolder(folder, locations.RoamingAppData, locations.LocalAppData), "Firefox",
             {}});
      }
      break;
    }
  }
  if (locations.FirefoxProfiles.empty()) return;
  const TBrowserProfile& first = locations.FirefoxProfiles.front();
  locations.FirefoxProfileDir = first.Dir;
  if (!first.LocalDir.empty()) locations.FirefoxCacheDir = first.LocalDir + "cache\\";
}

void DiscoverOpera(TBrowserLocations& locations) {
  locations.OperaDir.clear();
  locations.OperaMultiUser = false;
  std::string dir;
  // The first of the values that exists; one of another type reads as empty.
  const TRegReadKey key(HKEY_CURRENT_USER, "Software\\Opera Software");
  for (const char* name : {"Last Directory3", "Last Directory2", "Last Directory"}) {
    if (const std::optional<TRegData> value = key.Value(name)) {
      dir = value->Text().value_or("");
      break;
    }
  }
  if (dir.empty()) return;
  dir = WithBackslash(dir);

  locations.OperaMultiUser =
      ReadIni(dir + "operadef6.ini").ReadString("System", "Multi User", "0") == "1";
  if (!locations.OperaMultiUser) {
    dir = WithBackslash(ReadIni(dir + "profile\\opera6.ini")
                            .ReadString("User Prefs", "Opera Directory", dir + "profile"));
    if (IsFolder(dir)) {
      locations.OperaDir = dir;
      return;
    }
  }
  locations.OperaDir = OperaFromAppData(locations.RoamingAppData);
}

TBrowserLocations DiscoverBrowserLocations(std::string roamingAppData, std::string localAppData) {
  TBrowserLocations locations;
  locations.RoamingAppData = roamingAppData.empty() ? "" : WithBackslash(std::move(roamingAppData));
  locations.LocalAppData = localAppData.empty() ? "" : WithBackslash(std::move(localAppData));
  DiscoverFirefox(locations);
  DiscoverOpera(locations);
  return locations;
}

std::shared_ptr<const TBrowserLocations> BrowserLocations() {
  std::lock_guard guard(g_lock);
  if (!g_locations) {
    g_locations = std::make_shared<const TBrowserLocations>(DiscoverBrowserLocations(
        SpecialFolderPath(CSIDL_APPDATA), SpecialFolderPath(CSIDL_LOCAL_APPDATA)));
  }
  return g_locations;
}

void DiscoverBrowsers() {
  ClearBrowserLocations();
  BrowserLocations();
}

void ClearBrowserLocations() {
  std::lock_guard guard(g_lock);
  g_locations.reset();
}

std::vector<TBrowserProfile> ChromiumProfiles(const TBrowserLocations& locations) {
  std::vector<TBrowserProfile> profiles;
  for (const TChromiumBrowser& browser : ChromiumBrowsers()) {
    const std::string& base = browser.Roaming ? locations.RoamingAppData : locations.LocalAppData;
    if (base.empty()) continue;
    const std::string userData = base + browser.UserData + "\\";
    if (!IsFolder(userData)) continue;
    if (IsFile(userData + "Preferences"))
      profiles.push_back({std::string(browser.Name) + " (" + LastName(userData) + ")", userData, {},
                          browser.Name, userData});

    std::vector<std::string> names;
    WIN32_FIND_DATAA entry;
    unique_hfind find(::FindFirstFileA((userData + "*").c_str(), &entry));
    if (find) {
      do {
        if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
            !(entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) &&
            IsChromiumProfileName(entry.cFileName))
          names.emplace_back(entry.cFileName);
      } while (::FindNextFileA(find.get(), &entry));
    }
    SortChromiumProfileNames(names);
    for (const std::string& name : names)
      profiles.push_back({std::string(browser.Name) + " (" + name + ")", userData + name + "\\", {},
                          browser.Name, userData});
  }
  return profiles;
}

}  // namespace tw
